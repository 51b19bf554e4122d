#include "utils/WaitSeconds.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace ardent {

std::optional<std::chrono::milliseconds> ParseWaitSeconds(std::string_view text) {
    constexpr double kLongest = 24.0 * 60 * 60;
    // Only digits and one decimal point: no sign, exponent, blanks, "inf" or "nan".
    bool point = false;
    bool digit = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digit = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digit)
        return std::nullopt;
    // from_chars ignores the locale: a windowed program's decimal comma must not turn 0.5 into 0.
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || !(seconds <= kLongest))
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<long long>(std::llround(seconds * 1000.0)));
}

std::optional<std::chrono::milliseconds> WaitSecondsFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return ParseWaitSeconds(value);
}

} // namespace ardent
