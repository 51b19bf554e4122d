#pragma once
// One open connection to the station's record database. Every program that writes or reads
// records opens it here, so WAL mode, full synchronous commits, the busy time-out that lets
// several programs write at once, and the schema's migrations are set up in one place.

#include <memory>
#include <string>
#include <utility>

struct sqlite3;

namespace ardent::records {

class TStationDatabase {
public:
    // Opens (creating when missing) the database at `path` and brings its schema to
    // kStationSchemaVersion. nullptr with `error` set (the path and SQLite's reason) when the file
    // cannot be opened, is not a database, or has a newer schema than this program knows.
    static std::unique_ptr<TStationDatabase> Open(const std::string& path, std::string& error,
                                                  int busyTimeoutMs = kDefaultBusyTimeoutMs);
    ~TStationDatabase();
    TStationDatabase(const TStationDatabase&) = delete;
    TStationDatabase& operator=(const TStationDatabase&) = delete;

    sqlite3* Handle() const { return fHandle; }
    const std::string& Path() const { return fPath; }
    // Runs SQL without results (several statements allowed); false with `error` set on failure.
    bool Execute(const char* sql, std::string& error);

    // Long enough for four channels of several programs to commit one after another.
    static constexpr int kDefaultBusyTimeoutMs = 5000;

private:
    TStationDatabase(sqlite3* handle, std::string path) : fHandle(handle), fPath(std::move(path)) {}
    bool Migrate(std::string& error);

    sqlite3* fHandle;
    std::string fPath;
};

} // namespace ardent::records
