#include "records/RecordStore.h"
#include "records/ChannelRecords.h"
#include "records/StationPaths.h"
#include "utils/Folders.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace ardent::records {
namespace {

std::string Text(sqlite3* handle, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    std::string value;
    if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(statement, 0);
        value = text != nullptr ? reinterpret_cast<const char*>(text) : "NULL";
    }
    sqlite3_finalize(statement);
    return value;
}

TEST(BurnRecordTextTest, ChipIdKeysDropPrefixAndLeadingZerosInUpperCase) {
    const struct {
        const char* text;
        const char* key;
    } cases[] = {
        {"0x0012abcd", "12ABCD"},
        {"0012ABCD", "12ABCD"},
        {"0X00ff", "FF"},
        {"0000", "0"},
        {"0x0", "0"},
        {"ABC", "ABC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChipIdKey(c.text), c.key) << c.text;
    }
}

TEST(BurnRecordTextTest, TimesAreUtcToTheMillisecond) {
    using std::chrono::milliseconds;
    const struct {
        int64_t sinceEpochMs;
        const char* text;
    } cases[] = {
        {0, "1970-01-01T00:00:00.000Z"},
        {1234567890123, "2009-02-13T23:31:30.123Z"},
        {1799020799999, "2027-01-03T23:59:59.999Z"},
        {1799020800005, "2027-01-04T00:00:00.005Z"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UtcTimeText(std::chrono::system_clock::time_point(milliseconds(c.sinceEpochMs))),
                  c.text);
    }
}

TEST(BurnRecordTextTest, UuidsAreRandomVersionFour) {
    const std::regex form("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string uuid = NewUuid();
        EXPECT_TRUE(std::regex_match(uuid, form)) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 200u);
}

TEST(BurnRecordTextTest, ChipIdsTextNamesEachIdWithItsPrintedDigits) {
    EXPECT_EQ(ChipIdsText({{"Device", "0012ABCD"}, {"Parameter", "0042"}}),
              "Device=0x0012ABCD;Parameter=0x0042");
    EXPECT_EQ(ChipIdsText({}), "");
}

TProcessTargetSendId Dp2bRead(uint8_t channel, uint32_t device) {
    TProcessTargetSendId reply{};
    reply.channelNumber = channel;
    reply.channelState = CHANNEL_PASSED;
    reply.dp2BIds = {device, 0x00000000DEADBEEFull, 0x00C0FFEE, 0x0102, 0x0042, 0x0A0B};
    return reply;
}

TEST(ChannelRecordsTest, OneEntryPerChannelThatHeldAChip) {
    TBurningStatusOverall status{};
    status.channels[0] = {0, CHANNEL_PASSED, 0, 0};
    status.channels[1] = {1, CHANNEL_FAILED, 4, 0};
    status.channels[2] = {2, CHANNEL_INACTIVE, 0, 0};
    status.channels[3] = {3, 9, 0, 0}; // a state the programmer does not define
    const TProcessTargetSendId first = Dp2bRead(0, 0x0012ABCD);
    TProcessTargetSendId failedRead = Dp2bRead(1, 0x00777777);
    failedRead.channelState = CHANNEL_FAILED;
    const auto records =
        BurnChannelRecords(status, {&first, &failedRead, nullptr, nullptr}, TTargetFamily::DP2B);
    ASSERT_EQ(records.size(), 3u);

    EXPECT_EQ(records[0].channel, 1);
    EXPECT_EQ(records[0].verdict, "PASS");
    EXPECT_EQ(records[0].codeName, "OK");
    EXPECT_EQ(ChipIdsText(records[0].chipIds),
              "Device=0x0012ABCD;Firmware=0x00000000DEADBEEF;Customer=0x00C0FFEE;"
              "Patch=0x0102;Parameter=0x0042;Rom=0x0A0B");

    EXPECT_EQ(records[1].channel, 2);
    EXPECT_EQ(records[1].verdict, "FAIL");
    EXPECT_EQ(records[1].channelState, CHANNEL_FAILED);
    EXPECT_EQ(records[1].channelCode, 4);
    EXPECT_EQ(records[1].codeName, ErrorCodeText(4));
    EXPECT_TRUE(records[1].chipIds.empty()); // a failed read holds no IDs

    EXPECT_EQ(records[2].channel, 4);
    EXPECT_EQ(records[2].verdict, "FAIL");
}

TEST(ChannelRecordsTest, ABurnRefusedAsAWholeFailsEveryChannel) {
    TBurningStatusOverall status{};
    status.overallErrorCode = 53;
    const auto records =
        BurnChannelRecords(status, {nullptr, nullptr, nullptr, nullptr}, TTargetFamily::DP3B);
    ASSERT_EQ(records.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(records[i].channel, i + 1);
        EXPECT_EQ(records[i].verdict, "FAIL");
        EXPECT_EQ(records[i].codeName, ErrorCodeText(53));
        EXPECT_FALSE(records[i].channelState.has_value());
    }
}

TEST(ChannelRecordsTest, IdsInEachFamilysPrintedLayout) {
    TProcessTargetSendId dp2a{};
    dp2a.channelState = CHANNEL_PASSED;
    dp2a.dp2AIds.parameterID = 0x42;
    EXPECT_EQ(ChipIdsText(ChipIdsOf(dp2a, TTargetFamily::DP2A)), "Parameter=0x0042");

    TProcessTargetSendId dp3b{};
    dp3b.channelNumber = 2;
    dp3b.channelState = CHANNEL_PASSED;
    dp3b.dp3BIds.chipId = 0x0000001122334455ull;
    dp3b.dp3BIds.patchID = 0x0807060504030201ull;
    dp3b.dp3BIds.parameterID = 0x1234;
    dp3b.dp3BIds.firmwareIdSize = 200; // more than the record holds: only its 12 bytes count
    for (uint8_t i = 0; i < 12; ++i) {
        dp3b.dp3BIds.firmwareID[i] = static_cast<uint8_t>(0xA0 + i);
    }
    EXPECT_EQ(ChipIdsText(ChipIdsOf(dp3b, TTargetFamily::DP3B)),
              "Chip=0x0000001122334455;Firmware=0xA0A1A2A3A4A5A6A7A8A9AAAB;"
              "Patch=0x0102030405060708;Parameter=0x1234");
    const TChannelRecord read = ReadIdChannelRecord(dp3b, TTargetFamily::DP3B);
    EXPECT_EQ(read.channel, 3);
    EXPECT_EQ(read.verdict, "READ");
    EXPECT_EQ(read.chipIds.size(), 4u);

    EXPECT_TRUE(ChipIdsOf(dp3b, TTargetFamily::NotRecognised).empty());
}

class RecordStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        fFolder = std::filesystem::temp_directory_path() /
                  ("ardent-records-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(fFolder);
        std::filesystem::create_directories(fFolder);
    }
    void TearDown() override { std::filesystem::remove_all(fFolder); }
    std::string PathOf(const char* name) const { return (fFolder / name).string(); }

    static TBurnRecords FourChannelBurn(const std::string& serialPrefix = "SN") {
        TBurnRecords burn;
        burn.time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1234567890123));
        burn.station = "line-3";
        burn.program = "ArdentCmd";
        burn.programVersion = "2.1.0";
        burn.programmerSerial = "ORV0001";
        burn.configName = "buck_5v";
        burn.configCrc = 0xBEEF;
        burn.configSize = 4096;
        burn.family = "DP2B";
        for (int channel = 1; channel <= 4; ++channel) {
            TChannelRecord record;
            record.channel = channel;
            record.verdict = channel == 3 ? "FAIL" : "PASS";
            record.channelState = channel == 3 ? CHANNEL_FAILED : CHANNEL_PASSED;
            record.channelCode = channel == 3 ? 4 : 0;
            record.codeName = channel == 3 ? "failure" : "OK";
            record.chipIds = {{"Device", "00" + std::to_string(channel) + "2ABCD"},
                              {"Parameter", "0042"}};
            record.serialNumber = serialPrefix + std::to_string(channel);
            burn.channels.push_back(record);
        }
        return burn;
    }

    std::filesystem::path fFolder;
};

