// The simulated programmer's request decoder: any bytes a host sends, cut into reports of up to
// 64 bytes and fed to one programmer in turn, so store and read sequences build up state.

#include "ProgrammerEngine.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ardent::sim::TProgrammerEngine engine;
    std::span<const uint8_t> bytes(data, size);
    while (!bytes.empty()) {
        // The first byte of each chunk says how long the report is, so short reports occur too.
        const size_t length = std::min<size_t>(bytes.size() - 1, bytes[0] % 65);
        engine.HandleRequest(bytes.subspan(1, length));
        bytes = bytes.subspan(1 + length);
    }
    engine.PressExternalTrigger();
    return 0;
}
