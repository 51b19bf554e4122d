#include "operations/WaitClock.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace ardent {

TWaitClock::TWaitClock(double scale) {
    if (scale > 0.0 && scale <= 1.0)
        fScale = scale;
}

std::chrono::milliseconds TWaitClock::Wait(std::chrono::milliseconds nominal) const {
    if (fScale >= 1.0 || nominal.count() <= 0)
        return nominal;
    const double shortened = std::ceil(static_cast<double>(nominal.count()) * fScale);
    return std::chrono::milliseconds(std::max<long long>(1, static_cast<long long>(shortened)));
}

std::optional<double> ParseTimeoutScale(std::string_view text) {
    // Only plain decimal digits and a point: strtod alone would also take blanks and signs.
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string_view::npos)
        return std::nullopt;
    // strtod needs a terminated text; from_chars for double is not in every standard library.
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(value) || value <= 0.0 || value > 1.0)
        return std::nullopt;
    return value;
}

TWaitClock WaitClockFromEnvironment() {
    const char* transport = std::getenv("ARDENT_PORTBRIDGE");
    const char* text = std::getenv("ARDENT_TIMEOUT_SCALE");
    if (text == nullptr || transport == nullptr ||
        std::filesystem::path(transport).filename() != "libportbridge-sim.so")
        return TWaitClock{};
    const std::optional<double> scale = ParseTimeoutScale(text);
    return scale ? TWaitClock{*scale} : TWaitClock{};
}

} // namespace ardent
