#pragma once
// Integer texts of the input files, in the integer grammar of utils/NumberChecks. Texts that
// must be numbers and are not raise NumberConversionError, which travels to the caller.

#include "utils/NumberChecks.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ardent {

// As StrToIntChecked / StrToInt64Checked, throwing NumberConversionError on a bad text.
int32_t StrToIntOrThrow(const std::string& text);
int64_t StrToInt64OrThrow(const std::string& text);

// A firmware version text ("0x01020304") as its bytes: lower-cased, every "0x" removed, then
// one byte per pair of hexadecimal digits, first pair first; an odd last digit is dropped.
// False (and `bytes` unchanged) when a pair is not hexadecimal or there are more than
// kMaxVersionBytes bytes.
inline constexpr size_t kMaxVersionBytes = 16;
bool VersionTextToBytes(const std::string& text, std::vector<uint8_t>& bytes);

} // namespace ardent
