#pragma once
// The transport trace: when the environment variable ARDENT_TRACE names a file, the binding and
// the controller append to it, one whole line per event and each with a monotonic timestamp,
// which transport library was loaded (or why each candidate was not), every connect attempt and
// its outcome, and every report written and received as hex. A user sends the file along with a
// fault report. Off by default; then every call site costs one check of TraceEnabled() and
// formats nothing. Lines come from any thread (the library calls back on its own); a trace that
// cannot be opened or written never changes what the program does.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ardent {

// Whether a trace is being written. The first call opens the file ARDENT_TRACE names; when it
// cannot be opened, one line on standard error says so and the trace stays off.
bool TraceEnabled();
// Appends "<seconds since boot> <text>\n" as one write. Nothing when the trace is off.
void TraceLine(std::string_view text);
// Appends "<seconds since boot> <what> <count>: <hex bytes>" for a report of `count` bytes.
void TraceReport(std::string_view what, const uint8_t* data, size_t count);

// "01 a0 ff" for the bytes.
std::string HexBytes(const uint8_t* data, size_t count);

namespace testing_seam {
// Writes the trace to `path` from now on (as ARDENT_TRACE would); false when it cannot be
// opened. An empty path ends the trace.
bool SetTraceFile(const std::string& path);
} // namespace testing_seam

} // namespace ardent
