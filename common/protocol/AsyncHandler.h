#pragma once
// TAsyncHandler: interprets the programmer's unsolicited event reports (module 5) for the
// windowed program and names the notification each one raises.

#include "protocol/NotificationSink.h"
#include "protocol/PacketFormat.h"

#include <cstdint>
#include <functional>

namespace ardent {

class TAsyncHandler {
public:
    // Receives data[0] of an SdCardEvent (1 = card inserted, 0 = none); in the windowed program
    // the programmer model's SetSdCardDetected.
    using SdCardListener = std::function<void(uint8_t cardState)>;

    explicit TAsyncHandler(SdCardListener sdCardListener = {})
        : fSdCardListener(std::move(sdCardListener)) {}

    // ExternalTriggerEvent: ExternalTrigger. SdCardEvent: passes data[0] to the listener, then
    // SdCardChanged. Any other opCode: NoAction.
    TNotification ParseResponse(const TPacketFormat& packet) const;

private:
    SdCardListener fSdCardListener;
};

} // namespace ardent
