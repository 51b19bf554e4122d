#pragma once
// Integer texts of the input files: decimal, or hexadecimal with a "$" or "0x" prefix. Texts that
// must be numbers and are not raise NumberConversionError, which travels to the caller.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ardent {

// The whole text as a 64-bit integer; hexadecimal texts (up to 16 digits) name a bit pattern,
// so "$FFFFFFFFFFFFFFFF" is -1. False when the text is not such a number.
bool StrToInt64Checked(std::string_view text, int64_t& value);

// As StrToIntChecked / StrToInt64Checked, throwing NumberConversionError on a bad text.
int32_t StrToIntOrThrow(const std::string& text);
int64_t StrToInt64OrThrow(const std::string& text);

// A firmware version text ("0x01020304") as its bytes: lower-cased, every "0x" removed, then
// one byte per pair of hexadecimal digits, first pair first; an odd last digit is dropped.
// False (and `bytes` unchanged) when a pair is not hexadecimal or there are more than
// kMaxVersionBytes bytes.
inline constexpr size_t kMaxVersionBytes = 16;
bool VersionTextToBytes(const std::string& text, std::vector<uint8_t>& bytes);

// The value of a run of hexadecimal digits (at most 16) that a line pattern has already checked.
uint64_t HexDigitsValue(std::string_view digits);

} // namespace ardent
