#pragma once
// How long a handler really waits for a reply it is meant to wait `nominal` for. Production uses
// the nominal waits; tests and dry runs against the simulated programmer shrink them by a factor
// so that a 30 s time-out path runs in milliseconds. A clock can only shorten waits, never
// lengthen them.

#include <chrono>
#include <optional>
#include <string_view>

namespace ardent {

class TWaitClock {
public:
    // The real waits.
    TWaitClock() = default;
    // Waits shortened by `scale` (0 < scale <= 1; anything else keeps the real waits).
    explicit TWaitClock(double scale);

    // The wait for a reply expected within `nominal`; a shortened non-zero wait lasts at least
    // 1 ms.
    std::chrono::milliseconds Wait(std::chrono::milliseconds nominal) const;
    double Scale() const { return fScale; }

private:
    double fScale = 1.0;
};

// The scale written in `text` ("0.01"), when it is a number above 0 and at most 1; nothing for
// any other text, so a mistyped value leaves the real waits in place.
std::optional<double> ParseTimeoutScale(std::string_view text);

// The clock both programs use: shortened by ARDENT_TIMEOUT_SCALE only while ARDENT_PORTBRIDGE
// names the simulated programmer's transport, so a variable left behind on a line PC can never
// cut a real burn's wait short (the chips would be reported failed while still burning).
TWaitClock WaitClockFromEnvironment();

} // namespace ardent
