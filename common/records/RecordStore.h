#pragma once
// TRecordStore appends a burn's records to the station database; TStationRecorder is what a
// program holds: the database it records into (or none when recording is off), opened once on
// first use and opened again after a failure, and the reason the last burn's records were lost.

#include "records/BurnRecord.h"
#include "records/StationDatabase.h"

#include <memory>
#include <mutex>
#include <string>

namespace ardent::records {

class TRecordStore {
public:
    explicit TRecordStore(std::unique_ptr<TStationDatabase> database)
        : fDatabase(std::move(database)) {}

    // Every channel of `burn` as one burn_record row (a fresh UUID each, one burn_id for all)
    // with its chip IDs in record_chip_id, in one transaction: all of them or, with `error` set,
    // none of them.
    bool Append(const TBurnRecords& burn, std::string& error);
    TStationDatabase& Database() { return *fDatabase; }

private:
    bool AppendInsideTransaction(const TBurnRecords& burn, std::string& error);

    std::unique_ptr<TStationDatabase> fDatabase;
};

class TStationRecorder {
public:
    // Records into the database at `path`; an empty path records nothing.
    explicit TStationRecorder(std::string path) : fPath(std::move(path)) {}
    // ARDENT_RECORDS, else the station's default place (DefaultStationDatabasePath).
    static std::unique_ptr<TStationRecorder> FromEnvironment();

    bool Enabled() const { return !fPath.empty(); }
    const std::string& Path() const { return fPath; }
    // Commits `burn`'s records. Empty when they are stored (or recording is off); otherwise the
    // warning to show: "Burn records not stored: <file>: <reason>".
    std::string Record(const TBurnRecords& burn);

    // Opened (or open) store; for tests that make later commits fail.
    TRecordStore* Store();

private:
    TRecordStore* OpenLocked(std::string& error);

    const std::string fPath;
    std::mutex fLock;
    std::unique_ptr<TRecordStore> fStore;
};

// The prefix of every lost-records warning.
inline constexpr char kRecordsNotStored[] = "Burn records not stored: ";

} // namespace ardent::records
