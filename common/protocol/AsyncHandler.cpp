#include "protocol/AsyncHandler.h"

#include "protocol/NotificationSink.h"

namespace ardent {

TNotification TAsyncHandler::ParseResponse(const TPacketFormat& packet) const {
    switch (packet.header.opCode) {
    case EventOp::ExternalTriggerEvent:
        return TNotification::ExternalTrigger;
    case EventOp::SdCardEvent:
        if (fSdCardListener)
            fSdCardListener(packet.data[0]);
        return TNotification::SdCardChanged;
    default:
        return TNotification::NoAction;
    }
}

} // namespace ardent
