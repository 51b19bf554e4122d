#include "input/NumberText.h"

#include "utils/Errors.h"

#include <cctype>

namespace ardent {

namespace {

[[noreturn]] void ThrowNotAnInteger(std::string_view text) {
    throw NumberConversionError("'" + std::string(text) + "' is not a valid integer value");
}

} // namespace

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

} // namespace ardent
