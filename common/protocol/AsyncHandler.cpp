#include "protocol/AsyncHandler.h"

#include "protocol/NotificationSink.h"

namespace ardent {

int TAsyncHandler::ParseResponse(const TPacketFormat& packet) const {
    switch (packet.header.opCode) {
    case EventOp::ExternalTriggerEvent:
        return NOTIFY_EXTERNAL_TRIGGER;
    case EventOp::SdCardEvent:
        if (fSdCardListener)
            fSdCardListener(packet.data[0]);
        return NOTIFY_SD_CARD;
    default:
        return NOTIFY_UNKNOWN_EVENT;
    }
}

} // namespace ardent
