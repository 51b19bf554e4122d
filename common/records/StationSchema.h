#pragma once
// The station's record store: one SQLite database per station user. Schema version 1, kept in
// PRAGMA user_version; a later version adds a migration step and never rewrites a stored record.
//
// One row per channel per burn (kind 'burn'), and one per channel whose ID was read by ArdentCmd
// -readID (kind 'read-id'). `seq` is the station's order, used by the forwarder: it sends rows in
// seq order and remembers the last seq the plant database confirmed.

namespace ardent::records {

inline constexpr int kStationSchemaVersion = 1;

inline constexpr char kStationSchemaV1[] = R"sql(
CREATE TABLE IF NOT EXISTS burn_record (
    seq                 INTEGER PRIMARY KEY AUTOINCREMENT,
    id                  TEXT    NOT NULL UNIQUE,  -- UUID of this record (lower-case, 8-4-4-4-12)
    burn_id             TEXT    NOT NULL,         -- UUID shared by the channels of one burn
    kind                TEXT    NOT NULL,         -- 'burn' or 'read-id'
    time_utc            TEXT    NOT NULL,         -- 2026-12-11T15:04:05.123Z
    station             TEXT    NOT NULL,
    program             TEXT    NOT NULL,         -- 'Ardent' or 'ArdentCmd'
    program_version     TEXT    NOT NULL,
    programmer_serial   TEXT    NOT NULL,         -- '' when unknown
    programmer_firmware TEXT    NOT NULL,         -- '' when unknown
    config_name         TEXT    NOT NULL,
    config_crc          INTEGER,                  -- NULL when unknown
    config_size         INTEGER,
    family              TEXT    NOT NULL,         -- 'DP2A', 'DP2B', 'DP3B' or ''
    channel             INTEGER NOT NULL,         -- 1..4
    verdict             TEXT    NOT NULL,         -- 'PASS', 'FAIL', or 'READ' for kind 'read-id'
    channel_state       INTEGER,
    channel_code        INTEGER,
    code_name           TEXT    NOT NULL,
    overall_error       INTEGER NOT NULL,         -- the burn's (or read's) overall result
    chip_ids            TEXT    NOT NULL,         -- IDs read: 'Device=0x0012ABCD;Parameter=0x0042' or ''
    operator_comment    TEXT    NOT NULL,         -- Ardent's comment field, '' otherwise
    serial_number       TEXT    NOT NULL          -- Ardent's serial number field, '' otherwise
);
CREATE INDEX IF NOT EXISTS burn_record_time    ON burn_record(time_utc);
-- Each ID of chip_ids once more, so that find by chip ID is an index look-up. Written in the same
-- transaction as its record; value is upper-case hexadecimal without 0x and without leading zeros
-- ('12ABCD'), so '0x0012abcd' and '12ABCD' find the same chip.
CREATE TABLE IF NOT EXISTS record_chip_id (
    seq   INTEGER NOT NULL REFERENCES burn_record(seq),
    name  TEXT    NOT NULL,
    value TEXT    NOT NULL
);
CREATE INDEX IF NOT EXISTS record_chip_id_value ON record_chip_id(value);
CREATE INDEX IF NOT EXISTS burn_record_serial  ON burn_record(serial_number);
CREATE TABLE IF NOT EXISTS forward_state (
    key   TEXT PRIMARY KEY,   -- 'last_sent_seq', 'last_error', 'last_error_time', 'last_sent_time'
    value TEXT NOT NULL
);
)sql";

} // namespace ardent::records
