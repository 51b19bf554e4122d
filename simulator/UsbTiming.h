#pragma once
// The USB full-speed timing model: the bus runs in 1 ms frames and an interrupt endpoint moves
// one 64-byte report per frame in each direction, so every report waits for the next frame.

#include <chrono>

namespace ardent::sim {

using SimClock = std::chrono::steady_clock;

class TUsbFrames {
public:
    explicit TUsbFrames(SimClock::time_point origin) : mOrigin(origin) {}

    // The start of the first frame strictly after `t`.
    SimClock::time_point NextFrameAfter(SimClock::time_point t) const;

    // When a report ready at `ready` goes over the bus in one direction: the next frame, and
    // never in the same frame as the previous report that went that way (`previous`).
    SimClock::time_point Slot(SimClock::time_point ready, SimClock::time_point& previous) const;

private:
    SimClock::time_point mOrigin;
};

} // namespace ardent::sim
