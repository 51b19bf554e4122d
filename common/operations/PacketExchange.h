#pragma once
// The exchange of one request with the programmer: drop what came for earlier requests, send it,
// wait for its answer. Each program composes its own IPacketExchange (where requests go, where
// replies come from, what a failed wait leaves behind); the request layouts live once in the
// handlers that use it.

#include "operations/WaitClock.h"
#include "protocol/PacketFormat.h"

#include <chrono>
#include <cstdint>
#include <optional>

namespace ardent {

// How one exchange ended.
enum class TReplyCheck {
    NotSent,  // the programmer is not connected or refused the write
    NoReply,  // no answer arrived within the wait (packets that answer nothing were passed over)
    LinkLost, // the programmer went away during the wait (its disconnect marker arrived)
    Refused,  // the answer came with a non-zero status
    Executed, // the answer came with status 0
};

// The results a wait for the programmer ends with when no answer came, in both programs: no
// answer within the wait, or the programmer went away.
inline constexpr int32_t kResultNoAnswer = -124;
inline constexpr int32_t kResultLinkLost = -123;

struct TExchangeResult {
    TReplyCheck check = TReplyCheck::NotSent;
    TPacketFormat reply{}; // the answer or the marker taken (all zero when none arrived)

    // The answer to the request came (AnswersRequest), whatever its status.
    bool Answered() const {
        return check == TReplyCheck::Refused || check == TReplyCheck::Executed;
    }
    bool Executed() const { return check == TReplyCheck::Executed; }
};

class IPacketExchange {
public:
    virtual ~IPacketExchange() = default;

    // Hands the request to the programmer; false when it cannot be sent.
    virtual bool Send(const TPacketFormat& request) = 0;
    // Waits up to `timeout` for the next packet meant for this handler and takes it.
    virtual std::optional<TPacketFormat> Receive(std::chrono::milliseconds timeout) = 0;
    // Drops packets that arrived late for an earlier request (every exchange does so before it
    // sends its request).
    virtual void DiscardPending() = 0;
    // A packet routed to this handler by a receive thread.
    virtual void Deliver(const TPacketFormat& packet) = 0;
    // What a failed exchange (not sent, no reply, link lost) leaves behind besides the
    // operation's false result: nothing in the windowed program, the tool's result code in the
    // command-line tool.
    virtual void NoteFailure(const TExchangeResult& failure) { (void)failure; }
};

// Waits up to `wait` for the answer to `request` (AnswersRequest) and takes it. Anything else
// that arrives meanwhile - a reply that came too late for an earlier request, a reply for
// another channel - is passed over and the wait goes on for what remains of `wait`; only the
// marker of a lost link ends it early, and is given back. Nothing when the wait ran out.
std::optional<TPacketFormat> ReceiveAnswer(IPacketExchange& exchange, const TPacketFormat& request,
                                           std::chrono::milliseconds wait);

// Drops what is queued (it came for earlier requests), sends `request`, takes its answer
// (ReceiveAnswer) and classifies it. Records nothing.
TExchangeResult ExchangeRequest(IPacketExchange& exchange, const TPacketFormat& request,
                                std::chrono::milliseconds wait);

// The handlers' exchange step: ExchangeRequest with the wait `nominal` as `clock` shortens it;
// a failure that got no answer is noted with the exchange.
TExchangeResult ExecuteRequest(IPacketExchange& exchange, const TWaitClock& clock,
                               const TPacketFormat& request, std::chrono::milliseconds nominal);

} // namespace ardent
