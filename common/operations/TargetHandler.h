#pragma once
// TTargetHandler: the target requests (module 2) - start a burn and take its result, read the
// IDs of the chip in a channel, read the IDs burned in a channel for the burn log. It shows
// nothing: each program presents the records itself.

#include "operations/HandlerSetup.h"
#include "protocol/PacketFormat.h"

#include <cstdint>

namespace ardent {

// The trigger byte of a TriggerTarget request (its data[0]). Each program sends its own value.
inline constexpr uint8_t kWindowedTriggerByte = 1;
inline constexpr uint8_t kToolTriggerByte = 0;

// How a request for a channel's IDs ended, with the record the programmer answered with.
struct TTargetIdReply {
    TReplyCheck check = TReplyCheck::NotSent;
    TProcessTargetSendId ids{}; // the answer's record whatever its status; zero without answer

    bool Answered() const {
        return check == TReplyCheck::Refused || check == TReplyCheck::Executed;
    }
    bool Executed() const { return check == TReplyCheck::Executed; }
};

class TTargetHandler {
public:
    explicit TTargetHandler(const THandlerSetup& setup);

    // Reads the IDs of one channel. A refused answer still carries the record that says why
    // the channel failed; an exchange that got no answer is noted with the exchange.
    TTargetIdReply ReadID(const TReadIDRequest& readRequest);
    // ReadID for callers that take only a read with status 0: true, and `targetId` filled, then;
    // `targetId` is left as it was otherwise.
    bool ReadID(const TReadIDRequest& readRequest, TProcessTargetSendId& targetId);
    // Hands the burn request with `triggerByte` over without waiting; WaitTriggerStatus takes
    // the result. False (noted with the exchange) when it could not be sent.
    bool TriggerTarget(uint8_t triggerByte);
    // Waits for the burn result, also one the programmer sends after its external trigger: the
    // result is the packet's status (0 = burn executed) and the record its data. Reports that
    // are no burn result (a reply to another target request that came late) are passed over;
    // no burn result within the wait gives kResultNoAnswer (-124) and a zero record, the
    // disconnect marker kResultLinkLost (-123, programmer gone) and a zero record. Both are
    // noted with the exchange.
    int32_t WaitTriggerStatus(TBurningStatusOverall& burningStatus);
    // The IDs burned in `channelNumber` (0..3), for the burn log; true when the programmer
    // answered with status 0.
    bool GetLoggerInformation(uint8_t channelNumber, TProcessTargetSendId& targetId);
    void ParseResponse(const TPacketFormat& packet);
    void ClearQueueBeforeOperation();

private:
    TExchangeResult ExecuteRequest(const TPacketFormat& request, std::chrono::milliseconds timeout);

    THandlerSetup fSetup;
};

} // namespace ardent
