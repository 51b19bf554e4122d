#include "records/RecordStore.h"

#include "records/StationPaths.h"

#include <sqlite3.h>

namespace ardent::records {

namespace {

constexpr char kInsertRecord[] =
    "INSERT INTO burn_record (id, burn_id, kind, time_utc, station, program, program_version,"
    " programmer_serial, programmer_firmware, config_name, config_crc, config_size, family,"
    " channel, verdict, channel_state, channel_code, code_name, overall_error, chip_ids,"
    " operator_comment, serial_number)"
    " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
constexpr char kInsertChipId[] = "INSERT INTO record_chip_id (seq, name, value) VALUES (?,?,?)";

// A prepared statement that is finalized however the append ends.
class TStatement {
public:
    TStatement(sqlite3* handle, const char* sql) {
        fOk = sqlite3_prepare_v2(handle, sql, -1, &fStatement, nullptr) == SQLITE_OK;
    }
    ~TStatement() { sqlite3_finalize(fStatement); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    bool Ok() const { return fOk; }
    void Text(int index, const std::string& value) {
        fOk =
            fOk && sqlite3_bind_text(fStatement, index, value.c_str(),
                                     static_cast<int>(value.size()), SQLITE_TRANSIENT) == SQLITE_OK;
    }
    void Integer(int index, int64_t value) {
        fOk = fOk && sqlite3_bind_int64(fStatement, index, value) == SQLITE_OK;
    }
    template <typename T> void Optional(int index, const std::optional<T>& value) {
        if (value) {
            Integer(index, static_cast<int64_t>(*value));
        } else {
            fOk = fOk && sqlite3_bind_null(fStatement, index) == SQLITE_OK;
        }
    }
    // Runs the bound statement once and makes it ready for the next values.
    bool Run() {
        fOk = fOk && sqlite3_step(fStatement) == SQLITE_DONE;
        sqlite3_reset(fStatement);
        sqlite3_clear_bindings(fStatement);
        return fOk;
    }

private:
    sqlite3_stmt* fStatement = nullptr;
    bool fOk = false;
};

} // namespace

bool TRecordStore::Append(const TBurnRecords& burn, std::string& error) {
    // IMMEDIATE takes the write lock at once, so a busy database waits on the busy time-out here
    // rather than failing half-way through the rows.
    if (!fDatabase->Execute("BEGIN IMMEDIATE", error)) {
        return false;
    }
    if (!AppendInsideTransaction(burn, error)) {
        std::string ignored;
        fDatabase->Execute("ROLLBACK", ignored);
        return false;
    }
    if (!fDatabase->Execute("COMMIT", error)) {
        std::string ignored;
        fDatabase->Execute("ROLLBACK", ignored);
        return false;
    }
    return true;
}

bool TRecordStore::AppendInsideTransaction(const TBurnRecords& burn, std::string& error) {
    sqlite3* handle = fDatabase->Handle();
    TStatement record(handle, kInsertRecord);
    TStatement chipId(handle, kInsertChipId);
    const std::string burnId = NewUuid();
    const std::string time = UtcTimeText(burn.time);
    bool ok = record.Ok() && chipId.Ok();
    for (size_t i = 0; ok && i < burn.channels.size(); ++i) {
        const TChannelRecord& channel = burn.channels[i];
        int column = 0;
        record.Text(++column, NewUuid());
        record.Text(++column, burnId);
        record.Text(++column, burn.kind);
        record.Text(++column, time);
        record.Text(++column, burn.station);
        record.Text(++column, burn.program);
        record.Text(++column, burn.programVersion);
        record.Text(++column, burn.programmerSerial);
        record.Text(++column, burn.programmerFirmware);
        record.Text(++column, burn.configName);
        record.Optional(++column, burn.configCrc);
        record.Optional(++column, burn.configSize);
        record.Text(++column, burn.family);
        record.Integer(++column, channel.channel);
        record.Text(++column, channel.verdict);
        record.Optional(++column, channel.channelState);
        record.Optional(++column, channel.channelCode);
        record.Text(++column, channel.codeName);
        record.Integer(++column, burn.overallError);
        record.Text(++column, ChipIdsText(channel.chipIds));
        record.Text(++column, channel.operatorComment);
        record.Text(++column, channel.serialNumber);
        ok = record.Run();
        const int64_t seq = sqlite3_last_insert_rowid(handle);
        for (size_t j = 0; ok && j < channel.chipIds.size(); ++j) {
            chipId.Integer(1, seq);
            chipId.Text(2, channel.chipIds[j].name);
            chipId.Text(3, ChipIdKey(channel.chipIds[j].hexDigits));
            ok = chipId.Run();
        }
    }
    if (!ok) {
        error = fDatabase->Path() + ": " + sqlite3_errmsg(handle);
    }
    return ok;
}

std::unique_ptr<TStationRecorder> TStationRecorder::FromEnvironment() {
    return std::make_unique<TStationRecorder>(DefaultStationDatabasePath());
}

std::string TStationRecorder::Record(const TBurnRecords& burn) {
    if (!Enabled()) {
        return {};
    }
    std::lock_guard lock(fLock);
    std::string error;
    TRecordStore* store = OpenLocked(error);
    if (store != nullptr && store->Append(burn, error)) {
        return {};
    }
    return kRecordsNotStored + error;
}

TRecordStore* TStationRecorder::Store() {
    std::lock_guard lock(fLock);
    std::string ignored;
    return OpenLocked(ignored);
}

TRecordStore* TStationRecorder::OpenLocked(std::string& error) {
    if (!fStore) {
        // A database that could not be opened is tried again by the next burn: the disk may
        // have been freed or the folder made in between.
        if (auto database = TStationDatabase::Open(fPath, error)) {
            fStore = std::make_unique<TRecordStore>(std::move(database));
        }
    }
    return fStore.get();
}

} // namespace ardent::records
