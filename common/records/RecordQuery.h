#pragma once
// One description of what `find`, `export` and `yield` ask for, rendered as SQL for the station
// (SQLite) and for the plant (PostgreSQL), so both databases answer the same question the same
// way. Every value the user gives travels as a bound parameter, never inside the SQL text.

#include <optional>
#include <string>
#include <vector>

namespace ardent::records {

enum class TDialect { Station, Plant };

// What to select; an empty field selects everything. Times are compared as UTC text
// (2026-12-11T15:04:05.123Z): `from` is inclusive, `to` exclusive, and a prefix such as
// 2026-12-11 stands for the start of that day.
struct TRecordFilter {
    std::optional<std::string> chipId; // any spelling: 0x0012abcd, 12ABCD
    std::optional<std::string> serialNumber;
    std::optional<std::string> configName;
    std::optional<std::string> station;
    std::optional<std::string> programmer;
    std::optional<std::string> verdict;
    std::optional<std::string> from;
    std::optional<std::string> to;
};

struct TRenderedQuery {
    std::string sql;
    std::vector<std::string> parameters;
};

// The stored form of a chip ID: upper-case hexadecimal without 0x and without leading zeros.
// nullopt when `text` is not a hexadecimal number.
std::optional<std::string> NormaliseChipId(const std::string& text);
// True when `text` is a UTC time or a leading part of one (2026, 2026-12-11T15).
bool IsTimePrefix(const std::string& text);
// Checks the filter's values; false with `error` set (naming the option) when one is unusable.
bool ValidateFilter(const TRecordFilter& filter, std::string& error);

// The records, every column of kRecordColumns, ordered by time, station and station order.
// `limit` 0 means all.
TRenderedQuery RenderFind(const TRecordFilter& filter, TDialect dialect, long long limit = 0);
// Burns and passes per programmer, configuration and channel: rows of
// programmer_serial, config_name, channel, burns, passed.
TRenderedQuery RenderYield(const TRecordFilter& filter, TDialect dialect);
// The most frequent failure codes: rows of channel_code, code_name, count.
TRenderedQuery RenderFailureCodes(const TRecordFilter& filter, TDialect dialect, int limit);

} // namespace ardent::records
