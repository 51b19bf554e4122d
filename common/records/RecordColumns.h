#pragma once
// The columns of a burn record as the query tool and the forwarder carry them, in one order for
// both databases. Values travel as text (NULL as no value), which is how both databases hand
// them out, so a record read from the station and from the plant compares equal.

#include <optional>
#include <string>
#include <vector>

namespace ardent::records {

struct TRecordColumn {
    const char* name;
    bool integer; // written to the plant as a number; exported to JSON as a number
};

// `seq` is the station's own order; on the plant it is stored as station_seq.
inline constexpr TRecordColumn kRecordColumns[] = {
    {"seq", true},
    {"id", false},
    {"burn_id", false},
    {"kind", false},
    {"time_utc", false},
    {"station", false},
    {"program", false},
    {"program_version", false},
    {"programmer_serial", false},
    {"programmer_firmware", false},
    {"config_name", false},
    {"config_crc", true},
    {"config_size", true},
    {"family", false},
    {"channel", true},
    {"verdict", false},
    {"channel_state", true},
    {"channel_code", true},
    {"code_name", false},
    {"overall_error", true},
    {"chip_ids", false},
    {"operator_comment", false},
    {"serial_number", false},
};
inline constexpr int kRecordColumnCount =
    static_cast<int>(sizeof(kRecordColumns) / sizeof(kRecordColumns[0]));
inline constexpr int kSeqColumn = 0;
inline constexpr int kIdColumn = 1;

using TValue = std::optional<std::string>;
// One result row: the values of one query's columns, in its order.
using TRow = std::vector<TValue>;

// One ID of a record's chip_ids, normalised (record_chip_id).
struct TStoredChipId {
    std::string recordId;
    std::string name;
    std::string value;
};

} // namespace ardent::records
