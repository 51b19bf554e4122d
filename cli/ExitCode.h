#pragma once
// The one process-wide result of an ArdentCmd run: 0 at start, written by the options (0 after
// the usage text or the version), by the programmer waits (time-out, disconnection) and finally
// by the entry; read by the entry after the operation thread has ended.

#include <atomic>
#include <cstdint>

namespace ardent {

inline std::atomic<int32_t>& ProcessExitCode() {
    static std::atomic<int32_t> exitCode{0};
    return exitCode;
}

} // namespace ardent
