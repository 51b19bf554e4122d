#include "input/NumberText.h"

#include "utils/Errors.h"
#include "utils/Utils.h"

#include <cctype>
#include <charconv>

namespace ardent {

namespace {

[[noreturn]] void ThrowNotAnInteger(std::string_view text) {
    throw NumberConversionError("'" + std::string(text) + "' is not a valid integer value");
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

} // namespace

bool StrToInt64Checked(std::string_view text, int64_t& value) {
    std::string_view digits = text;
    bool isHex = false;
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

int32_t StrToIntOrThrow(const std::string& text) {
    int32_t value = 0;
    if (!StrToIntChecked(text, value)) {
        ThrowNotAnInteger(text);
    }
    return value;
}

int64_t StrToInt64OrThrow(const std::string& text) {
    int64_t value = 0;
    if (!StrToInt64Checked(text, value)) {
        ThrowNotAnInteger(text);
    }
    return value;
}

bool VersionTextToBytes(const std::string& text, std::vector<uint8_t>& bytes) {
    std::string digits;
    digits.reserve(text.size());
    for (const char c : text) {
        digits.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    for (auto at = digits.find("0x"); at != std::string::npos; at = digits.find("0x")) {
        digits.erase(at, 2);
    }
    const size_t count = digits.size() / 2;
    if (count > kMaxVersionBytes) {
        return false;
    }
    std::vector<uint8_t> parsed;
    parsed.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const int high = HexDigit(digits[2 * i]);
        const int low = HexDigit(digits[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        parsed.push_back(static_cast<uint8_t>((high << 4) | low));
    }
    bytes = std::move(parsed);
    return true;
}

uint64_t HexDigitsValue(std::string_view digits) {
    uint64_t value = 0;
    for (const char c : digits) {
        value = (value << 4) | static_cast<uint64_t>(HexDigit(c) & 0xF);
    }
    return value;
}

} // namespace ardent
