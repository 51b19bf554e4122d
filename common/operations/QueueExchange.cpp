#include "operations/QueueExchange.h"

#include <algorithm>
#include <utility>

namespace ardent {

TQueueExchange::TQueueExchange(TSendFunction send, TPacketQueue& replies)
    : fSend(std::move(send)), fQueue(replies) {}

TQueueExchange::TQueueExchange(TSendFunction send)
    : fSend(std::move(send)), fOwnQueue(std::make_unique<TPacketQueue>()), fQueue(*fOwnQueue) {}

bool TQueueExchange::Send(const TPacketFormat& request) {
    return fSend && fSend(request);
}

std::optional<TPacketFormat> TQueueExchange::Receive(std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const int waitMs = static_cast<int>(std::max<long long>(0, left.count()));
        TPacketFormat packet{};
        if (!fQueue.ItemsAvailable(waitMs) || !fQueue.Get(packet))
            return std::nullopt;
        if (packet.header.module != MODULE_EVENT)
            return packet;
    }
}

void TQueueExchange::DiscardPending() {
    TPacketFormat packet{};
    while (fQueue.GetCount() > 0 && fQueue.Get(packet)) {
    }
}

void TQueueExchange::Deliver(const TPacketFormat& packet) {
    fQueue.Put(packet);
}

} // namespace ardent