TEST_F(RecordStoreTest, ABurnIsStoredAsOneRowPerChannelWithItsChipIds) {
    TStationRecorder recorder(PathOf("records.sqlite"));
    TBurnRecords burn = FourChannelBurn();
    burn.configCrc.reset(); // unknown: NULL, never a CRC of 0
    ASSERT_EQ(recorder.Record(burn), "");
    sqlite3* db = recorder.Store()->Database().Handle();
    EXPECT_EQ(Text(db, "SELECT count(*) FROM burn_record"), "4");
    EXPECT_EQ(Text(db, "SELECT count(DISTINCT id) FROM burn_record"), "4");
    EXPECT_EQ(Text(db, "SELECT count(DISTINCT burn_id) FROM burn_record"), "1");
    EXPECT_EQ(Text(db, "SELECT kind || '|' || time_utc || '|' || station || '|' || program || '|'"
                       " || programmer_serial || '|' || config_name || '|' || family || '|'"
                       " || config_size || '|' || ifnull(config_crc, 'NULL') FROM burn_record"
                       " WHERE channel = 1"),
              "burn|2009-02-13T23:31:30.123Z|line-3|ArdentCmd|ORV0001|buck_5v|DP2B|4096|NULL");
    EXPECT_EQ(Text(db, "SELECT verdict || '|' || channel_state || '|' || channel_code || '|' ||"
                       " chip_ids || '|' || serial_number FROM burn_record WHERE channel = 3"),
              "FAIL|3|4|Device=0x0032ABCD;Parameter=0x0042|SN3");
    // A chip is found by its ID however it is typed, through the index.
    EXPECT_EQ(Text(db, "SELECT r.channel FROM record_chip_id c JOIN burn_record r USING (seq)"
                       " WHERE c.value = '" +
                           ChipIdKey("0x0022abcd") + "'"),
              "2");
    EXPECT_EQ(Text(db, "SELECT count(*) FROM record_chip_id WHERE value = '42'"), "4");
}

