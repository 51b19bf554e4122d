#include "operations/PacketExchange.h"

#include <algorithm>

namespace ardent {

std::optional<TPacketFormat> ReceiveAnswer(IPacketExchange& exchange, const TPacketFormat& request,
                                           std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + wait;
    std::chrono::milliseconds left = wait;
    for (;;) {
        std::optional<TPacketFormat> packet = exchange.Receive(left);
        if (!packet || AnswersRequest(request, *packet) || IsLinkLostMarker(*packet))
            return packet;
        // Taking it would print another channel's IDs or another request's data as this one's.
        // Once the wait is over, what is queued already is still looked at: the answer may have
        // come right behind the late reply.
        left = std::max(std::chrono::milliseconds::zero(),
                        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
    }
}

TExchangeResult ExchangeRequest(IPacketExchange& exchange, const TPacketFormat& request,
                                std::chrono::milliseconds wait) {
    TExchangeResult result;
    exchange.DiscardPending();
    if (!exchange.Send(request))
        return result;
    const std::optional<TPacketFormat> reply = ReceiveAnswer(exchange, request, wait);
    if (!reply) {
        result.check = TReplyCheck::NoReply;
        return result;
    }
    result.reply = *reply;
    if (IsLinkLostMarker(*reply))
        result.check = TReplyCheck::LinkLost;
    else
        result.check = reply->header.status == 0 ? TReplyCheck::Executed : TReplyCheck::Refused;
    return result;
}

TExchangeResult ExecuteRequest(IPacketExchange& exchange, const TWaitClock& clock,
                               const TPacketFormat& request, std::chrono::milliseconds nominal) {
    TExchangeResult result = ExchangeRequest(exchange, request, clock.Wait(nominal));
    if (!result.Answered())
        exchange.NoteFailure(result);
    return result;
}

} // namespace ardent
