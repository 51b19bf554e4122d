#include "StationDatabase.h"

#include "StationSchema.h"

#include <sqlite3.h>

namespace ardent::records {

namespace {

std::string Reason(sqlite3* handle, const std::string& path) {
    return path + ": " + (handle != nullptr ? sqlite3_errmsg(handle) : "cannot open");
}

int UserVersion(sqlite3* handle) {
    sqlite3_stmt* statement = nullptr;
    int version = -1;
    if (sqlite3_prepare_v2(handle, "PRAGMA user_version", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        version = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
    return version;
}

} // namespace

std::unique_ptr<TStationDatabase> TStationDatabase::Open(const std::string& path,
                                                         std::string& error, int busyTimeoutMs) {
    sqlite3* handle = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.c_str(), &handle, flags, nullptr) != SQLITE_OK) {
        error = Reason(handle, path);
        sqlite3_close(handle);
        return nullptr;
    }
    std::unique_ptr<TStationDatabase> database(new TStationDatabase(handle, path));
    sqlite3_busy_timeout(handle, busyTimeoutMs);
    // WAL lets readers (the Production window, ardent-records) run beside a writing burn; FULL
    // makes a commit survive a power cut once it has returned.
    if (!database->Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                           " PRAGMA foreign_keys=ON;",
                           error) ||
        !database->Migrate(error)) {
        return nullptr;
    }
    return database;
}

TStationDatabase::~TStationDatabase() {
    sqlite3_close(fHandle);
}

bool TStationDatabase::Execute(const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(fHandle, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        error = fPath + ": " + (message != nullptr ? message : sqlite3_errmsg(fHandle));
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool TStationDatabase::Migrate(std::string& error) {
    // One writer migrates at a time; the others wait on the busy time-out, then see the new
    // version and do nothing.
    if (!Execute("BEGIN IMMEDIATE", error)) {
        return false;
    }
    const int version = UserVersion(fHandle);
    bool ok = true;
    if (version < 0) {
        error = Reason(fHandle, fPath);
        ok = false;
    } else if (version > kStationSchemaVersion) {
        error = fPath + ": record schema version " + std::to_string(version) +
                " is newer than this program's (" + std::to_string(kStationSchemaVersion) + ")";
        ok = false;
    } else if (version < 1) {
        ok = Execute(kStationSchemaV1, error) &&
             Execute(("PRAGMA user_version=" + std::to_string(kStationSchemaVersion)).c_str(),
                     error);
    }
    // Later versions: one step per version here, each inside this same transaction.
    std::string ignored;
    if (!ok) {
        Execute("ROLLBACK", ignored);
        return false;
    }
    return Execute("COMMIT", error);
}

} // namespace ardent::records
