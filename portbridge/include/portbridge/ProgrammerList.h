#pragma once
// An optional export of a transport library: the programmers it can see. A host looks it up with
// dlsym after loading the library; a library without it still works (the host then says that
// listing is not supported by that library), so third-party transports need not change.
//
// Which programmer a library connects to is chosen by the environment variable
// ARDENT_PROGRAMMER, read by the library: a USB serial number or a device path. Without it, a
// library connects only when exactly one programmer is connected; with several it connects to
// none, so that no program guesses.

#include <cstdint>

extern "C" {

struct ArdentProgrammerEntry {
    char serial[64];    // USB serial number, NUL-terminated; "" when the device reports none
    char path[256];     // device path (hidraw node, or the simulated programmer's socket)
    int32_t accessible; // 1 = this user may open it, 0 = the device refuses this user
    int32_t reserved;   // 0
};

// Fills up to `capacity` entries (entries may be nullptr when capacity is 0) and returns how many
// programmers are connected, which may be more than capacity; -1 when the library could not look.
// Callable before or after connecting, from any thread; it never opens a device for writing.
int32_t ArdentListProgrammers(ArdentProgrammerEntry* entries, int32_t capacity);
}

namespace ardent::portbridge {
inline constexpr char kListProgrammersExport[] = "ArdentListProgrammers";
using ListProgrammersFunction = int32_t (*)(ArdentProgrammerEntry* entries, int32_t capacity);
} // namespace ardent::portbridge
