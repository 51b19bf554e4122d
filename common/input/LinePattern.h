#pragma once
// A compiled regular expression that tells whether a whole input line has a given shape (data
// line, firmware ID line, ID line ...). Compiled once, matched from any thread.

#include <cstddef>
#include <string_view>

struct pcre2_real_code_8;

namespace ardent {

class TLinePattern {
public:
    // `pattern` is a PCRE2 pattern known at build time; an invalid one is a programming error.
    // `length`, when not 0, is the only length a matching line can have (the pattern is anchored
    // and fixed-width): other lines are answered without running the expression.
    explicit TLinePattern(const char* pattern, size_t length = 0);
    ~TLinePattern();
    TLinePattern(const TLinePattern&) = delete;
    TLinePattern& operator=(const TLinePattern&) = delete;

    bool Matches(std::string_view line) const;

private:
    pcre2_real_code_8* code;
    size_t length;
};

// The shapes of .ahex lines.
namespace AhexPattern {
// "aaaaaa:dddd": six address digits, a colon, four data digits, either case.
const TLinePattern& DataLine();
} // namespace AhexPattern

} // namespace ardent
