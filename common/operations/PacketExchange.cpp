#include "operations/PacketExchange.h"

namespace ardent {

TExchangeResult ExchangeRequest(IPacketExchange& exchange, const TPacketFormat& request,
                                std::chrono::milliseconds wait) {
    TExchangeResult result;
    if (!exchange.Send(request))
        return result;
    const std::optional<TPacketFormat> reply = exchange.Receive(wait);
    if (!reply) {
        result.check = TReplyCheck::NoReply;
        return result;
    }
    result.reply = *reply;
    if (!ReplyMatches(request, *reply))
        result.check = TReplyCheck::Unexpected;
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
