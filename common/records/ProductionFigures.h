#pragma once
// The figures of the Production window: for the current shift, the pass rate of each channel,
// the chips burned per hour and the most frequent failure codes, from the station's burn
// records. A channel whose pass rate falls well below the others' is marked: that is how a worn
// socket shows itself.

#include "records/StationDatabase.h"

#include <array>
#include <chrono>
#include <string>
#include <vector>

namespace ardent::records {

using TTime = std::chrono::system_clock::time_point;

// [start, end) of the shift the figures cover.
struct TShift {
    TTime start;
    TTime end;
};

// The current shift at `now`: from the latest moment not after `now` at which the shift starts
// (`shiftStartMinutes` after local midnight), or the last 8 hours when no start is set (-1).
// A shift lasts at most 24 hours, so a start set once keeps giving today's shift.
TShift CurrentShift(TTime now, int shiftStartMinutes);

// One burned chip as the figures see it.
struct TBurnedChip {
    TTime time;
    int channel = 0; // 1..4
    bool passed = false;
    std::string codeName; // why it failed
};

struct TChannelYield {
    int chips = 0;
    int passed = 0;
    // Percent of chips that passed; 0 without chips.
    double passRate = 0;
    // Well below the others (see kWellBelowPoints and kLeastChips).
    bool wellBelow = false;
};

struct TCodeCount {
    std::string codeName;
    int count = 0;
    bool operator==(const TCodeCount&) const = default;
};

struct TProductionFigures {
    std::array<TChannelYield, 4> channels{};
    // Chips burned in each hour of the shift from its start, one entry per begun hour.
    std::vector<int> chipsPerHour;
    // The failure codes, the most frequent first (equal counts by name), at most kTopCodes.
    std::vector<TCodeCount> topFailures;
    int chips = 0;
};

// A channel is marked when it has at least kLeastChips chips in the shift and its pass rate is
// at least kWellBelowPoints percentage points below the mean pass rate of the other channels
// that have kLeastChips chips (and there is at least one such other channel). Fewer chips say
// nothing about a socket yet.
inline constexpr double kWellBelowPoints = 10.0;
inline constexpr int kLeastChips = 20;
inline constexpr size_t kTopCodes = 5;

// The figures of the chips of `shift` among `chips` (others are left out).
TProductionFigures ComputeFigures(const std::vector<TBurnedChip>& chips, const TShift& shift);

// The burned chips (kind 'burn') of `shift` in the station database; false with `error` set
// when they cannot be read.
bool LoadBurnedChips(TStationDatabase& database, const TShift& shift,
                     std::vector<TBurnedChip>& chips, std::string& error);

// The record time text ("2026-12-11T15:04:05.123Z") as a time; false for any other text.
bool ParseUtcTime(const std::string& text, TTime& time);

} // namespace ardent::records
