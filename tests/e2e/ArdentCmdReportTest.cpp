// ArdentCmd's report file (ARDENTCMD_REPORT_FILE) and progress against the simulated programmer:
// the report of each kind of command, checked against the shipped schema and against the fixed
// lines, result file and exit status of the same run; what a killed run or an unwritable report
// leaves; progress on a terminal, on a pipe, and forced on and off.

#include "ProgramProcess.h"
#include "ReportSchemaCheck.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <unistd.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kArdentCmd = std::string(ARDENT_BIN_DIR) + "/ArdentCmd";
const std::string kSimTransport = std::string(ARDENT_BIN_DIR) + "/libportbridge-sim.so";
const std::string kData = ARDENT_TEST_DATA_DIR;
// Far beyond any run of these tests (the waits are shortened): only a run that hangs meets it.
constexpr std::chrono::seconds kRunLimit{30};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> LinesOf(const std::string& output) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < output.size();) {
        const size_t end = output.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        lines.push_back(output.substr(start, end - start));
        start = end == std::string::npos ? output.size() : end + 2;
    }
    return lines;
}

struct ReportedRun {
    testing::ProgramOutcome run;
    int64_t result = 0;
    json report;
};

class ArdentCmdReport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Ready());
        folder = fs::temp_directory_path() / ("ardent-report-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        fs::create_directories(lockFolder);
    }
    void TearDown() override {
        fs::remove_all(folder);
        fs::remove_all(lockFolder);
    }

    // The simulator, chosen by serial number with the programmer locks in a private folder, so
    // no other ArdentCmd of the machine stands in the way; with `chooseProgrammer` false, none is
    // chosen (for a private copy of ArdentCmd, see PrivateCopy).
    std::vector<std::string> Environment(const std::vector<std::string>& extra = {},
                                         bool chooseProgrammer = true) const {
        std::vector<std::string> environment = {
            "ARDENT_PORTBRIDGE=" + kSimTransport,
            "ARDENT_SIM_SOCKET=" + sim.Socket(),
            "ARDENTCMD_RESULT_FILE=" + resultFile.string(),
            // The real waits: a programmer that answers never meets them.
            "ARDENT_TIMEOUT_SCALE=",
        };
        if (chooseProgrammer) {
            const auto own = testing::PrivateProgrammerEnvironment(lockFolder.string());
            environment.insert(environment.end(), own.begin(), own.end());
        }
        environment.insert(environment.end(), extra.begin(), extra.end());
        return environment;
    }

    // Runs ArdentCmd with a report file and checks the report against the schema and against
    // the same run's output, result file and exit status. `program` is ArdentCmd, or a private
    // copy of it that chooses no programmer.
    ReportedRun Run(const std::vector<std::string>& args,
                    const std::vector<std::string>& extraEnvironment = {},
                    const std::string& program = kArdentCmd) {
        fs::remove(resultFile);
        fs::remove(reportFile);
        std::vector<std::string> environment =
            Environment({"ARDENTCMD_REPORT_FILE=" + reportFile.string()}, program == kArdentCmd);
        environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
        ReportedRun reported;
        reported.run = testing::RunProgram(program, args, environment, folder.string(), kRunLimit);
        EXPECT_FALSE(reported.run.overTime) << args[0] << " did not end";
        EXPECT_EQ(reported.run.err, "");
        const std::string result = ReadText(resultFile);
        EXPECT_FALSE(result.empty()) << "no result file";
        reported.result = result.empty() ? -1 : std::stoll(result);
        reported.report = json::parse(ReadText(reportFile), nullptr, false);
        const json& report = reported.report;
        EXPECT_FALSE(report.is_discarded()) << "the report is no JSON document";
        if (report.is_discarded())
            return reported;
        EXPECT_EQ(testing::SchemaViolations(report), std::vector<std::string>{}) << report.dump(2);
        EXPECT_EQ(report["arguments"], args);
        EXPECT_EQ(report["lines"], LinesOf(reported.run.out));
        EXPECT_EQ(report["result"]["value"], reported.result);
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(reported.result));
        EXPECT_EQ(report["result"]["hex"], hex);
        EXPECT_EQ(report["exitStatus"], reported.run.exitStatus);
        EXPECT_EQ(report["program"], "ArdentCmd");
        return reported;
    }

    void Control(const std::string& line) {
        const std::string reply = sim.Control(line);
        ASSERT_TRUE(reply.starts_with("ok")) << line << ": " << reply;
    }

    // A .cfg file of `size` bytes; its CRC in `crc`.
    std::string WriteCfg(const std::string& name, size_t size, uint16_t& crc,
                         const std::string& configName = "Report line", uint32_t channels = 0x0B) {
        const Bytes image = simtest::MakeImage(size, configName, 2, channels);
        crc = simtest::ImageCrc(image);
        const fs::path file = folder / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        return file.string();
    }

    simtest::TSimDaemon sim;
    fs::path folder;
    fs::path resultFile =
        fs::temp_directory_path() / ("ardent-report-result-" + std::to_string(::getpid()));
    fs::path reportFile =
        fs::temp_directory_path() / ("ardent-report-" + std::to_string(::getpid()) + ".json");
    fs::path lockFolder =
        fs::temp_directory_path() / ("ardent-report-locks-" + std::to_string(::getpid()));
};

