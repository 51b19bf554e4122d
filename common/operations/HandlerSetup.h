#pragma once
// What a program chooses for its programmer handlers: the exchange its requests go through, how
// long each reply is waited for, the clock that may shorten those waits, and where the tool's
// console output goes (the windowed program prints nothing).

#include "operations/PacketExchange.h"
#include "operations/RequestTimeouts.h"
#include "operations/WaitClock.h"

#include <functional>
#include <string_view>

namespace ardent {

// Receives text exactly as it is to appear; line ends are part of the text.
using TTextSink = std::function<void(std::string_view text)>;

struct THandlerSetup {
    IPacketExchange& exchange;
    TRequestTimeouts timeouts;
    TWaitClock clock{};
    TTextSink output{};
};

// Progress of a long transfer: `done` of `total` bytes have been moved. The tool ignores it; the
// window shows it as a progress bar.
using TTransferProgress = std::function<void(size_t done, size_t total)>;

} // namespace ardent
