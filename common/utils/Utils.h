#pragma once
// Small shared utilities of both programs: the configuration checksum, whole-file reads and
// atomic whole-file writes, and the text helpers that show versions and IDs.

#include <cstddef>
#include <cstdint>
#include <limits>
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

// The bound of LoadFileToBuffer for files of a kind without a largest valid size.
inline constexpr size_t kAnyFileSize = std::numeric_limits<size_t>::max();

// Reads the whole of `fileName` into `data`, when it is a regular file of at most `maxSize`
// bytes. The file is opened without blocking and judged by its fstat before a byte is read, so a
// FIFO, device, socket or folder is refused at once and an oversized file costs no memory. False,
// with `data` unchanged, when the file is missing, unreadable or refused; `failure` then says why
// in one sentence that names the file ("Cannot read file "x". It is not a regular file.").
bool ReadRegularFile(const std::string& fileName, size_t maxSize, Bytes& data,
                     std::string& failure);
// The same without the reason: false when the file does not exist, cannot be read or is refused.
bool LoadFileToBuffer(const std::string& fileName, Bytes& data, size_t maxSize = kAnyFileSize);

// Replaces (or creates) `fileName` with the first `count` bytes of `data`. A symbolic link is
// followed: the file it leads to is replaced and the link stays. The bytes go to a temporary
// file beside that file, are flushed to disk and renamed over it, and the folder is flushed, so
// a failure or a crash leaves either the old or the new file whole. A new file gets mode 0666
// less the umask, a replaced one keeps its mode; a read-only file is refused. Temporary files of
// this file that writers which have since died left behind are removed after a successful write.
// Throws FileSystemError naming the file and the system's reason; returns true once written.
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