TEST_F(ArdentCmdReport, StoreNameCrcAndBackupReportTheConfiguration) {
    uint16_t crc = 0;
    const std::string cfg = WriteCfg("line.cfg", 1000, crc);
    const json expected = {{"name", "Report line"}, {"size", 1000},     {"crc", crc},
                           {"targetType", 2},       {"family", "DP2B"}, {"channelSelection", 11},
                           {"channels", {1, 2, 4}}};
    const auto check = [&expected](const json& configuration, const char* source) {
        EXPECT_EQ(configuration["source"], source);
        for (const auto& [key, value] : expected.items())
            EXPECT_EQ(configuration[key], value) << source << " " << key;
    };

    ReportedRun stored = Run({"-store", cfg});
    EXPECT_EQ(stored.result, 0);
    EXPECT_EQ(stored.report["message"], "Operation completed successfully.");
    EXPECT_EQ(stored.report["command"]["option"], "store");
    EXPECT_EQ(stored.report["command"]["value"], cfg);
    EXPECT_EQ(stored.report["command"]["items"], json::array()) << "the whole value is the name";
    check(stored.report["learnt"]["configuration"], "file");
    EXPECT_EQ(stored.report["learnt"]["configuration"]["file"], cfg);
    EXPECT_EQ(stored.report["learnt"]["transferredBytes"], 1000);

    for (const char* command : {"-getName", "-getCrc"}) {
        ReportedRun described = Run({command});
        check(described.report["learnt"]["configuration"], "programmer");
        EXPECT_EQ(described.report["message"], "Operation completed successfully.");
    }
    ReportedRun crcRun = Run({"-getCrc"});
    EXPECT_EQ(crcRun.result, static_cast<int32_t>(uint32_t{crc} << 16));
    char crcHex[8];
    std::snprintf(crcHex, sizeof crcHex, "0x%04X", crc);
    EXPECT_EQ(crcRun.report["learnt"]["configuration"]["crcHex"], crcHex);

    const std::string backup = (folder / "backup.cfg").string();
    ReportedRun backedUp = Run({"-backup", backup});
    EXPECT_EQ(backedUp.result, 0);
    check(backedUp.report["learnt"]["configuration"], "programmer");
    EXPECT_EQ(backedUp.report["learnt"]["configuration"]["file"], backup);
    EXPECT_EQ(backedUp.report["learnt"]["transferredBytes"], 1000);
}

