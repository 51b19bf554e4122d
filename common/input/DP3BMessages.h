#pragma once
// The fixed texts of the codes that DP3B file loading returns (0 is success).

#include <string_view>

namespace ardent {

namespace DP3BCode {
inline constexpr int Ok = 0;
inline constexpr int ParseFailed = 1;
inline constexpr int MissingFirmwareVersion = 2;
inline constexpr int NoPatchOrParameters = 3;
inline constexpr int MissingCrc = 4;
inline constexpr int MissingPatchVersion = 5;
inline constexpr int FirmwareVersionsDiffer = 6;
} // namespace DP3BCode

// The text of `code` (1 to 6); empty for any other code.
std::string_view GetDP3BMessage(int code);

} // namespace ardent
