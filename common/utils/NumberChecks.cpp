#include "utils/NumberChecks.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <memory>

namespace ardent {

namespace {

// The integer grammar: `isHex` tells the caller whether the value is a bit pattern.
bool ParseInteger(std::string_view text, int64_t& value, bool& isHex) {
    std::string_view digits = text;
    isHex = false;
    if (!digits.empty() && digits.front() == '$') {
        digits.remove_prefix(1);
        isHex = true;
    } else if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        isHex = true;
    }
    if (digits.empty()) {
        return false;
    }
    if (isHex) {
        if (digits.size() > 16) {
            return false;
        }
        for (const char c : digits) {
            if (HexDigit(c) < 0) {
                return false;
            }
        }
        value = static_cast<int64_t>(HexDigitsValue(digits));
        return true;
    }
    if (digits.front() == '+') {
        digits.remove_prefix(1);
        if (digits.empty() || digits.front() == '-') {
            return false;
        }
    }
    int64_t parsed = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace

bool IsOneDecimalNumber(const std::string& text) {
    struct CodeDeleter {
        void operator()(pcre2_code* code) const { pcre2_code_free(code); }
    };
    struct MatchDataDeleter {
        void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
    };
    static const std::unique_ptr<pcre2_code, CodeDeleter> pattern = [] {
        int error = 0;
        PCRE2_SIZE offset = 0;
        return std::unique_ptr<pcre2_code, CodeDeleter>(
            pcre2_compile(reinterpret_cast<PCRE2_SPTR>("[0-9]{1,2}\\.[0-9]$"),
                          PCRE2_ZERO_TERMINATED, 0, &error, &offset, nullptr));
    }();
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> match(
        pcre2_match_data_create_from_pattern(pattern.get(), nullptr));
    return pcre2_match(pattern.get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0,
                       match.get(), nullptr) >= 0;
}

bool StrToSingleChecked(const std::string& text, float& value) {
    if (!IsOneDecimalNumber(text)) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const float parsed = std::strtof(text.c_str(), &end);
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])) || errno != 0 ||
        end != text.c_str() + text.size()) {
        return false;
    }
    value = parsed;
    return true;
}

bool StrToInt64Checked(std::string_view text, int64_t& value) {
    bool isHex = false;
    return ParseInteger(text, value, isHex);
}

bool StrToIntChecked(const std::string& text, int32_t& value) {
    int64_t parsed = 0;
    bool isHex = false;
    if (!ParseInteger(text, parsed, isHex)) {
        return false;
    }
    if (isHex ? static_cast<uint64_t>(parsed) > 0xFFFFFFFFULL
              : (parsed < std::numeric_limits<int32_t>::min() ||
                 parsed > std::numeric_limits<int32_t>::max())) {
        return false;
    }
    // Hexadecimal texts name a bit pattern: $FFFFFFFF is -1.
    value = static_cast<int32_t>(static_cast<uint32_t>(parsed));
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

uint64_t HexDigitsValue(std::string_view digits) {
    uint64_t value = 0;
    for (const char c : digits) {
        value = (value << 4) | static_cast<uint64_t>(HexDigit(c) & 0xF);
    }
    return value;
}

} // namespace ardent
