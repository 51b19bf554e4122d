// The report document of a run (ARDENTCMD_REPORT_FILE) built from whole command lines and from
// facts worked out by hand, checked against the shipped schema; and the progress line.

#include "ReportFile.h"
#include "ProgramRun.h"
#include "Progress.h"
#include "ReportSchemaCheck.h"
#include "ResultCodes.h"
#include "RunReport.h"
#include "TargetReport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <string>
#include <vector>

namespace ardent {
namespace {

using nlohmann::json;

json Document(const TRunReport& report, int32_t result) {
    const json document = json::parse(ReportDocument(report, result));
    EXPECT_EQ(testing::SchemaViolations(document), std::vector<std::string>{}) << document.dump(2);
    return document;
}

std::vector<std::string> LinesOf(const std::string& output) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < output.size();) {
        const size_t end = output.find("\r\n", start);
        lines.push_back(output.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

struct RunCase {
    std::vector<std::string> args;
    int runningInstances;
    json command; // the parts of "command" the case pins down; null: no command
    std::string message;
    int exitStatus;
};

TEST(ReportDocument, WholeCommandLinesWithoutAProgrammer) {
    const RunCase cases[] = {
        // Refused by the instance rule before the command line is read.
        {{"-execute"}, 2, nullptr, "Instance of this program is already running!", 135},
        // Two commands: none is kept.
        {{"-execute", "-getName"},
         1,
         {{"option", nullptr}, {"type", "none"}},
         "Operation completed with: ERROR_UNEX_INPUT",
         131},
        {{"-h"}, 1, {{"option", "h"}, {"type", "done"}}, "Operation completed successfully.", 0},
        // Named options are kept with the names lower-cased.
        {{"-createCfg", "--DEVICE", "dp2b", "--baud", "0x9600"},
         1,
         {{"option", "createcfg"},
          {"type", "file"},
          {"code", 6},
          {"items", json::array()},
          {"named", {{"baud", "0x9600"}, {"device", "dp2b"}}}},
         "Operation completed with: Invalid command parameters!",
         137},
        {{"-getInfo", "DP2B"},
         1,
         {{"option", "getinfo"}, {"type", "none"}, {"items", {"DP2B"}}},
         "Operation completed with: ERROR_UNEX_INPUT",
         131},
        // An error that escaped to the top-level handler while the command line was read.
        {{"-fileGetInfo"},
         1,
         {{"option", "filegetinfo"}},
         "IndexOutOfRangeError: List index out of bounds (0)",
         138},
        {{"-fileGetInfo", "missing.cfg,name"},
         1,
         {{"option", "filegetinfo"}, {"type", "file"}, {"items", {"missing.cfg", "name"}}},
         "Operation completed with: ERROR_CFG_NOT_LOADED",
         134},
    };
    for (const RunCase& c : cases) {
        TStringConsole console;
        TRunReport report;
        TNoProgress progress;
        const int32_t result = RunArdentCmd(c.args, console, c.runningInstances, report, progress);
        const json document = Document(report, result);
        SCOPED_TRACE(c.args.front());
        EXPECT_EQ(document["schema"], 1);
        EXPECT_EQ(document["program"], "ArdentCmd");
        EXPECT_EQ(document["arguments"], c.args);
        EXPECT_EQ(document["result"]["value"], result);
        EXPECT_EQ(document["exitStatus"], c.exitStatus);
        EXPECT_EQ(document["message"], c.message);
        EXPECT_EQ(document["lines"], LinesOf(console.Text()));
        if (c.command.is_null()) {
            EXPECT_TRUE(document["command"].is_null());
        } else {
            for (const auto& [key, value] : c.command.items())
                EXPECT_EQ(document["command"][key], value) << key;
        }
        EXPECT_EQ(document["learnt"], json::object());
    }
}

TEST(ReportDocument, BurnVerdictsAndTheirPerChannelResult) {
    // Channels 1 and 2 pass, 3 is not selected, 4 fails with STOP_APP (7): 0x072D0000.
    TBurningStatusOverall status{};
    status.isCardUsed = 1;
    const uint8_t states[] = {CHANNEL_PASSED, CHANNEL_PASSED, CHANNEL_INACTIVE, CHANNEL_FAILED};
    for (uint8_t channel = 0; channel < 4; ++channel)
        status.channels[channel] = {channel, states[channel], uint16_t(channel == 3 ? 7 : 0), 0};
    TRunReport report;
    report.SetBurn(BurnFacts(status));
    const json document = Document(report, 0x072D0000);
    EXPECT_EQ(document["result"], (json{{"value", 120389632}, {"hex", "0x072D0000"}}));
    EXPECT_EQ(document["exitStatus"], 124);
    const json& burn = document["learnt"]["burn"];
    EXPECT_EQ(burn["sdCardUsed"], true);
    EXPECT_EQ(burn["overall"]["code"], 0);
    ASSERT_EQ(burn["channels"].size(), 4u);
    const char* names[] = {"passed", "passed", "inactive", "failed"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(burn["channels"][i]["channel"], i + 1);
        EXPECT_EQ(burn["channels"][i]["state"], names[i]);
    }
    EXPECT_EQ(burn["channels"][3]["code"],
              (json{{"code", 7}, {"name", "STOP_APP"}, {"text", "Error = STOP_APP"}}));

    // A burn refused as a whole has no channel verdicts.
    TBurningStatusOverall refused{};
    refused.overallErrorCode = 84;
    TRunReport wrongTarget;
    wrongTarget.SetBurn(BurnFacts(refused));
    const json whole = Document(wrongTarget, 84)["learnt"]["burn"];
    EXPECT_EQ(whole["overall"]["name"], "WRONG_TARGET_TYPE");
    EXPECT_EQ(whole["channels"], json::array());
}

TEST(ReportDocument, CodeNamesAsTheProgrammersTableGivesThem) {
    const struct {
        uint32_t code;
        const char* name;
        const char* text;
    } cases[] = {
        {0, "Operation completed.", "Operation completed."},
        {7, "STOP_APP", "Error = STOP_APP"},
        {45, "INACTIVE", "INACTIVE"},
        {53, "CFG_NOT_LOADED", "Info  = CFG_NOT_LOADED"},
        {300, "Unrecognized errors", "Unrecognized errors"},
    };
    for (const auto& c : cases) {
        const TCodeFacts facts = CodeFacts(c.code);
        EXPECT_EQ(facts.name, c.name) << c.code;
        EXPECT_EQ(facts.text, c.text) << c.code;
    }
}

TEST(ReportDocument, IdsCarryTheTextsOfTheConsoleLine) {
    TProcessTargetSendId reply{};
    reply.channelNumber = 2;
    reply.channelState = CHANNEL_PASSED;
    reply.dp3BIds.chipId = 0x0123456789ABCDEFull;
    reply.dp3BIds.patchID = 0x1122334455667788ull;
    reply.dp3BIds.parameterID = 0xBEEF;
    reply.dp3BIds.firmwareIdSize = 3;
    reply.dp3BIds.firmwareID[0] = 0x0A;
    reply.dp3BIds.firmwareID[1] = 0x0B;
    reply.dp3BIds.firmwareID[2] = 0x0C;
    TStringConsole console;
    TTargetReport(console).WriteReadIdResult(reply, TTargetFamily::DP3B);
    ASSERT_EQ(console.Text(),
              "Channel[3]:  0x0123456789ABCDEF 0x0A0B0C 0x8877665544332211 0xBEEF\r\n");

    TRunReport report;
    report.AddChannelIds(ChannelIdFacts(reply, TTargetFamily::DP3B));
    const json channel = Document(report, 0)["learnt"]["ids"][0];
    EXPECT_EQ(channel["channel"], 3);
    EXPECT_EQ(channel["family"], "DP3B");
    EXPECT_EQ(channel["state"], "passed");
    EXPECT_EQ(channel["ids"],
              (json{{"chipId", {{"hex", "0x0123456789ABCDEF"}, {"value", 0x0123456789ABCDEFull}}},
                    {"firmwareID", {{"hex", "0x0A0B0C"}, {"value", nullptr}}},
                    {"patchID", {{"hex", "0x8877665544332211"}, {"value", 0x1122334455667788ull}}},
                    {"parameterID", {{"hex", "0xBEEF"}, {"value", 0xBEEF}}}}));

    // A failed channel has its code and no IDs.
    TProcessTargetSendId failed{};
    failed.channelState = CHANNEL_FAILED;
    failed.channelErrorCode = 4;
    TRunReport failedReport;
    failedReport.AddChannelIds(ChannelIdFacts(failed, TTargetFamily::DP2B));
    const json failedChannel = Document(failedReport, -252)["learnt"]["ids"][0];
    EXPECT_EQ(failedChannel["code"]["name"], "SYNC");
    EXPECT_EQ(failedChannel["ids"], json::object());
}

TEST(ReportDocument, BytesThatAreNoTextStillGiveAValidDocument) {
    TRunReport report;
    report.AddOutput("name \xff\xfe\r\n");
    const json document = Document(report, 0);
    EXPECT_EQ(document["lines"], (json{"name \xEF\xBF\xBD\xEF\xBF\xBD"}));
}

TEST(ReportSchemaCheck, FindsWhatBreaksTheSchema) {
    TRunReport report;
    json document = json::parse(ReportDocument(report, 0));
    ASSERT_EQ(testing::SchemaViolations(document), std::vector<std::string>{});
    const struct {
        const char* what;
        json::json_pointer where;
        json value;
        const char* violation;
    } cases[] = {
        {"wrong schema number", "/schema"_json_pointer, 2, "$.schema: 2 is not 1"},
        {"hex in lower case", "/result/hex"_json_pointer, "0x0000000a",
         "$.result.hex: \"0x0000000a\" does not match \"^0x[0-9A-F]{8}$\""},
        {"exit status as text", "/exitStatus"_json_pointer, "0",
         "$.exitStatus: is string, not \"integer\""},
        {"unknown learnt fact", "/learnt/colour"_json_pointer, "red",
         "$.learnt.colour: is not in the schema"},
        {"channel 5", "/learnt/activeChannel"_json_pointer, 5,
         "$.learnt.activeChannel: 5 is above 4"},
    };
    for (const auto& c : cases) {
        json broken = document;
        broken[c.where] = c.value;
        EXPECT_EQ(testing::SchemaViolations(broken), std::vector<std::string>{c.violation})
            << c.what;
    }
    json missing = document;
    missing.erase("message");
    EXPECT_EQ(testing::SchemaViolations(missing), std::vector<std::string>{"$: lacks \"message\""});
}

TEST(ProgressLine, BarsAndSecondsRedrawnOnOneLine) {
    std::string screen;
    TProgressLine line([&screen](std::string_view text) { screen.append(text); });
    line.End(); // nothing drawn yet: no empty line
    line.Transfer("Storing", 0, 130);
    line.Transfer("Storing", 60, 130);
    line.Transfer("Storing", 130, 130);
    line.End();
    line.Waited("Burning", std::chrono::seconds(12));
    line.Waited("Burning", std::chrono::seconds(3)); // shorter: the old end is blanked
    line.End();
    line.Transfer("Reading", 5, 0); // a transfer of nothing counts as complete
    line.End();
    EXPECT_EQ(screen, "\rStoring [--------------------] 0/130 bytes"
                      "\rStoring [#########-----------] 60/130 bytes"
                      "\rStoring [####################] 130/130 bytes"
                      "\n"
                      "\rBurning 12 s"
                      "\rBurning 3 s "
                      "\n"
                      "\rReading [####################] 5/0 bytes"
                      "\n");
}

TEST(ProgressLine, ShownOnATerminalUnlessForced) {
    const struct {
        const char* setting;
        bool terminal;
        bool shown;
    } cases[] = {
        {nullptr, true, true}, {nullptr, false, false}, {"0", true, false}, {"1", false, true},
        {"", true, true},      {"yes", false, false},   {"01", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressWanted(c.setting, c.terminal), c.shown)
            << (c.setting ? c.setting : "unset") << (c.terminal ? " on a terminal" : " on a pipe");
    }
}

TEST(WaitTicker, ShowsTheWaitAtOnceAndEndsTheLine) {
    std::string screen;
    TProgressLine line([&screen](std::string_view text) { screen.append(text); });
    { const TWaitTicker ticker(line, "Burning"); }
    EXPECT_TRUE(screen.starts_with("\rBurning 0 s")) << screen;
    EXPECT_TRUE(screen.ends_with("\n")) << screen;

    // Without progress no thread is started and nothing is drawn.
    TNoProgress none;
    { const TWaitTicker ticker(none, "Burning"); }
}

} // namespace
} // namespace ardent
