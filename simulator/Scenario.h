#pragma once
// The starting state of a simulated programmer, read from a scenario file: firmware version, SD
// card, burn duration, an optional configuration already stored, and the chip in each channel.
//
// The file is line-based. Blank lines and lines starting with '#' or ';' are ignored. Keys before
// the first section describe the programmer; "[channel N]" (N = 1..4) starts the settings of the
// chip in channel N. Each setting is "key = value":
//
//   firmware = 1.7.0          version as shown (hex parts) or as a number (0x010700)
//   sd-card = inserted        inserted | removed
//   burn-time-ms = 0          how long a burn takes before its result is sent
//   image = stored.cfg        configuration image the programmer holds at start (checked)
//
//   [channel 2]
//   chip = DP2B               blank | DP2A | DP2B | DP3B | absent
//   deviceID = 0x12345678     IDs: deviceID firmwareID customerID patchID parameterID romID
//   parameterID = 0x00AB           chipId (numbers, decimal or 0x hex), firmwareBytes (hex
//   firmwareBytes = 010203         bytes in order, DP3B, at most 12)
//   verdicts = fail 61, pass  the next burns in order (pass | fail <code> | absent); the last
//                             one holds for every later burn
//
// Without a file every channel holds a blank chip (of any family) that passes.

#include "VirtualChip.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ardent::sim {

struct TScenario {
    uint32_t firmwareVersion = 0x010700;
    bool cardInserted = false;
    uint32_t burnTimeMs = 0;
    std::optional<std::string> imagePath; // as written; resolved against the scenario's folder
    std::array<TVirtualChip, kChannelCount> chips{TVirtualChip::Blank(0), TVirtualChip::Blank(0),
                                                  TVirtualChip::Blank(0), TVirtualChip::Blank(0)};
};

// Reads a scenario text. False with "line N: reason" in `error` on the first line it cannot use.
bool ParseScenario(std::string_view text, TScenario& scenario, std::string& error);

// Applies one chip setting ("chip", an ID name or "verdicts"); false with a reason in `error`.
// Shared by the scenario file and the control command "chip".
bool ApplyChipSetting(TVirtualChip& chip, const std::string& key, const std::string& value,
                      std::string& error);

// Reads "pass, fail 61, absent" into verdicts; false on an empty list or a bad item.
bool ParseVerdictList(const std::string& text, std::vector<TBurnVerdict>& verdicts);

} // namespace ardent::sim
