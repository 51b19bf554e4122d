#include "records/ProductionFigures.h"

#include "records/BurnRecord.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <sqlite3.h>

namespace ardent::records {

namespace {

using std::chrono::hours;
using std::chrono::minutes;

constexpr hours kDefaultShift{8};

} // namespace

TShift CurrentShift(TTime now, int shiftStartMinutes) {
    if (shiftStartMinutes < 0 || shiftStartMinutes >= 24 * 60) {
        return {now - kDefaultShift, now};
    }
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    local.tm_hour = shiftStartMinutes / 60;
    local.tm_min = shiftStartMinutes % 60;
    local.tm_sec = 0;
    local.tm_isdst = -1; // the start as the wall clock shows it, summer time or not
    TTime start = std::chrono::system_clock::from_time_t(std::mktime(&local));
    if (start > now) {
        // Before today's start: the shift began yesterday at that time.
        local.tm_mday -= 1;
        local.tm_isdst = -1;
        start = std::chrono::system_clock::from_time_t(std::mktime(&local));
    }
    return {start, now};
}

TProductionFigures ComputeFigures(const std::vector<TBurnedChip>& chips, const TShift& shift) {
    TProductionFigures figures;
    const auto length = std::max(shift.end - shift.start, TTime::duration::zero());
    const auto hoursBegun =
        static_cast<size_t>((length + hours(1) - TTime::duration(1)) / hours(1));
    figures.chipsPerHour.assign(std::max<size_t>(hoursBegun, 1), 0);
    std::map<std::string, int> failures;
    for (const TBurnedChip& chip : chips) {
        if (chip.time < shift.start || chip.time >= shift.end || chip.channel < 1 ||
            chip.channel > 4) {
            continue;
        }
        TChannelYield& channel = figures.channels[static_cast<size_t>(chip.channel - 1)];
        ++channel.chips;
        ++figures.chips;
        if (chip.passed) {
            ++channel.passed;
        } else {
            ++failures[chip.codeName];
        }
        const auto hour = static_cast<size_t>((chip.time - shift.start) / hours(1));
        ++figures.chipsPerHour[std::min(hour, figures.chipsPerHour.size() - 1)];
    }
    for (TChannelYield& channel : figures.channels) {
        channel.passRate = channel.chips == 0 ? 0.0 : 100.0 * channel.passed / channel.chips;
    }
    for (size_t i = 0; i < figures.channels.size(); ++i) {
        TChannelYield& channel = figures.channels[i];
        if (channel.chips < kLeastChips) {
            continue;
        }
        double others = 0;
        int counted = 0;
        for (size_t j = 0; j < figures.channels.size(); ++j) {
            if (j != i && figures.channels[j].chips >= kLeastChips) {
                others += figures.channels[j].passRate;
                ++counted;
            }
        }
        channel.wellBelow = counted > 0 && channel.passRate <= others / counted - kWellBelowPoints;
    }
    for (const auto& [name, count] : failures) {
        figures.topFailures.push_back({name, count});
    }
    std::stable_sort(figures.topFailures.begin(), figures.topFailures.end(),
                     [](const TCodeCount& a, const TCodeCount& b) { return a.count > b.count; });
    if (figures.topFailures.size() > kTopCodes) {
        figures.topFailures.resize(kTopCodes);
    }
    return figures;
}

bool ParseUtcTime(const std::string& text, TTime& time) {
    std::tm parts{};
    int millis = 0;
    char zone = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c%n", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &millis, &zone,
                    &consumed) != 8 ||
        zone != 'Z' || static_cast<size_t>(consumed) != text.size()) {
        return false;
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    time = std::chrono::system_clock::from_time_t(::timegm(&parts)) +
           std::chrono::milliseconds(millis);
    return true;
}

bool LoadBurnedChips(TStationDatabase& database, const TShift& shift,
                     std::vector<TBurnedChip>& chips, std::string& error) {
    // The time texts sort as the times do, so the time index answers the range.
    const char* sql = "SELECT time_utc, channel, verdict, code_name FROM burn_record"
                      " WHERE kind = 'burn' AND time_utc >= ? AND time_utc < ?";
    sqlite3_stmt* statement = nullptr;
    sqlite3* handle = database.Handle();
    if (sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr) != SQLITE_OK) {
        error = database.Path() + ": " + sqlite3_errmsg(handle);
        return false;
    }
    const std::string from = UtcTimeText(shift.start);
    const std::string to = UtcTimeText(shift.end);
    sqlite3_bind_text(statement, 1, from.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(statement, 2, to.c_str(), -1, SQLITE_TRANSIENT);
    chips.clear();
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto text = [statement](int column) {
            const unsigned char* value = sqlite3_column_text(statement, column);
            return std::string(value != nullptr ? reinterpret_cast<const char*>(value) : "");
        };
        TBurnedChip chip;
        if (!ParseUtcTime(text(0), chip.time)) {
            continue; // a row another program wrote badly says nothing about this shift
        }
        chip.channel = sqlite3_column_int(statement, 1);
        chip.passed = text(2) == "PASS";
        chip.codeName = text(3);
        chips.push_back(std::move(chip));
    }
    const bool ok = step == SQLITE_DONE;
    if (!ok) {
        error = database.Path() + ": " + sqlite3_errmsg(handle);
    }
    sqlite3_finalize(statement);
    return ok;
}

} // namespace ardent::records
