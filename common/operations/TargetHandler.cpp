#include "operations/TargetHandler.h"

namespace ardent {

TTargetHandler::TTargetHandler(const THandlerSetup& setup) : fSetup(setup) {}

TExchangeResult TTargetHandler::ExecuteRequest(const TPacketFormat& request,
                                               std::chrono::milliseconds timeout) {
    return ardent::ExecuteRequest(fSetup.exchange, fSetup.clock, request, timeout);
}

TTargetIdReply TTargetHandler::ReadID(const TReadIDRequest& readRequest) {
    const TExchangeResult result = ExecuteRequest(
        MakeRequest(MODULE_TARGET, TargetOp::ReadID, readRequest), fSetup.timeouts.readId);
    TTargetIdReply reply;
    reply.check = result.check;
    if (result.Answered())
        reply.ids = ReadRecord<TProcessTargetSendId>(result.reply);
    return reply;
}

bool TTargetHandler::ReadID(const TReadIDRequest& readRequest, TProcessTargetSendId& targetId) {
    const TTargetIdReply reply = ReadID(readRequest);
    if (!reply.Executed())
        return false;
    targetId = reply.ids;
    return true;
}

bool TTargetHandler::TriggerTarget(uint8_t triggerByte) {
    if (fSetup.exchange.Send(MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, triggerByte)))
        return true;
    fSetup.exchange.NoteFailure(TExchangeResult{TReplyCheck::NotSent});
    return false;
}

int32_t TTargetHandler::WaitTriggerStatus(TBurningStatusOverall& burningStatus) {
    burningStatus = {};
    // Either burn's result is a TriggerTarget reply, the one of the external trigger too.
    const std::optional<TPacketFormat> packet =
        ReceiveAnswer(fSetup.exchange, MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget),
                      fSetup.clock.Wait(fSetup.timeouts.burnResult));
    if (!packet) {
        fSetup.exchange.NoteFailure(TExchangeResult{TReplyCheck::NoReply});
        return kResultNoAnswer;
    }
    // The disconnect marker carries no burn result; taking its bytes for one could read as a
    // burn that passed.
    if (IsLinkLostMarker(*packet)) {
        fSetup.exchange.NoteFailure(TExchangeResult{TReplyCheck::LinkLost, *packet});
        return kResultLinkLost;
    }
    burningStatus = ReadRecord<TBurningStatusOverall>(*packet);
    return packet->header.status;
}

bool TTargetHandler::GetLoggerInformation(uint8_t channelNumber, TProcessTargetSendId& targetId) {
    const TExchangeResult result =
        ExecuteRequest(MakeRequest(MODULE_TARGET, TargetOp::GetLoggerInformation, channelNumber),
                       fSetup.timeouts.loggerInformation);
    if (!result.Executed())
        return false;
    targetId = ReadRecord<TProcessTargetSendId>(result.reply);
    return true;
}

void TTargetHandler::ParseResponse(const TPacketFormat& packet) {
    fSetup.exchange.Deliver(packet);
}

void TTargetHandler::ClearQueueBeforeOperation() {
    fSetup.exchange.DiscardPending();
}

} // namespace ardent