TEST_F(ArdentCmdReport, ExecuteReportsEveryChannelsVerdict) {
    uint16_t crc = 0;
    Control("store " + WriteCfg("line.cfg", 200, crc));
    for (const char* line : {"chip 1 DP2B", "chip 2 DP2B", "chip 4 DP2B", "verdict 4 fail 7"})
        Control(line);
    ReportedRun burned = Run({"-execute"});
    EXPECT_EQ(burned.result, 0x072D0000);
    EXPECT_EQ(burned.run.exitStatus, 124);
    EXPECT_TRUE(burned.report["message"].is_null()) << "-execute prints no message line";
    const json& burn = burned.report["learnt"]["burn"];
    EXPECT_EQ(burn["sdCardUsed"], false);
    EXPECT_EQ(burn["overall"]["code"], 0);
    const json expected = json::parse(R"([
        {"channel": 1, "state": "passed", "code": {"code": 0, "name": "Operation completed.", "text": "Operation completed."}},
        {"channel": 2, "state": "passed", "code": {"code": 0, "name": "Operation completed.", "text": "Operation completed."}},
        {"channel": 3, "state": "inactive", "code": {"code": 45, "name": "INACTIVE", "text": "INACTIVE"}},
        {"channel": 4, "state": "failed", "code": {"code": 7, "name": "STOP_APP", "text": "Error = STOP_APP"}}])");
    EXPECT_EQ(burn["channels"], expected);

    // A burn refused as a whole: only the overall code.
    Control("chip 1 DP3B");
    ReportedRun refused = Run({"-execute"});
    EXPECT_EQ(refused.result, 84);
    EXPECT_EQ(refused.report["learnt"]["burn"]["overall"]["name"], "WRONG_TARGET_TYPE");
    EXPECT_EQ(refused.report["learnt"]["burn"]["channels"], json::array());
}

TEST_F(ArdentCmdReport, ReadIdOfOneAndOfEveryChannelReportsTheIdsTheLinesShow) {
    Control("chip 1 DP2B");
    Control("ids 1 deviceID=0x12345678 firmwareID=0x0102030405060708 customerID=0xCAFE "
            "patchID=0x0A0B parameterID=0x1234 romID=0x00EE");
    ReportedRun read = Run({"-readID", "DP2B,1"});
    ASSERT_EQ(read.run.out, "Channel[1]:  0x12345678 0x0102030405060708 0x0000CAFE 0x0A0B 0x1234 "
                            "0x00EE\r\n");
    const json& channel = read.report["learnt"]["ids"][0];
    EXPECT_EQ(channel["channel"], 1);
    EXPECT_EQ(channel["family"], "DP2B");
    EXPECT_EQ(channel["state"], "passed");
    EXPECT_EQ(channel["ids"], json::parse(R"({
        "deviceID": {"hex": "0x12345678", "value": 305419896},
        "firmwareID": {"hex": "0x0102030405060708", "value": 72623859790382856},
        "customerID": {"hex": "0x0000CAFE", "value": 51966},
        "patchID": {"hex": "0x0A0B", "value": 2571},
        "parameterID": {"hex": "0x1234", "value": 4660},
        "romID": {"hex": "0x00EE", "value": 238}})"));

    Control("chip 3 absent");
    ReportedRun detected = Run({"-readID", "DP2B"});
    const json& ids = detected.report["learnt"]["ids"];
    ASSERT_EQ(ids.size(), 4u) << detected.run.out;
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(ids[i]["channel"], i + 1);
    EXPECT_EQ(ids[2]["state"], "failed");
    EXPECT_EQ(ids[2]["ids"], json::object());
    EXPECT_EQ(ids[0]["ids"]["deviceID"]["hex"], "0x12345678");
}

