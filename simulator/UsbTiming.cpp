#include "UsbTiming.h"

#include <algorithm>

namespace ardent::sim {

namespace {
constexpr std::chrono::milliseconds kFrame{1};
}

SimClock::time_point TUsbFrames::NextFrameAfter(SimClock::time_point t) const {
    if (t < mOrigin) {
        return mOrigin;
    }
    const auto frames = (t - mOrigin) / kFrame;
    return mOrigin + (frames + 1) * kFrame;
}

SimClock::time_point TUsbFrames::Slot(SimClock::time_point ready,
                                      SimClock::time_point& previous) const {
    const SimClock::time_point slot = std::max(NextFrameAfter(ready), previous + kFrame);
    previous = slot;
    return slot;
}

} // namespace ardent::sim