TEST_F(RecordStoreTest, AFullDiskLosesTheWholeBurnAndSaysSoThenRecordsAgain) {
    TStationRecorder recorder(PathOf("records.sqlite"));
    ASSERT_EQ(recorder.Record(FourChannelBurn("first")), "");
    TStationDatabase& database = recorder.Store()->Database();
    const std::string pages = Text(database.Handle(), "PRAGMA page_count");
    std::string error;
    ASSERT_TRUE(database.Execute(("PRAGMA max_page_count=" + pages).c_str(), error)) << error;

    TBurnRecords big = FourChannelBurn("second");
    for (auto& channel : big.channels) {
        channel.operatorComment.assign(20000, 'c'); // more than one free page can hold
    }
    const std::string warning = recorder.Record(big);
    EXPECT_EQ(warning.rfind(kRecordsNotStored, 0), 0u) << warning;
    EXPECT_NE(warning.find("records.sqlite"), std::string::npos) << warning;
    EXPECT_EQ(Text(database.Handle(), "SELECT count(*) FROM burn_record"), "4");
    EXPECT_EQ(Text(database.Handle(), "SELECT count(*) FROM burn_record WHERE serial_number"
                                      " LIKE 'second%'"),
              "0");

    ASSERT_TRUE(database.Execute("PRAGMA max_page_count=1000000", error)) << error;
    EXPECT_EQ(recorder.Record(FourChannelBurn("third")), "");
    EXPECT_EQ(Text(database.Handle(), "SELECT count(*) FROM burn_record"), "8");
}

TEST_F(RecordStoreTest, AReadOnlyDatabaseGivesTheWarningAndStoresNothing) {
    TStationRecorder recorder(PathOf("records.sqlite"));
    TStationDatabase& database = recorder.Store()->Database();
    std::string error;
    // query_only refuses writes for everyone, root too, which a file mode would not.
    ASSERT_TRUE(database.Execute("PRAGMA query_only=ON", error)) << error;
    const std::string warning = recorder.Record(FourChannelBurn());
    EXPECT_EQ(warning.rfind(kRecordsNotStored, 0), 0u) << warning;
    EXPECT_NE(warning.find("readonly"), std::string::npos) << warning;
    EXPECT_EQ(Text(database.Handle(), "SELECT count(*) FROM burn_record"), "0");
    EXPECT_EQ(Text(database.Handle(), "SELECT count(*) FROM record_chip_id"), "0");
}

