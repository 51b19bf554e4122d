#pragma once
// Number texts of the command line, the settings and the input files. Integers have one grammar
// everywhere: decimal with an optional sign, or hexadecimal with a "$", "0x" or "0X" prefix and
// at most 16 digits, where a hexadecimal text names a bit pattern. No blanks, no empty digits.

#include <cstdint>
#include <string>
#include <string_view>

namespace ardent {

// True when `text` ends in one or two digits, a point and one digit ("[0-9]{1,2}\.[0-9]$").
bool IsOneDecimalNumber(const std::string& text);
// False unless IsOneDecimalNumber holds and the whole text converts to a float.
bool StrToSingleChecked(const std::string& text, float& value);

// The whole text as a 64-bit integer; "$FFFFFFFFFFFFFFFF" is -1. False when the text is not such
// a number.
bool StrToInt64Checked(std::string_view text, int64_t& value);
// The whole text as a 32-bit integer: decimal within the 32-bit range, or hexadecimal of at most
// 32 bits ("$FFFFFFFF" is -1). False when the text is not such a number.
bool StrToIntChecked(const std::string& text, int32_t& value);

// The value of one hexadecimal digit; -1 when `c` is none.
int HexDigit(char c);
// The value of a run of hexadecimal digits (at most 16) that a line pattern has already checked.
uint64_t HexDigitsValue(std::string_view digits);

} // namespace ardent
