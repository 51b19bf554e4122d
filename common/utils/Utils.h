#pragma once
// Small shared utilities of both programs: the configuration checksum, whole-file reads and
// atomic whole-file writes, and the text helpers that show versions and IDs.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace ardent {

using Bytes = std::vector<uint8_t>;

// The configuration checksum: CRC-16, polynomial 0x100B, initial 0, no final XOR, each byte fed
// least significant bit first into a register shifting towards its top bit. Counts at most
// `count` bytes of `data` (never more than data holds).
uint16_t ComputeCrc16(std::span<const uint8_t> data, uint16_t count);
// The same checksum over all of `data`, for images of any length (the loaders and the benchmark).
uint16_t ComputeCrc16(std::span<const uint8_t> data);

// False when the file does not exist or cannot be read; otherwise the whole file in `data`.
bool LoadFileToBuffer(const std::string& fileName, Bytes& data);

// Replaces (or creates) `fileName` with the first `count` bytes of `data`. The bytes go to a
// temporary file beside it, are flushed to disk and renamed over the old file, so a failure
// leaves any old file whole. A read-only file is refused. Throws FileSystemError naming the file
// and the system's reason; returns true once written.
bool SaveBufferToFile(const std::string& fileName, const uint8_t* data, size_t count);
bool SaveBufferToFile(const std::string& fileName, std::span<const uint8_t> data);

// Whether two texts are equal when ASCII letter case is ignored (option words, device names,
// executable names).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Cuts `text` before its first zero character. An empty text stays as it is.
void TrimAtNul(std::string& text);

// `text` with every control byte (below 0x20, and 0x7F) shown as "?", so a name taken from a
// file or the programmer can neither steer a terminal nor add lines to the output or a log.
std::string ShowableText(std::string_view text);

// Bits 16-23, 8-15 and 0-7 as uppercase hex without leading zeros, joined by ".": 0x00010A03
// gives "1.A.3".
std::string FormatVersion(uint32_t version);
// The character pairs of `text` in reverse order: "01020304" gives "04030201". An odd last
// character is kept as a pair of its own.
std::string SwapHexBytes(const std::string& text);
// Lower-cases, removes every "0x", swaps the byte pairs and prefixes "0x".
std::string NormalizeHexVersion(const std::string& text);
// "major.minor.release" of the running program's version record; empty when it has none.
std::string GetProgramVersion();

// True when `text` ends in one or two digits, a point and one digit ("[0-9]{1,2}\.[0-9]$").
bool IsOneDecimalNumber(const std::string& text);
// False unless IsOneDecimalNumber holds and the whole text converts to a float.
bool StrToSingleChecked(const std::string& text, float& value);
// Converts the whole text as a 32-bit integer (decimal, or hex with "$" or "0x") and keeps its
// low 16 bits; false when the text is not such a number.
bool StrToWordChecked(const std::string& text, uint16_t& value);
// Converts the whole text as a 32-bit integer (decimal, or hex with "$", "0x" or "0X");
// false when the text is not such a number or lies outside the 32-bit range.
bool StrToIntChecked(const std::string& text, int32_t& value);

namespace testing_seam {
// The write call SaveBufferToFile uses; tests swap it to make a write fail part-way.
using WriteFunction = ssize_t (*)(int fd, const void* data, size_t count);
void SetWriteFunction(WriteFunction write);
void ResetWriteFunction();
} // namespace testing_seam

} // namespace ardent
