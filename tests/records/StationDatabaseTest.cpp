#include "records/StationDatabase.h"
#include "records/StationSchema.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace ardent::records {
namespace {

class StationDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        fFolder = std::filesystem::temp_directory_path() /
                  ("ardent-station-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(fFolder);
        std::filesystem::create_directories(fFolder);
    }
    void TearDown() override { std::filesystem::remove_all(fFolder); }
    std::string PathOf(const char* name) const { return (fFolder / name).string(); }

    static std::string Text(sqlite3* handle, const char* sql) {
        sqlite3_stmt* statement = nullptr;
        std::string value;
        if (sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(statement, 0);
            value = text != nullptr ? reinterpret_cast<const char*>(text) : "";
        }
        sqlite3_finalize(statement);
        return value;
    }

    std::filesystem::path fFolder;
};

TEST_F(StationDatabaseTest, NewFileGetsTheSchemaInWalModeWithFullCommits) {
    std::string error;
    const auto database = TStationDatabase::Open(PathOf("records.sqlite"), error);
    ASSERT_NE(database, nullptr) << error;
    EXPECT_EQ(Text(database->Handle(), "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(Text(database->Handle(), "PRAGMA synchronous"), "2"); // FULL
    EXPECT_EQ(Text(database->Handle(), "PRAGMA user_version"),
              std::to_string(kStationSchemaVersion));
    EXPECT_EQ(Text(database->Handle(),
                   "SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN"
                   " ('burn_record','record_chip_id','forward_state')"),
              "3");
}

TEST_F(StationDatabaseTest, ReopeningKeepsStoredRecords) {
    std::string error;
    {
        const auto database = TStationDatabase::Open(PathOf("records.sqlite"), error);
        ASSERT_NE(database, nullptr) << error;
        ASSERT_TRUE(database->Execute("INSERT INTO forward_state VALUES ('last_sent_seq','7')",
                                      error))
            << error;
    }
    const auto again = TStationDatabase::Open(PathOf("records.sqlite"), error);
    ASSERT_NE(again, nullptr) << error;
    EXPECT_EQ(Text(again->Handle(), "SELECT value FROM forward_state"), "7");
}

TEST_F(StationDatabaseTest, RefusesWhatItCannotUseAndLeavesItAlone) {
    std::string error;
    {
        std::ofstream(PathOf("notes.sqlite")) << "these are notes, not a database\n";
        EXPECT_EQ(TStationDatabase::Open(PathOf("notes.sqlite"), error), nullptr);
        EXPECT_NE(error.find("notes.sqlite"), std::string::npos) << error;
        std::ifstream kept(PathOf("notes.sqlite"));
        std::string line;
        std::getline(kept, line);
        EXPECT_EQ(line, "these are notes, not a database");
    }
    {
        error.clear();
        sqlite3* handle = nullptr;
        ASSERT_EQ(sqlite3_open(PathOf("newer.sqlite").c_str(), &handle), SQLITE_OK);
        sqlite3_exec(handle, "PRAGMA user_version=99", nullptr, nullptr, nullptr);
        sqlite3_close(handle);
        EXPECT_EQ(TStationDatabase::Open(PathOf("newer.sqlite"), error), nullptr);
        EXPECT_NE(error.find("newer than this program"), std::string::npos) << error;
    }
    error.clear();
    EXPECT_EQ(TStationDatabase::Open(PathOf("missing-folder/records.sqlite"), error), nullptr);
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace ardent::records
