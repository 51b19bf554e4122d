#pragma once
// One chip sitting in a programmer channel: its family, the IDs it answers with and what the next
// burns of it will do. A chip that passes a burn carries the configuration's after-burning IDs
// from then on, as a burned OTP part does.

#include "ImageSummary.h"
#include "protocol/PacketFormat.h"
#include "utils/TargetFamily.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ardent::sim {

// Error codes the simulated programmer reports of its own accord.
inline constexpr uint16_t kCodeSync = 4;             // nothing answers on the channel
inline constexpr uint16_t kCodeInactive = 45;        // channel not selected
inline constexpr uint16_t kCodeStoreConfig = 48;     // store sequence out of order or too big
inline constexpr uint16_t kCodeConfigNotLoaded = 53; // no configuration stored
inline constexpr uint16_t kCodeIllegalCommand = 58;  // request the programmer does not know
inline constexpr uint16_t kCodeWrongCrc = 81;        // image CRC differs from the announced one
inline constexpr uint16_t kCodeNoSelectedChannels = 83;
inline constexpr uint16_t kCodeWrongTargetType = 84; // chip family differs from the request's
inline constexpr uint16_t kCodeWrongVersion = 85;    // not a current configuration image

// What one burn of a chip does.
struct TBurnVerdict {
    enum class Kind : uint8_t { Pass, Fail, Absent };
    Kind kind = Kind::Pass;
    uint16_t errorCode = 0; // Fail only
    bool operator==(const TBurnVerdict&) const = default;
};

// "pass", "absent", "fail <code>" (code decimal or 0x hex, 1..65535). False on anything else.
bool ParseVerdict(const std::string& text, TBurnVerdict& verdict);
std::string VerdictText(const TBurnVerdict& verdict);

// Every ID any family's record carries; each family reads the fields of its own record.
struct TChipIds {
    uint32_t deviceID = 0;              // DP2B
    uint64_t firmwareID = 0;            // DP2B
    uint32_t customerID = 0;            // DP2B
    uint64_t patchID = 0;               // DP2B (low 16 bits), DP3B
    uint16_t parameterID = 0;           // all
    uint16_t romID = 0;                 // DP2B
    uint64_t chipId = 0;                // DP3B
    std::vector<uint8_t> firmwareBytes; // DP3B firmware ID, at most 12 bytes
};

// The family number of a blank part of no stated family.
inline constexpr uint8_t kBlankFamily = 0;

class TVirtualChip {
public:
    // A blank chip of `family` (a family number) that passes its burns. kBlankFamily is a
    // blank part of whichever family a request or a configuration names; its first burn fixes it.
    static TVirtualChip Blank(uint8_t family);
    // No chip in the socket: nothing answers.
    static TVirtualChip Absent();

    bool IsPresent() const { return mPresent; }
    uint8_t Family() const { return mFamily; }
    // Whether the chip talks the protocol of `family`.
    bool AcceptsFamily(uint8_t family) const {
        return mFamily == kBlankFamily || mFamily == family;
    }
    TChipIds& Ids() { return mIds; }
    const TChipIds& Ids() const { return mIds; }

    // Verdicts of the next burns, in order; the last one holds for every later burn. Never empty.
    void SetVerdicts(std::vector<TBurnVerdict> verdicts);
    const std::vector<TBurnVerdict>& Verdicts() const { return mVerdicts; }
    // The verdict of the burn happening now.
    TBurnVerdict TakeVerdict();

    // The chip was burned as a `family` part with `after`: every after-burning ID the
    // configuration carries now reads back from the chip.
    void ApplyBurn(uint8_t family, const TAfterBurnIds& after);

    // The reply record of an ID read of this chip in `channel` (0..3) as a `family` part: its IDs
    // when it is present and of that family, otherwise a failed channel with the reason.
    TProcessTargetSendId IdRecord(uint8_t channel, uint8_t family) const;

    // "DP2A", "DP2B", "DP3B", "blank" or "absent".
    std::string Describe() const;

private:
    bool mPresent = false;
    uint8_t mFamily = kBlankFamily;
    TChipIds mIds;
    std::vector<TBurnVerdict> mVerdicts{TBurnVerdict{}};
};

// The family name of a family number for the simulator's texts; "unknown" for a number that
// names no family.
std::string FamilyName(uint8_t family);

} // namespace ardent::sim
