#include "input/LinePattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdlib>

namespace ardent {

namespace {

// One match block per thread is enough: only the yes/no answer is used, and a match block that
// is too small for the captures still reports the match.
pcre2_match_data* ThreadMatchData() {
    struct Holder {
        pcre2_match_data* data = pcre2_match_data_create(1, nullptr);
        ~Holder() { pcre2_match_data_free(data); }
    };
    thread_local Holder holder;
    return holder.data;
}

} // namespace

TLinePattern::TLinePattern(const char* pattern, size_t fixedLength) : length(fixedLength) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED, 0, &error,
                         &offset, nullptr);
    if (code == nullptr) {
        std::abort();
    }
    // The loaders match every line of files with tens of thousands of lines; without JIT support
    // the interpreter still gives the same answers.
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
}

TLinePattern::~TLinePattern() {
    pcre2_code_free(code);
}

bool TLinePattern::Matches(std::string_view line) const {
    // "$" also matches before a final line feed, so such a line is one longer.
    if (length != 0 && line.size() != length &&
        !(line.size() == length + 1 && line.back() == '\n')) {
        return false;
    }
    return pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(), 0, 0,
                       ThreadMatchData(), nullptr) >= 0;
}

namespace AhexPattern {
const TLinePattern& DataLine() {
    static const TLinePattern pattern("^([0-9]|[A-F]|[a-f]){6}:([0-9]|[A-F]|[a-f]){4}$", 11);
    return pattern;
}
} // namespace AhexPattern

} // namespace ardent
