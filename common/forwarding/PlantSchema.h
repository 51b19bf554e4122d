#pragma once
// The plant's record store in PostgreSQL, schema version 1, created by `ardent-records init-db`.
// The station's columns, with the station's own seq kept as station_seq; `id` (the record's
// UUID) is unique across the plant, which makes forwarding idempotent: a batch delivered twice
// is stored once. server_seq is the order of arrival. Text columns compare byte-wise (collation
// "C"), so times, names and orderings answer exactly as in the station's SQLite file.

namespace ardent::forwarding {

inline constexpr int kPlantSchemaVersion = 1;

inline constexpr char kPlantSchemaV1[] = R"sql(
CREATE TABLE IF NOT EXISTS ardent_schema (
    version INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS burn_record (
    id                  TEXT COLLATE "C" PRIMARY KEY,
    server_seq          BIGSERIAL NOT NULL UNIQUE,
    station_seq         BIGINT  NOT NULL,
    burn_id             TEXT COLLATE "C" NOT NULL,
    kind                TEXT COLLATE "C" NOT NULL,
    time_utc            TEXT COLLATE "C" NOT NULL,
    station             TEXT COLLATE "C" NOT NULL,
    program             TEXT COLLATE "C" NOT NULL,
    program_version     TEXT COLLATE "C" NOT NULL,
    programmer_serial   TEXT COLLATE "C" NOT NULL,
    programmer_firmware TEXT COLLATE "C" NOT NULL,
    config_name         TEXT COLLATE "C" NOT NULL,
    config_crc          BIGINT,
    config_size         BIGINT,
    family              TEXT COLLATE "C" NOT NULL,
    channel             INTEGER NOT NULL,
    verdict             TEXT COLLATE "C" NOT NULL,
    channel_state       INTEGER,
    channel_code        INTEGER,
    code_name           TEXT COLLATE "C" NOT NULL,
    overall_error       BIGINT  NOT NULL,
    chip_ids            TEXT COLLATE "C" NOT NULL,
    operator_comment    TEXT COLLATE "C" NOT NULL,
    serial_number       TEXT COLLATE "C" NOT NULL,
    received_utc        TIMESTAMPTZ NOT NULL DEFAULT now()
);
CREATE INDEX IF NOT EXISTS burn_record_time       ON burn_record(time_utc);
CREATE INDEX IF NOT EXISTS burn_record_serial     ON burn_record(serial_number);
CREATE INDEX IF NOT EXISTS burn_record_config     ON burn_record(config_name, time_utc);
CREATE INDEX IF NOT EXISTS burn_record_programmer ON burn_record(programmer_serial, time_utc);
CREATE INDEX IF NOT EXISTS burn_record_station    ON burn_record(station, station_seq);
CREATE TABLE IF NOT EXISTS record_chip_id (
    record_id TEXT COLLATE "C" NOT NULL REFERENCES burn_record(id),
    name      TEXT COLLATE "C" NOT NULL,
    value     TEXT COLLATE "C" NOT NULL,
    PRIMARY KEY (record_id, name, value)
);
CREATE INDEX IF NOT EXISTS record_chip_id_value ON record_chip_id(value);
)sql";

} // namespace ardent::forwarding
