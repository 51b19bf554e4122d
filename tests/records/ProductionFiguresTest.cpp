#include "records/ProductionFigures.h"
#include "records/BurnRecord.h"
#include "records/RecordStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <unistd.h>

namespace ardent::records {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;
using std::chrono::minutes;

TTime At(int64_t sinceEpochMs) {
    return TTime(milliseconds(sinceEpochMs));
}

// 2009-02-13T23:31:30.123Z
const TTime kNoon = At(1234567890123);

// `chips` chips on `channel`, of which the first `passed` pass; the others fail with `code`.
void AddChips(std::vector<TBurnedChip>& out, int channel, int chips, int passed,
              const std::string& code = "Error = SYNC") {
    for (int i = 0; i < chips; ++i) {
        out.push_back({kNoon - minutes(1), channel, i < passed, i < passed ? "OK" : code});
    }
}

TEST(ProductionFiguresTest, AChannelWellBelowTheOthersIsMarked) {
    const struct {
        const char* what;
        std::array<std::pair<int, int>, 4> chipsAndPassed;
        std::array<bool, 4> marked;
    } cases[] = {
        {"15 points below the mean of the others",
         {{{20, 19}, {20, 19}, {20, 16}, {10, 5}}},
         {false, false, true, false}},
        {"exactly 10 points below",
         {{{20, 19}, {20, 19}, {20, 17}, {0, 0}}},
         {false, false, true, false}},
        {"5 points below", {{{20, 19}, {20, 19}, {20, 18}, {0, 0}}}, {false, false, false, false}},
        {"too few chips to judge a socket",
         {{{20, 20}, {20, 20}, {19, 0}, {0, 0}}},
         {false, false, false, false}},
        {"no other channel to compare with",
         {{{40, 10}, {5, 5}, {0, 0}, {0, 0}}},
         {false, false, false, false}},
        {"all equally poor",
         {{{30, 15}, {30, 15}, {30, 15}, {30, 15}}},
         {false, false, false, false}},
    };
    for (const auto& c : cases) {
        std::vector<TBurnedChip> chips;
        for (int channel = 0; channel < 4; ++channel) {
            AddChips(chips, channel + 1, c.chipsAndPassed[channel].first,
                     c.chipsAndPassed[channel].second);
        }
        const TProductionFigures figures = ComputeFigures(chips, {kNoon - hours(8), kNoon});
        for (int channel = 0; channel < 4; ++channel) {
            EXPECT_EQ(figures.channels[channel].wellBelow, c.marked[channel])
                << c.what << ", channel " << channel + 1;
        }
    }
}

TEST(ProductionFiguresTest, PassRatesCountOnlyTheShiftsChips) {
    std::vector<TBurnedChip> chips;
    AddChips(chips, 1, 4, 3);
    AddChips(chips, 2, 2, 0);
    chips.push_back({kNoon - hours(9), 1, false, "Error = SYNC"}); // before the shift
    chips.push_back({kNoon, 1, false, "Error = SYNC"});            // the shift's end is open
    chips.push_back({kNoon - hours(1), 7, true, "OK"});            // no such channel
    const TProductionFigures figures = ComputeFigures(chips, {kNoon - hours(8), kNoon});
    EXPECT_EQ(figures.chips, 6);
    EXPECT_EQ(figures.channels[0].chips, 4);
    EXPECT_DOUBLE_EQ(figures.channels[0].passRate, 75.0);
    EXPECT_DOUBLE_EQ(figures.channels[1].passRate, 0.0);
    EXPECT_EQ(figures.channels[2].chips, 0);
    EXPECT_DOUBLE_EQ(figures.channels[2].passRate, 0.0);
}

TEST(ProductionFiguresTest, ChipsPerBegunHourFromTheShiftStart) {
    const TTime start = kNoon - minutes(150);
    std::vector<TBurnedChip> chips;
    for (const auto offset : {minutes(0), minutes(59), minutes(60), minutes(149)}) {
        chips.push_back({start + offset, 1, true, "OK"});
    }
    chips.push_back({start - milliseconds(1), 1, true, "OK"});
    EXPECT_EQ(ComputeFigures(chips, {start, kNoon}).chipsPerHour, (std::vector<int>{2, 1, 1}));
    // A shift that has just begun still has its first hour.
    EXPECT_EQ(ComputeFigures({}, {kNoon, kNoon}).chipsPerHour, (std::vector<int>{0}));
}

TEST(ProductionFiguresTest, MostFrequentFailureCodesFirst) {
    std::vector<TBurnedChip> chips;
    AddChips(chips, 1, 3, 0, "A");
    AddChips(chips, 2, 1, 0, "B");
    AddChips(chips, 3, 3, 0, "C");
    for (const char* code : {"G", "F", "E", "D"}) {
        AddChips(chips, 4, 1, 0, code);
    }
    AddChips(chips, 4, 5, 5); // passes are no failure code
    EXPECT_EQ(ComputeFigures(chips, {kNoon - hours(8), kNoon}).topFailures,
              (std::vector<TCodeCount>{{"A", 3}, {"C", 3}, {"B", 1}, {"D", 1}, {"E", 1}}));
}

TEST(ProductionFiguresTest, TheShiftStartsAtItsLatestStartOrEightHoursAgo) {
    const char* previous = std::getenv("TZ");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    TTime start;
    ASSERT_TRUE(ParseUtcTime("2026-12-11T15:04:05.123Z", start));
    const TTime now = start;
    const struct {
        int startMinutes;
        const char* expected;
    } cases[] = {
        {-1, "2026-12-11T07:04:05.123Z"},
        {6 * 60, "2026-12-11T06:00:00.000Z"},
        {15 * 60 + 4, "2026-12-11T15:04:00.000Z"},
        {22 * 60 + 30, "2026-12-10T22:30:00.000Z"},
    };
    for (const auto& c : cases) {
        const TShift shift = CurrentShift(now, c.startMinutes);
        EXPECT_EQ(UtcTimeText(shift.start), c.expected) << c.startMinutes;
        EXPECT_EQ(shift.end, now);
    }
    if (previous != nullptr) {
        ::setenv("TZ", saved.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

TEST(ProductionFiguresTest, RecordTimesParseBackAndOddTextsAreRefused) {
    TTime time;
    ASSERT_TRUE(ParseUtcTime("2009-02-13T23:31:30.123Z", time));
    EXPECT_EQ(time, kNoon);
    for (const char* odd : {"", "2009-02-13T23:31:30Z", "2009-02-13 23:31:30.123Z",
                            "2009-02-13T23:31:30.123", "2009-02-13T23:31:30.123Zjunk"}) {
        EXPECT_FALSE(ParseUtcTime(odd, time)) << odd;
    }
}

TEST(ProductionFiguresTest, LoadsTheShiftsBurnsFromTheDatabase) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("ardent-figures-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        TStationRecorder recorder((folder / "records.sqlite").string());
        const auto burnAt = [&](TTime time, const char* kind, const char* verdict) {
            TBurnRecords burn;
            burn.kind = kind;
            burn.time = time;
            burn.channels.push_back({2, verdict, 3, 7, "Error = STOP_APP", {}, "", ""});
            ASSERT_EQ(recorder.Record(burn), "");
        };
        burnAt(kNoon - hours(1), "burn", "FAIL");
        burnAt(kNoon - minutes(1), "burn", "PASS");
        burnAt(kNoon - minutes(2), "read-id", "READ"); // a read burns no chip
        burnAt(kNoon - hours(9), "burn", "PASS");      // an earlier shift
        std::vector<TBurnedChip> chips;
        std::string error;
        ASSERT_TRUE(
            LoadBurnedChips(recorder.Store()->Database(), {kNoon - hours(8), kNoon}, chips, error))
            << error;
        ASSERT_EQ(chips.size(), 2u);
        const TProductionFigures figures = ComputeFigures(chips, {kNoon - hours(8), kNoon});
        EXPECT_EQ(figures.channels[1].chips, 2);
        EXPECT_DOUBLE_EQ(figures.channels[1].passRate, 50.0);
        EXPECT_EQ(figures.topFailures, (std::vector<TCodeCount>{{"Error = STOP_APP", 1}}));
    }
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace ardent::records
