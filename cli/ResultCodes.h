#pragma once
// The results of an ArdentCmd run: the tool's own failure codes with their fixed messages, and
// how a 32-bit result becomes the 8-bit exit status the caller sees.

#include "operations/PacketExchange.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ardent {

constexpr int32_t ERROR_PROG_CONNECT = -127;
constexpr int32_t ERROR_FILE_CFG = -126;
constexpr int32_t ERROR_UNEX_INPUT = -125;
constexpr int32_t ERROR_CONN_TIMEOUT = kResultNoAnswer;
constexpr int32_t ERROR_PROG_DISCONNECTED = kResultLinkLost;
constexpr int32_t ERROR_CFG_NOT_LOADED = -122;
constexpr int32_t ERROR_PROG_RUNNING = -121;
constexpr int32_t ERROR_DEVICE_NOT_SUPPORTED = -120;
constexpr int32_t ERROR_INVALID_PARAMETERS = -119;
// An error escaped to the top-level handler while the result was still 0. A line script must
// never read success there, so the run ends with this code (exit status 138). It has no message
// line: the handler's own line ("<error type>: <message>") says what happened.
constexpr int32_t ERROR_UNHANDLED = -118;

// The message lines of the results -128 to -119, indexed by result + 128.
inline constexpr std::array<std::string_view, 10> ResultMessageTable = {
    "Operation completed successfully.",
    "Operation completed with: ERROR_PROG_CONNECT",
    "Operation completed with: ERROR_FILE_CFG",
    "Operation completed with: ERROR_UNEX_INPUT",
    "Operation completed with: ERROR_CONN_TIMEOUT",
    "Operation completed with: ERROR_PROG_DISCONNECTED",
    "Operation completed with: ERROR_CFG_NOT_LOADED",
    "Operation completed with: ERROR_PROG_RUNNING",
    "Operation completed with: Device is not supported!",
    "Operation completed with: Invalid command parameters!",
};

inline constexpr std::string_view kOperationFailed = "Operation failed.";
inline constexpr std::string_view kOperationSucceeded = "Operation completed successfully.";

// The table message of `result`, or nothing when the result lies outside -128 to -119.
std::optional<std::string_view> ResultMessage(int32_t result);

// The exit status of a run that ended with `result`: 0 for 0; the low byte for -128 to -1
// (-125 exits with 131, ERROR_UNHANDLED with 138); 1 to 123 as they are; 124 for every other
// value (per-channel bit patterns, a CRC in the top half), which the result file carries in full.
int ExitStatusFromResult(int32_t result);

// Writes `result` in decimal, followed by a line break, to `fileName`. A regular file, or the one
// a symbolic link leads to, is replaced atomically (the link stays); our own standard output, a
// device or a pipe (such as /dev/stdout) is written in place
// without waiting for a reader. Never throws: the result file must not change the outcome of the
// run. False when the result could not be written.
bool WriteResultFile(const char* fileName, int32_t result) noexcept;

// Writes `text` to `fileName` as the result file is written (a regular file replaced atomically,
// a link, device or pipe written in place). Never throws; false, with the reason in `failure`,
// when it could not be written.
bool WriteRunFile(const char* fileName, const std::string& text, std::string& failure) noexcept;

// Empties `fileName` when it is (or a link leads to) a regular file other than our own standard
// output, so a run that is killed leaves an empty result file rather than the last run's value.
// A missing file is not created; a pipe or device is not touched (a reader of a pipe must not
// see an early end). Never throws; false when nothing was emptied.
bool ClearResultFile(const char* fileName) noexcept;

} // namespace ardent
