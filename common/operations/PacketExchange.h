#pragma once
// The exchange of one request with the programmer: send it, wait for the next packet, check that
// it answers the request. Each program composes its own IPacketExchange (where requests go, where
// replies come from, what a failed wait leaves behind); the request layouts live once in the
// handlers that use it.

#include "operations/WaitClock.h"
#include "protocol/PacketFormat.h"

#include <chrono>
#include <optional>

namespace ardent {

// How one exchange ended.
enum class TReplyCheck {
    NotSent,    // the programmer is not connected or refused the write
    NoReply,    // nothing arrived within the wait
    Unexpected, // a packet arrived that does not answer the request (a marker, another request)
    Refused,    // the answer came with a non-zero status
    Executed,   // the answer came with status 0
};

struct TExchangeResult {
    TReplyCheck check = TReplyCheck::NotSent;
    TPacketFormat reply{}; // the packet taken (all zero when none arrived)

    // The reply repeats the request's module and opCode, whatever its status.
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
    // Drops packets that arrived late for an earlier operation.
    virtual void DiscardPending() = 0;
    // A packet routed to this handler by a receive thread.
    virtual void Deliver(const TPacketFormat& packet) = 0;
    // What a failed exchange (not sent, no reply, unexpected packet) leaves behind besides the
    // operation's false result: nothing in the windowed program, the tool's result code in the
    // command-line tool.
    virtual void NoteFailure(const TExchangeResult& failure) { (void)failure; }
};

// Sends `request`, waits up to `wait` and classifies what arrived. Records nothing.
TExchangeResult ExchangeRequest(IPacketExchange& exchange, const TPacketFormat& request,
                                std::chrono::milliseconds wait);

// The handlers' exchange step: ExchangeRequest with the wait `nominal` as `clock` shortens it;
// a failure that got no answer is noted with the exchange.
TExchangeResult ExecuteRequest(IPacketExchange& exchange, const TWaitClock& clock,
                               const TPacketFormat& request, std::chrono::milliseconds nominal);

} // namespace ardent
