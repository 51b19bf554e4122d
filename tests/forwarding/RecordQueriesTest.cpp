// ardent-records find, export and yield: worked answers at the station, and the same bytes from
// the plant once the records are forwarded there.
#include "PostgresServer.h"
#include "StationFixture.h"

#include "RecordsTool.h"
#include "forwarding/Forwarder.h"
#include "forwarding/PlantDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace ardent::testing {
namespace {

struct TToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

TToolRun RunTool(std::vector<std::string> arguments) {
    std::ostringstream out;
    std::ostringstream err;
    TToolRun run;
    run.status = recordstool::RunRecordsTool(arguments, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// A morning at two stations: three burns of four channels, with failures, and one ID read.
std::vector<TRecordSpec> Morning() {
    std::vector<TRecordSpec> specs;
    const auto add = [&](const char* time, const char* station, const char* programmer,
                         const char* config, int channel, const char* verdict, int code,
                         const char* codeName, const char* chipIds, const char* serial) {
        TRecordSpec spec;
        spec.time = time;
        spec.station = station;
        spec.programmer = programmer;
        spec.config = config;
        spec.channel = channel;
        spec.verdict = verdict;
        spec.code = code;
        spec.codeName = codeName;
        spec.chipIds = chipIds;
        spec.serial = serial;
        specs.push_back(spec);
    };
    add("2026-12-11T07:59:59.999Z", "LINE-1", "PRG-A", "dp3b-main", 1, "PASS", 0, "OK",
        "Device=0x0012ABCD;Parameter=0x0042", "SN-001");
    add("2026-12-11T08:00:00.000Z", "LINE-1", "PRG-A", "dp3b-main", 1, "PASS", 0, "OK",
        "Device=0x00000001", "SN-002");
    add("2026-12-11T08:00:00.000Z", "LINE-1", "PRG-A", "dp3b-main", 2, "FAIL", 7, "CRC error",
        "Device=0x00000002", "SN-003");
    add("2026-12-11T08:00:00.000Z", "LINE-1", "PRG-A", "dp3b-main", 3, "FAIL", 7, "CRC error", "",
        "SN-004");
    add("2026-12-11T08:00:00.000Z", "LINE-1", "PRG-A", "dp3b-main", 4, "FAIL", 3, "No chip", "",
        "");
    add("2026-12-11T09:30:00.000Z", "LINE-2", "PRG-B", "dp2b \"rev, 2\"", 1, "PASS", 0, "OK",
        "Device=0x12abcd", "SN-005");
    add("2026-12-11T09:30:00.000Z", "LINE-2", "PRG-B", "dp2b \"rev, 2\"", 2, "FAIL", 3, "No chip",
        "", "");
    add("2026-12-11T10:00:00.000Z", "LINE-2", "PRG-B", "dp2b \"rev, 2\"", 1, "READ", 0, "OK",
        "Device=0x0000FFFF", "");
    add("2026-12-12T00:00:00.000Z", "LINE-1", "PRG-A", "dp3b-main", 1, "PASS", 0, "OK", "",
        "SN-006");
    // What an operator may type: quotes, a backslash, braces, a comma, a line break, NULL-like text.
    specs[0].comment = "socket \\ {1}, \"worn\"\nNULL";
    return specs;
}

// The serial numbers of a find's output, in its order (the column after chip_ids).
std::vector<std::string> Serials(const std::string& found) {
    std::vector<std::string> serials;
    std::istringstream lines(found);
    std::string line;
    std::getline(lines, line); // header
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i < 9 && std::getline(fields, field, '\t'); ++i) {
        }
        serials.push_back(field);
    }
    return serials;
}

class RecordQueriesTest : public ::testing::Test {
protected:
    void SetUp() override { fStation.Append(Morning()); }
    TToolRun Station(std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--db", fStation.Path()});
        return RunTool(arguments);
    }
    TStationFixture fStation;
};

TEST_F(RecordQueriesTest, FindSelectsByEachFilterInTimeOrder) {
    const struct {
        std::vector<std::string> filter;
        std::vector<std::string> serials;
    } cases[] = {
        // Three spellings of one chip ID find both chips that carry it, and no other.
        {{"--chip-id", "0x0012abcd"}, {"SN-001", "SN-005"}},
        {{"--chip-id", "12ABCD"}, {"SN-001", "SN-005"}},
        {{"--chip-id", "0X00000000012abcd"}, {"SN-001", "SN-005"}},
        {{"--chip-id", "42"}, {"SN-001"}},
        {{"--serial", "SN-003"}, {"SN-003"}},
        {{"--config", "dp2b \"rev, 2\""}, {"SN-005", "", ""}},
        {{"--station", "LINE-2", "--verdict", "FAIL"}, {""}},
        {{"--programmer", "PRG-A", "--verdict", "FAIL"}, {"SN-003", "SN-004", ""}},
        // from is inclusive and to exclusive, to the millisecond; a day stands for its start.
        {{"--from", "2026-12-11T08:00:00.000Z", "--to", "2026-12-11T09:30"},
         {"SN-002", "SN-003", "SN-004", ""}},
        {{"--from", "2026-12-12"}, {"SN-006"}},
        {{"--to", "2026-12-11T08"}, {"SN-001"}},
        {{"--serial", "SN-999"}, {}},
    };
    for (const auto& test : cases) {
        std::vector<std::string> arguments = {"find"};
        arguments.insert(arguments.end(), test.filter.begin(), test.filter.end());
        SCOPED_TRACE(::testing::PrintToString(arguments));
        const TToolRun run = Station(arguments);
        ASSERT_EQ(run.status, recordstool::kExitOk) << run.err;
        EXPECT_EQ(Serials(run.out), test.serials);
    }
}

TEST_F(RecordQueriesTest, YieldCountsBurnsPerProgrammerConfigurationAndChannel) {
    const TToolRun run = Station({"yield", "--to", "2026-12-12"});
    ASSERT_EQ(run.status, recordstool::kExitOk) << run.err;
    // ID reads are no burns; the day after is outside the range.
    EXPECT_EQ(run.out, "programmer\tconfiguration\tchannel\tburns\tpassed\tpass rate\n"
                       "PRG-A\tdp3b-main\t1\t2\t2\t100.0%\n"
                       "PRG-A\tdp3b-main\t2\t1\t0\t0.0%\n"
                       "PRG-A\tdp3b-main\t3\t1\t0\t0.0%\n"
                       "PRG-A\tdp3b-main\t4\t1\t0\t0.0%\n"
                       "PRG-B\tdp2b \"rev, 2\"\t1\t1\t1\t100.0%\n"
                       "PRG-B\tdp2b \"rev, 2\"\t2\t1\t0\t0.0%\n"
                       "most frequent failure codes\n"
                       "count\tcode\tname\n"
                       "2\t3\tNo chip\n"
                       "2\t7\tCRC error\n");
}

TEST_F(RecordQueriesTest, ExportWritesCsvQuotedAndJsonTyped) {
    const TToolRun csv =
        Station({"export", "--format", "csv", "--config", "dp2b \"rev, 2\"", "--verdict", "PASS"});
    ASSERT_EQ(csv.status, recordstool::kExitOk) << csv.err;
    const std::string header =
        "seq,id,burn_id,kind,time_utc,station,program,program_version,programmer_serial,"
        "programmer_firmware,config_name,config_crc,config_size,family,channel,verdict,"
        "channel_state,channel_code,code_name,overall_error,chip_ids,operator_comment,"
        "serial_number\r\n";
    const std::string id = fStation.Ids().at(5);
    EXPECT_EQ(csv.out, header + "6," + id + "," + id +
                           ",burn,2026-12-11T09:30:00.000Z,LINE-2,ArdentCmd,1.0.36,PRG-B,1.6.3,"
                           "\"dp2b \"\"rev, 2\"\"\",48879,4096,DP3B,1,PASS,3,0,OK,0,"
                           "Device=0x12abcd,,SN-005\r\n");

    const TToolRun json = Station({"export", "--format", "json", "--serial", "SN-005"});
    ASSERT_EQ(json.status, recordstool::kExitOk) << json.err;
    EXPECT_NE(json.out.find("\"config_crc\": 48879,"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"channel\": 1,"), std::string::npos);
    EXPECT_NE(json.out.find("\"config_name\": \"dp2b \\\"rev, 2\\\"\","), std::string::npos);
    EXPECT_NE(json.out.find("\"serial_number\": \"SN-005\""), std::string::npos);
}

TEST_F(RecordQueriesTest, ExportSurvivesACommentThatIsNotUtf8) {
    TRecordSpec spec;
    spec.comment = "socket \xE9puis\xE9"; // Latin-1 typed into the comment field
    spec.serial = "SN-LATIN";
    fStation.Append({spec});
    const TToolRun json = Station({"export", "--format", "json", "--serial", "SN-LATIN"});
    ASSERT_EQ(json.status, recordstool::kExitOk) << json.err;
    EXPECT_NE(json.out.find("socket \xEF\xBF\xBDpuis\xEF\xBF\xBD"), std::string::npos);
}

TEST_F(RecordQueriesTest, ExportToAFileReplacesItWholeOrLeavesItAlone) {
    const std::string path = fStation.Folder() + "/export.csv";
    ASSERT_EQ(Station({"export", "--format", "csv", "--output", path}).status,
              recordstool::kExitOk);
    std::ifstream written(path, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(written)), {});
    // The header and 9 records; a line break inside a quoted comment is no record's end.
    size_t lines = 0;
    for (size_t at = content.find("\r\n"); at != std::string::npos;
         at = content.find("\r\n", at + 2)) {
        ++lines;
    }
    EXPECT_EQ(lines, 10u);

