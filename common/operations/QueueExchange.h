#pragma once
// The exchange both programs use: requests leave through a send function (the tool's controller,
// the windowed program's send thread) and replies are taken from a packet queue (the tool's
// receive queue, or the queue of its own that a windowed handler is fed by the receive thread).

#include "operations/PacketExchange.h"
#include "protocol/ThreadSafeQueue.h"

#include <functional>
#include <memory>

namespace ardent {

class TQueueExchange : public IPacketExchange {
public:
    using TSendFunction = std::function<bool(const TPacketFormat&)>;
    using TPacketQueue = TThreadSafeQueue<TPacketFormat>;

    // Waits on `replies`, which the caller keeps alive (the tool's process-wide receive queue).
    TQueueExchange(TSendFunction send, TPacketQueue& replies);
    // Waits on a queue of its own, filled through Deliver (a windowed handler's waiting queue).
    explicit TQueueExchange(TSendFunction send);

    bool Send(const TPacketFormat& request) override;
    // Takes the oldest packet that arrives within `timeout`. Event reports of the programmer are
    // never answers: they are passed over and the wait goes on for what remains of `timeout`.
    std::optional<TPacketFormat> Receive(std::chrono::milliseconds timeout) override;
    void DiscardPending() override;
    void Deliver(const TPacketFormat& packet) override;

    TPacketQueue& Queue() { return fQueue; }

private:
    TSendFunction fSend;
    std::unique_ptr<TPacketQueue> fOwnQueue;
    TPacketQueue& fQueue;
};

} // namespace ardent