TEST_F(ArdentCmdReport, SettingsFirmwareAndServiceReplies) {
    Control("firmware 1.7.0");
    ReportedRun firmware = Run({"-getFwVer"});
    EXPECT_EQ(firmware.report["learnt"]["firmware"], (json{{"version", "1.7.0"},
                                                           {"value", 0x010700},
                                                           {"supported", true},
                                                           {"sdCardInserted", false}}));

    Control("service-result 0x1234");
    ReportedRun info = Run({"-getInfo", "dp2b,3"});
    EXPECT_EQ(info.result, 0x1234);
    // Module 4, opCode 6; the device code 2 and the info type 3 as 16-bit values.
    EXPECT_EQ(info.report["learnt"]["service"], (json{{"command", "getInfo"},
                                                      {"device", "DP2B"},
                                                      {"module", 4},
                                                      {"opCode", 6},
                                                      {"requestData", "02000300"},
                                                      {"sent", true},
                                                      {"answer", 4660},
                                                      {"answerHex", "0x00001234"}}));
    // A refused service command sends nothing and says so.
    ReportedRun refused = Run({"-readAparam", "DP3B,1"});
    EXPECT_EQ(refused.result, -120);
    EXPECT_EQ(refused.report["message"], "Operation completed with: Device is not supported!");
    EXPECT_EQ(refused.report["learnt"]["service"]["sent"], false);
    EXPECT_EQ(refused.report["learnt"]["service"]["requestData"], "");

    const struct {
        std::vector<std::string> args;
        const char* fact;
        json value;
    } settings[] = {
        {{"-setBaudRate", "38400"}, "baudRate", 38400},
        {{"-setChannel", "3"}, "activeChannel", 3},
        {{"-burnTrigger", "enable"}, "externalTrigger", true},
        {{"-burnTrigger"}, "externalTrigger", true},
        {{"-burnTrigger", "off"}, "externalTrigger", false},
        {{"-burnTrigger"}, "externalTrigger", false},
    };
    for (const auto& setting : settings) {
        ReportedRun run = Run(setting.args);
        EXPECT_EQ(run.report["learnt"][setting.fact], setting.value) << setting.args[0];
    }
}

TEST_F(ArdentCmdReport, FileCommandsShowTheBaudRateTheConfigurationHolds) {
    // 0x9600 is 38400, not 9600: the report shows what the file will make the programmer use.
    ReportedRun created = Run({"-createCfg", "--device", "dp3b", "--baud", "0x9600", "--channel",
                               "0x03", "--par", kData + "/input/dp3b_par.xml", "--patch",
                               kData + "/input/dp3b_patch.xml", "--output", "out.cfg"});
    ASSERT_EQ(created.result, 0) << created.run.out;
    const json& made = created.report["learnt"]["configuration"];
    EXPECT_EQ(made["baudRate"], 38400);
    EXPECT_EQ(made["family"], "DP3B");
    EXPECT_EQ(made["name"], "out");
    EXPECT_EQ(made["channels"], (json{1, 2}));
    EXPECT_EQ(made["size"], fs::file_size(folder / "out.cfg"));

    ReportedRun info = Run({"-fileGetInfo", "out.cfg"}, {"ARDENT_PROGRAMMER=LINE-7"});
    EXPECT_EQ(info.report["programmer"], "LINE-7");
    const json& file = info.report["learnt"]["configuration"];
    EXPECT_EQ(file["baudRate"], 38400);
    EXPECT_EQ(file["file"], "out.cfg");
    const std::vector<std::string> lines = LinesOf(info.run.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "NAME : out");
    EXPECT_EQ(lines[1], "CHANNEL : 1,1,0,0");
    EXPECT_EQ("APARAM CHECKSUM : " + file["aparamChecksum"].get<std::string>(), lines[2]);
    EXPECT_EQ("FW PATCH ID : " + file["patchId"].get<std::string>(), lines[3]);

    ReportedRun updated = Run({"-fileUpdateChannel", "out.cfg,0x0C"});
    EXPECT_EQ(updated.report["learnt"]["configuration"]["channels"], (json{3, 4}));

    // A file that cannot be read has no configuration to report. No programmer is chosen, so a
    // copy of ArdentCmd under a name of its own runs: no other ArdentCmd of the machine counts.
    const std::string copy = testing::PrivateCopy(kArdentCmd, lockFolder / "bin",
                                                  "ArdentCmdReport" + std::to_string(::getpid()));
    ReportedRun missing = Run({"-fileGetInfo", "missing.cfg"}, {}, copy);
    EXPECT_EQ(missing.result, -122);
    EXPECT_FALSE(missing.report["learnt"].contains("configuration"));
    EXPECT_TRUE(info.report["programmer"].is_string());
    EXPECT_TRUE(missing.report["programmer"].is_null());
}

TEST_F(ArdentCmdReport, AnErrorThatEndsTheOperationIsTheMessageLine) {
    uint16_t crc = 0;
    Control("store " + WriteCfg("line.cfg", 130, crc));
    const std::string target = (folder / "no" / "such.cfg").string();
    ReportedRun run = Run({"-backup", target});
    EXPECT_EQ(run.result, 255);
    EXPECT_EQ(run.report["message"],
              "FileSystemError: Cannot create file \"" + target + "\". No such file or directory");
}