TEST_F(RecordStoreTest, ADatabaseThatCannotBeOpenedIsTriedAgainByTheNextBurn) {
    const std::string path = PathOf("later/records.sqlite");
    TStationRecorder recorder(path);
    const std::string warning = recorder.Record(FourChannelBurn());
    EXPECT_EQ(warning.rfind(std::string(kRecordsNotStored) + path, 0), 0u) << warning;
    std::filesystem::create_directories(fFolder / "later");
    EXPECT_EQ(recorder.Record(FourChannelBurn()), "");
    EXPECT_EQ(Text(recorder.Store()->Database().Handle(), "SELECT count(*) FROM burn_record"), "4");
}

TEST_F(RecordStoreTest, RecordingOffWritesNothing) {
    TStationRecorder recorder("");
    EXPECT_FALSE(recorder.Enabled());
    EXPECT_EQ(recorder.Record(FourChannelBurn()), "");
    EXPECT_TRUE(std::filesystem::is_empty(fFolder));
}

TEST_F(RecordStoreTest, ConcurrentProcessesLoseNoRecord) {
    const std::string path = PathOf("records.sqlite");
    constexpr int kWriters = 4;
    constexpr int kBurnsEach = 20;
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TStationRecorder recorder(path);
            int lost = 0;
            for (int burn = 0; burn < kBurnsEach; ++burn) {
                lost += recorder.Record(FourChannelBurn("w" + std::to_string(writer) + "-")).empty()
                            ? 0
                            : 1;
            }
            ::_exit(lost == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    TStationRecorder reader(path);
    sqlite3* db = reader.Store()->Database().Handle();
    const std::string total = std::to_string(kWriters * kBurnsEach * 4);
    EXPECT_EQ(Text(db, "SELECT count(*) FROM burn_record"), total);
    EXPECT_EQ(Text(db, "SELECT count(DISTINCT seq) FROM burn_record"), total);
    EXPECT_EQ(Text(db, "SELECT count(DISTINCT id) FROM burn_record"), total);
    EXPECT_EQ(Text(db, "SELECT count(*) FROM record_chip_id"),
              std::to_string(kWriters * kBurnsEach * 4 * 2));
    // The four channels of each burn are stored together, in one run of seq.
    EXPECT_EQ(Text(db, "SELECT count(*) FROM (SELECT burn_id FROM burn_record GROUP BY burn_id"
                       " HAVING max(seq) - min(seq) <> 3)"),
              "0");
}

class StationPathsTest : public ::testing::Test {
protected:
    void TearDown() override {
        ::unsetenv("ARDENT_RECORDS");
        ::unsetenv("ARDENT_STATION");
    }
};

TEST_F(StationPathsTest, EnvironmentChoosesThePlaceOrSwitchesRecordsOff) {
    ::setenv("ARDENT_RECORDS", "off", 1);
    EXPECT_EQ(DefaultStationDatabasePath(), "");
    ::setenv("ARDENT_RECORDS", "/srv/line/records.sqlite", 1);
    EXPECT_EQ(DefaultStationDatabasePath(), "/srv/line/records.sqlite");
    ::unsetenv("ARDENT_RECORDS");
    // A build's folder is writable: the database lives beside the program.
    ASSERT_TRUE(IsWritableFolder(ExecutableFolder()));
    EXPECT_EQ(DefaultStationDatabasePath(), ExecutableFolder() + "/records.sqlite");
}

TEST_F(StationPathsTest, StationNameFromEnvironmentElseHostName) {
    ::setenv("ARDENT_STATION", "line-7", 1);
    EXPECT_EQ(StationNameFromEnvironment(), "line-7");
    ::unsetenv("ARDENT_STATION");
    EXPECT_EQ(StationNameFromEnvironment(), HostName());
    EXPECT_FALSE(HostName().empty());
}

} // namespace
} // namespace ardent::records
