#include "StationFixture.h"

#include "records/RecordQuery.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace ardent::testing {

namespace {

void Check(int code, sqlite3* handle) {
    if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW) {
        throw std::runtime_error(sqlite3_errmsg(handle));
    }
}

} // namespace

TStationFixture::TStationFixture() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "ardent-station-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    fFolder = pattern;
    fPath = fFolder + "/records.sqlite";
    std::string error;
    fDatabase = records::TStationDatabase::Open(fPath, error);
    if (!fDatabase) {
        throw std::runtime_error(error);
    }
}

TStationFixture::~TStationFixture() {
    fDatabase.reset();
    std::filesystem::remove_all(fFolder);
}

std::vector<std::string> TStationFixture::Append(const std::vector<TRecordSpec>& specs) {
    sqlite3* handle = fDatabase->Handle();
    std::vector<std::string> ids;
    Check(sqlite3_exec(handle, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), handle);
    sqlite3_stmt* record = nullptr;
    sqlite3_stmt* chip = nullptr;
    Check(sqlite3_prepare_v2(
              handle,
              "INSERT INTO burn_record (id, burn_id, kind, time_utc, station, program,"
              " program_version, programmer_serial, programmer_firmware, config_name, config_crc,"
              " config_size, family, channel, verdict, channel_state, channel_code, code_name,"
              " overall_error, chip_ids, operator_comment, serial_number) VALUES (?, ?, ?, ?, ?,"
              " 'ArdentCmd', '1.0.36', ?, '1.6.3', ?, 48879, 4096, 'DP3B', ?, ?, 3, ?, ?, 0, ?,"
              " ?, ?)",
              -1, &record, nullptr),
          handle);
    Check(sqlite3_prepare_v2(handle, "INSERT INTO record_chip_id VALUES (?, ?, ?)", -1, &chip,
                             nullptr),
          handle);
    for (const TRecordSpec& spec : specs) {
        char id[40];
        std::snprintf(id, sizeof id, "%08x-0000-4000-8000-%012lld",
                      static_cast<unsigned>(::getpid()), fNext++);
        const std::string kind = spec.verdict == "READ" ? "read-id" : "burn";
        const std::string texts[] = {id,         id, kind, spec.time, spec.station, spec.programmer,
                                     spec.config};
        sqlite3_reset(record);
        for (int i = 0; i < 7; ++i) {
            sqlite3_bind_text(record, i + 1, texts[i].c_str(), -1, SQLITE_TRANSIENT);
        }
        sqlite3_bind_int(record, 8, spec.channel);
        sqlite3_bind_text(record, 9, spec.verdict.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(record, 10, spec.code);
        sqlite3_bind_text(record, 11, spec.codeName.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(record, 12, spec.chipIds.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(record, 13, spec.comment.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(record, 14, spec.serial.c_str(), -1, SQLITE_TRANSIENT);
        Check(sqlite3_step(record), handle);
        const sqlite3_int64 seq = sqlite3_last_insert_rowid(handle);
        // Each "name=value" of chip_ids also goes into the indexed table.
        size_t start = 0;
        while (start < spec.chipIds.size()) {
            size_t end = spec.chipIds.find(';', start);
            end = end == std::string::npos ? spec.chipIds.size() : end;
            const std::string pair = spec.chipIds.substr(start, end - start);
            const size_t equals = pair.find('=');
            const std::string name = pair.substr(0, equals);
            const std::string value =
                records::NormaliseChipId(pair.substr(equals + 1)).value_or("");
            sqlite3_reset(chip);
            sqlite3_bind_int64(chip, 1, seq);
            sqlite3_bind_text(chip, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(chip, 3, value.c_str(), -1, SQLITE_TRANSIENT);
            Check(sqlite3_step(chip), handle);
            start = end + 1;
        }
        ids.emplace_back(id);
    }
    sqlite3_finalize(record);
    sqlite3_finalize(chip);
    Check(sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr), handle);
    return ids;
}

std::vector<std::string> TStationFixture::AppendBurns(int count) {
    std::vector<TRecordSpec> specs;
    specs.reserve(static_cast<size_t>(count) * 4);
    for (int burn = 0; burn < count; ++burn) {
        for (int channel = 1; channel <= 4; ++channel) {
            TRecordSpec spec;
            spec.channel = channel;
            char chipId[32];
            std::snprintf(chipId, sizeof chipId, "Device=0x%08llX",
                          fNext + static_cast<long long>(specs.size()));
            spec.chipIds = chipId;
            specs.push_back(spec);
        }
    }
    return Append(specs);
}

std::vector<std::string> TStationFixture::Ids() {
    std::vector<std::string> ids;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(fDatabase->Handle(), "SELECT id FROM burn_record ORDER BY seq", -1,
                       &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        ids.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    return ids;
}

} // namespace ardent::testing