TEST_F(ArdentCmdReport, AReportThatCannotBeWrittenChangesNothingElse) {
    uint16_t crc = 0;
    Control("store " + WriteCfg("line.cfg", 200, crc));
    const testing::ProgramOutcome plain =
        testing::RunProgram(kArdentCmd, {"-getName"}, Environment(), {}, kRunLimit);
    const std::string plainResult = ReadText(resultFile);
    const std::string unwritable = (folder / "no" / "such" / "report.json").string();
    for (const std::string& target : {unwritable, folder.string()}) {
        const testing::ProgramOutcome run =
            testing::RunProgram(kArdentCmd, {"-getName"},
                                Environment({"ARDENTCMD_REPORT_FILE=" + target}), {}, kRunLimit);
        EXPECT_EQ(run.out, plain.out);
        EXPECT_EQ(run.exitStatus, plain.exitStatus);
        EXPECT_EQ(ReadText(resultFile), plainResult);
        EXPECT_TRUE(run.err.starts_with("ArdentCmd: report file \"" + target + "\" not written: "))
            << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_TRUE(run.err.ends_with("\n"));
    }
}

TEST_F(ArdentCmdReport, AKilledRunLeavesNoEarlierReportAndNoHalfWrittenOne) {
    uint16_t crc = 0;
    Control("store " + WriteCfg("line.cfg", 200, crc, "Report line", 0x01));
    Control("chip 1 DP2B");
    ASSERT_EQ(Run({"-getName"}).result, 0);
    ASSERT_FALSE(ReadText(reportFile).empty());

    // The burn takes far longer than the run is given: it is killed while it waits.
    Control("burn-time 20000");
    const testing::ProgramOutcome killed = testing::RunProgram(
        kArdentCmd, {"-execute"}, Environment({"ARDENTCMD_REPORT_FILE=" + reportFile.string()}), {},
        std::chrono::milliseconds(1500));
    EXPECT_TRUE(killed.overTime);
    EXPECT_EQ(ReadText(reportFile), "") << "emptied at the start, never written";
    // No temporary file of a report was left beside it.
    for (const auto& entry : fs::directory_iterator(reportFile.parent_path())) {
        EXPECT_FALSE(
            entry.path().filename().string().starts_with(reportFile.filename().string() + "."))
            << entry.path();
    }
    Control("burn-time 0");
}

// Progress: a terminal's standard error gets it, a pipe does not, ARDENTCMD_PROGRESS decides.

TEST_F(ArdentCmdReport, StoreAndBackupShowBytesOnATerminal) {
    uint16_t crc = 0;
    const std::string cfg = WriteCfg("line.cfg", 130, crc);
    const testing::ProgramOutcome stored =
        testing::RunProgramOnTerminal(kArdentCmd, {"-store", cfg}, Environment(), kRunLimit);
    EXPECT_EQ(stored.out, "Operation completed successfully.\r\n");
    EXPECT_EQ(stored.err, "\rStoring [--------------------] 0/130 bytes"
                          "\rStoring [#########-----------] 60/130 bytes"
                          "\rStoring [##################--] 120/130 bytes"
                          "\rStoring [####################] 130/130 bytes\n");
    const std::string backup = (folder / "backup.cfg").string();
    const testing::ProgramOutcome backedUp =
        testing::RunProgramOnTerminal(kArdentCmd, {"-backup", backup}, Environment(), kRunLimit);
    EXPECT_EQ(backedUp.out, "Operation completed successfully.\r\n");
    EXPECT_EQ(backedUp.err, "\rReading [#########-----------] 60/130 bytes"
                            "\rReading [##################--] 120/130 bytes"
                            "\rReading [####################] 130/130 bytes\n");
}

