#pragma once
// Version numbers as text: the programmer's firmware version, version IDs of the tables and
// the running program's own version.

#include <cstdint>
#include <string>

namespace ardent {

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

} // namespace ardent
