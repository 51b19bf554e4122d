#pragma once
// What a program chooses for its programmer handlers: the exchange its requests go through, how
// long each reply is waited for, and the clock that may shorten those waits.

#include "operations/PacketExchange.h"
#include "operations/RequestTimeouts.h"
#include "operations/WaitClock.h"

#include <functional>

namespace ardent {

struct THandlerSetup {
    IPacketExchange& exchange;
    TRequestTimeouts timeouts;
    TWaitClock clock{};
};

// Progress of a long transfer: `done` of `total` bytes have been moved. The tool ignores it; the
// window shows it as a progress bar.
using TTransferProgress = std::function<void(size_t done, size_t total)>;

} // namespace ardent
