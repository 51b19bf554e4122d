#include "RecordQuery.h"

#include "RecordColumns.h"

#include <cctype>

namespace ardent::records {

namespace {

// Builds a WHERE clause with the dialect's placeholders.
class TConditions {
public:
    explicit TConditions(TDialect dialect) : fDialect(dialect) {}

    void Add(const std::string& condition) { fConditions.push_back(condition); }
    // `condition` holds one '?' where the value goes.
    void AddValue(const std::string& condition, const std::string& value) {
        fQuery.parameters.push_back(value);
        const std::string placeholder =
            fDialect == TDialect::Station ? "?" : "$" + std::to_string(fQuery.parameters.size());
        std::string text = condition;
        text.replace(text.find('?'), 1, placeholder);
        fConditions.push_back(text);
    }
    void AddFilter(const TRecordFilter& filter) {
        if (filter.chipId) {
            const std::string value = NormaliseChipId(*filter.chipId).value_or(*filter.chipId);
            AddValue(fDialect == TDialect::Station
                         ? "r.seq IN (SELECT seq FROM record_chip_id WHERE value = ?)"
                         : "r.id IN (SELECT record_id FROM record_chip_id WHERE value = ?)",
                     value);
        }
        const std::pair<const std::optional<std::string>*, const char*> equal[] = {
            {&filter.serialNumber, "r.serial_number = ?"},
            {&filter.configName, "r.config_name = ?"},
            {&filter.station, "r.station = ?"},
            {&filter.programmer, "r.programmer_serial = ?"},
            {&filter.verdict, "r.verdict = ?"},
            {&filter.from, "r.time_utc >= ?"},
            {&filter.to, "r.time_utc < ?"},
        };
        for (const auto& [value, condition] : equal) {
            if (*value) {
                AddValue(condition, **value);
            }
        }
    }
    TRenderedQuery Finish(const std::string& head, const std::string& tail) {
        fQuery.sql = head;
        for (size_t i = 0; i < fConditions.size(); ++i) {
            fQuery.sql += (i == 0 ? " WHERE " : " AND ") + fConditions[i];
        }
        fQuery.sql += tail;
        return fQuery;
    }

private:
    TDialect fDialect;
    std::vector<std::string> fConditions;
    TRenderedQuery fQuery;
};

std::string SeqColumn(TDialect dialect) {
    return dialect == TDialect::Station ? "r.seq" : "r.station_seq";
}

} // namespace

std::optional<std::string> NormaliseChipId(const std::string& text) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.erase(0, 2);
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    for (char& c : digits) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            return std::nullopt;
        }
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? std::string("0") : digits.substr(first);
}

bool IsTimePrefix(const std::string& text) {
    static const std::string kPattern = "0000-00-00T00:00:00.000Z";
    if (text.empty() || text.size() > kPattern.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
        if (kPattern[i] == '0' ? !digit : text[i] != kPattern[i]) {
            return false;
        }
    }
    return true;
}

bool ValidateFilter(const TRecordFilter& filter, std::string& error) {
    if (filter.chipId && !NormaliseChipId(*filter.chipId)) {
        error = "--chip-id: not a hexadecimal chip ID: " + *filter.chipId;
        return false;
    }
    const std::pair<const std::optional<std::string>*, const char*> times[] = {
        {&filter.from, "--from"}, {&filter.to, "--to"}};
    for (const auto& [value, option] : times) {
        if (*value && !IsTimePrefix(**value)) {
            error = std::string(option) +
                    ": not a UTC time such as 2026-12-11T15:04:05.123Z: " + **value;
            return false;
        }
    }
    return true;
}

TRenderedQuery RenderFind(const TRecordFilter& filter, TDialect dialect, long long limit) {
    std::string head = "SELECT ";
    for (int i = 0; i < kRecordColumnCount; ++i) {
        head += i == 0 ? "" : ", ";
        head += i == kSeqColumn ? SeqColumn(dialect) : std::string("r.") + kRecordColumns[i].name;
    }
    head += " FROM burn_record r";
    std::string tail = " ORDER BY r.time_utc, r.station, " + SeqColumn(dialect);
    if (limit > 0) {
        tail += " LIMIT " + std::to_string(limit);
    }
    TConditions conditions(dialect);
    conditions.AddFilter(filter);
    return conditions.Finish(head, tail);
}

TRenderedQuery RenderYield(const TRecordFilter& filter, TDialect dialect) {
    TConditions conditions(dialect);
    conditions.Add("r.kind = 'burn'");
    conditions.AddFilter(filter);
    return conditions.Finish(
        "SELECT r.programmer_serial, r.config_name, r.channel, count(*),"
        " sum(CASE WHEN r.verdict = 'PASS' THEN 1 ELSE 0 END) FROM burn_record r",
        " GROUP BY r.programmer_serial, r.config_name, r.channel"
        " ORDER BY r.programmer_serial, r.config_name, r.channel");
}

TRenderedQuery RenderFailureCodes(const TRecordFilter& filter, TDialect dialect, int limit) {
    TConditions conditions(dialect);
    conditions.Add("r.kind = 'burn'");
    conditions.Add("r.verdict <> 'PASS'");
    conditions.AddFilter(filter);
    // NULLs sort first in one database and last in the other; "IS NULL" puts them last in both.
    return conditions.Finish("SELECT r.channel_code, r.code_name, count(*) FROM burn_record r",
                             " GROUP BY r.channel_code, r.code_name ORDER BY count(*) DESC,"
                             " r.channel_code IS NULL, r.channel_code, r.code_name LIMIT " +
                                 std::to_string(limit));
}

} // namespace ardent::records