    const TToolRun failed =
        Station({"export", "--format", "csv", "--output", fStation.Folder() + "/no/such.csv"});
    EXPECT_EQ(failed.status, recordstool::kExitFailed);
    EXPECT_NE(failed.err.find("cannot write"), std::string::npos) << failed.err;
    EXPECT_FALSE(std::filesystem::exists(fStation.Folder() + "/no"));
}

TEST_F(RecordQueriesTest, UnusableCommandLinesAreRefusedWithTheReason) {
    const struct {
        std::vector<std::string> arguments;
        int status;
        const char* reason;
    } cases[] = {
        {{}, recordstool::kExitUsage, "no command given"},
        {{"burn"}, recordstool::kExitUsage, "unknown command: burn"},
        {{"find", "--colour", "red"}, recordstool::kExitUsage, "unknown option: --colour"},
        {{"find", "--chip-id"}, recordstool::kExitUsage, "--chip-id needs a value"},
        {{"find", "--chip-id", "0xZZ"}, recordstool::kExitUsage, "not a hexadecimal chip ID"},
        {{"find", "--from", "11.12.2026"}, recordstool::kExitUsage, "--from: not a UTC time"},
        {{"find", "--limit", "-3"}, recordstool::kExitUsage, "--limit: not a positive number"},
        {{"export"}, recordstool::kExitUsage, "--format csv or --format json"},
        {{"sync", "--url", "postgresql:///x", "--db", "/nonexistent-folder/records.sqlite"},
         recordstool::kExitFailed,
         "/nonexistent-folder/records.sqlite"},
        {{"find", "--url", "postgresql:///ardent?host=/nonexistent-folder"},
         recordstool::kExitFailed,
         "cannot reach the plant database"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(::testing::PrintToString(test.arguments));
        const TToolRun run = RunTool(test.arguments);
        EXPECT_EQ(run.status, test.status);
        EXPECT_NE(run.err.find(test.reason), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(RecordQueriesTest, SyncStatusCountsWhatIsNotForwardedYet) {
    const TToolRun run = Station({"sync", "--status"});
    ASSERT_EQ(run.status, recordstool::kExitOk) << run.err;
    EXPECT_EQ(run.out, "unsent records: 9\nlast sent: seq 0\nlast error: none\n");
}

TEST_F(RecordQueriesTest, PlantAnswersEveryQueryWithTheStationsBytes) {
    if (const std::string reason = TPostgresServer::MissingReason(); !reason.empty()) {
        GTEST_SKIP() << reason;
    }
    TPostgresServer server;
    std::string error;
    ASSERT_TRUE(server.Create(error)) << error;
    ASSERT_EQ(RunTool({"init-db", "--url", server.Url()}).status, recordstool::kExitOk);
    // init-db is idempotent.
    const TToolRun again = RunTool({"init-db", "--url", server.Url()});
    ASSERT_EQ(again.status, recordstool::kExitOk) << again.err;
    EXPECT_EQ(again.out, "plant database ready (record schema version 1)\n");
    const TToolRun sync = Station({"sync", "--url", server.Url()});
    ASSERT_EQ(sync.status, recordstool::kExitOk) << sync.err;
    EXPECT_EQ(sync.out, "forwarded 9 records\n");
    EXPECT_EQ(Station({"sync", "--status"}).out.substr(0, 18), "unsent records: 0\n");

    const std::vector<std::vector<std::string>> queries = {
        {"find"},
        {"find", "--chip-id", "0x0012abcd"},
        {"find", "--from", "2026-12-11T08:00:00.000Z", "--to", "2026-12-11T09:30"},
        {"find", "--station", "LINE-2", "--limit", "2"},
        {"export", "--format", "csv"},
        {"export", "--format", "json", "--verdict", "FAIL"},
        {"yield"},
        {"yield", "--programmer", "PRG-A", "--top", "1"},
    };
    for (const auto& query : queries) {
        SCOPED_TRACE(::testing::PrintToString(query));
        std::vector<std::string> plant = query;
        plant.insert(plant.end(), {"--url", server.Url()});
        const TToolRun atStation = Station(query);
        const TToolRun atPlant = RunTool(plant);
        ASSERT_EQ(atPlant.status, recordstool::kExitOk) << atPlant.err;
        EXPECT_EQ(atPlant.out, atStation.out);
    }
}

} // namespace
} // namespace ardent::testing