TEST_F(ArdentCmdReport, AStoreBrokenOffEndsItsProgressLineBeforeItsOwnLines) {
    uint16_t crc = 0;
    const std::string cfg = WriteCfg("line.cfg", 130, crc);
    // The announcement and the first piece are answered; the link drops at the second piece.
    Control("fault disconnect 3");
    const testing::ProgramOutcome broken = testing::RunProgramOnTerminal(
        kArdentCmd, {"-store", cfg}, Environment({"ARDENTCMD_REPORT_FILE=" + reportFile.string()}),
        kRunLimit);
    EXPECT_EQ(broken.err, "\rStoring [--------------------] 0/130 bytes"
                          "\rStoring [#########-----------] 60/130 bytes\n");
    EXPECT_TRUE(broken.out.ends_with("Operation completed with: ERROR_PROG_DISCONNECTED\r\n"
                                     "Operation failed.\r\n"))
        << broken.out;
    const json report = json::parse(ReadText(reportFile));
    EXPECT_EQ(report["result"]["value"], -123);
    EXPECT_FALSE(report["learnt"].contains("transferredBytes"));
    EXPECT_EQ(report["learnt"]["configuration"]["size"], 130) << "what was to be stored";
}

TEST_F(ArdentCmdReport, ExecuteShowsTheSecondsWaitedOnATerminal) {
    uint16_t crc = 0;
    Control("store " + WriteCfg("line.cfg", 130, crc, "Report line", 0x01));
    Control("chip 1 DP2B");
    const testing::ProgramOutcome burned =
        testing::RunProgramOnTerminal(kArdentCmd, {"-execute"}, Environment(), kRunLimit);
    EXPECT_EQ(burned.out, "Status channel [1] : OK\r\n"
                          "Status channel [2] : INACTIVE\r\n"
                          "Status channel [3] : INACTIVE\r\n"
                          "Status channel [4] : INACTIVE\r\n");
    EXPECT_TRUE(burned.err.starts_with("\rBurning 0 s")) << burned.err;
    EXPECT_TRUE(burned.err.ends_with(" s\n")) << burned.err;
}

TEST_F(ArdentCmdReport, ProgressForcedOffOrOnWhateverStandardErrorIs) {
    uint16_t crc = 0;
    const std::string cfg = WriteCfg("line.cfg", 100, crc);
    const testing::ProgramOutcome off = testing::RunProgramOnTerminal(
        kArdentCmd, {"-store", cfg}, Environment({"ARDENTCMD_PROGRESS=0"}), kRunLimit);
    EXPECT_EQ(off.out, "Operation completed successfully.\r\n");
    EXPECT_EQ(off.err, "");

    const testing::ProgramOutcome toFile =
        testing::RunProgram(kArdentCmd, {"-store", cfg}, Environment(), {}, kRunLimit);
    EXPECT_EQ(toFile.out, "Operation completed successfully.\r\n");
    EXPECT_EQ(toFile.err, "") << "no progress into a file unless asked for";
    // Standard error on a pipe (our standard output's), standard output thrown away.
    const std::vector<std::string> errorOnAPipe = {"-c", "exec \"$0\" \"$@\" 2>&1 >/dev/null",
                                                   kArdentCmd, "-store", cfg};
    const testing::ProgramOutcome piped =
        testing::RunProgram("/bin/sh", errorOnAPipe, Environment(), {}, kRunLimit);
    EXPECT_EQ(piped.exitStatus, 0);
    EXPECT_EQ(piped.out, "") << "no progress on a pipe unless asked for";
    const testing::ProgramOutcome pipedOn = testing::RunProgram(
        "/bin/sh", errorOnAPipe, Environment({"ARDENTCMD_PROGRESS=1"}), {}, kRunLimit);
    EXPECT_TRUE(pipedOn.out.ends_with("100/100 bytes\n")) << pipedOn.out;

    const testing::ProgramOutcome on = testing::RunProgram(
        kArdentCmd, {"-store", cfg}, Environment({"ARDENTCMD_PROGRESS=1"}), {}, kRunLimit);
    EXPECT_EQ(on.out, "Operation completed successfully.\r\n");
    EXPECT_EQ(on.err, "\rStoring [--------------------] 0/100 bytes"
                      "\rStoring [############--------] 60/100 bytes"
                      "\rStoring [####################] 100/100 bytes\n");
}

} // namespace
} // namespace ardent
