// The built ArdentCmd against the simulated programmer, as a line script runs it: the exact
// output bytes and the full 32-bit result (from the result file) of every programmer command,
// with the simulator's faults for the failure paths.

#include "ProgramProcess.h"
#include "SimTestSupport.h"
#include "protocol/ProgrammerLock.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;
using simtest::MakeImage;
using simtest::TSimDaemon;

const std::string kArdentCmd = std::string(ARDENT_BIN_DIR) + "/ArdentCmd";
const std::string kSimTransport = std::string(ARDENT_BIN_DIR) + "/libportbridge-sim.so";

// Far beyond any run of these tests (the waits are shortened): only a run that hangs meets it.
constexpr std::chrono::seconds kRunLimit{30};

const std::string kSuccess = "Operation completed successfully.\r\n";
const std::string kFailed = "Operation failed.\r\n";
std::string Failure(const std::string& message) {
    return "Operation completed with: " + message + "\r\n" + kFailed;
}

struct Outcome {
    std::string out;
    int64_t result = 0;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& outcome) {
    return os << "result " << outcome.result << ", output \"" << outcome.out << "\"";
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ArdentCmdAgainstSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Ready());
        folder = fs::temp_directory_path() / ("ardent-e2e-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // Runs ArdentCmd with `args` against the simulator. `timeoutScale` shortens the tool's waits
    // where a test expects one to run out.
    // `extra` entries are added to the run's environment.
    Outcome Run(const std::vector<std::string>& args, const std::string& timeoutScale = {},
                const std::string& socket = {}, const std::vector<std::string>& extra = {}) {
        const fs::path resultFile = folder / "result";
        fs::remove(resultFile);
        std::vector<std::string> environment = Environment(socket);
        environment.push_back("ARDENTCMD_RESULT_FILE=" + resultFile.string());
        environment.push_back("ARDENT_TIMEOUT_SCALE=" + timeoutScale);
        environment.push_back("ARDENT_RECORDS=" +
                              (recordsSetting.empty() ? RecordsFile() : recordsSetting));
        environment.push_back("ARDENT_STATION=e2e-station");
        environment.insert(environment.end(), extra.begin(), extra.end());
        const testing::ProgramOutcome run =
            testing::RunProgram(kArdentCmd, args, environment, {}, kRunLimit);
        EXPECT_FALSE(run.overTime) << args[0] << " did not end";
        Outcome outcome{run.out, -1};
        const std::string result = ReadText(resultFile);
        EXPECT_FALSE(result.empty()) << "no result file";
        if (!result.empty())
            outcome.result = std::stoll(result);
        if (expectedErr.empty())
            testing::ExpectQuietStandardError(run.err, outcome.result, args[0]);
        else
            EXPECT_EQ(run.err, expectedErr) << "standard error only says that records were lost";
        EXPECT_EQ(run.exitStatus == 0, outcome.result == 0) << "exit status " << run.exitStatus;
        return outcome;
    }

    // The simulated transport on `socket` (empty: the fixture's simulator), chosen by serial
    // number with the programmer locks in the test's own folder, so no other ArdentCmd of the
    // machine stands in the way.
    std::vector<std::string> Environment(const std::string& socket = {}) const {
        std::vector<std::string> environment = {"ARDENT_PORTBRIDGE=" + kSimTransport,
                                                "ARDENT_SIM_SOCKET=" +
                                                    (socket.empty() ? sim.Socket() : socket)};
        const auto own = testing::PrivateProgrammerEnvironment(folder.string());
        environment.insert(environment.end(), own.begin(), own.end());
        return environment;
    }

    void Control(const std::string& line) {
        const std::string reply = sim.Control(line);
        ASSERT_TRUE(reply.starts_with("ok")) << line << ": " << reply;
    }

    // A .cfg file of `size` bytes; its CRC in `crc`.
    std::string WriteCfg(const std::string& name, size_t size, uint16_t& crc,
                         const std::string& configName = "E2E line", uint32_t targetType = 2,
                         uint32_t channels = 0x0F) {
        const Bytes image = MakeImage(size, configName, targetType, channels);
        crc = simtest::ImageCrc(image);
        const fs::path file = folder / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        return file.string();
    }

    static int64_t Unsigned(uint32_t value) { return static_cast<int32_t>(value); }

    std::string RecordsFile() const { return (folder / "records.sqlite").string(); }
    // The rows of `sql` against the records of the runs, one "a|b|c" line per row.
    std::string Records(const std::string& sql) const {
        std::string rows;
        sqlite3* handle = nullptr;
        if (sqlite3_open_v2(RecordsFile().c_str(), &handle, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK) {
            sqlite3_exec(
                handle, sql.c_str(),
                [](void* out, int count, char** values, char**) {
                    auto& text = *static_cast<std::string*>(out);
                    for (int i = 0; i < count; ++i)
                        text += std::string(i ? "|" : "") + (values[i] ? values[i] : "NULL");
                    text += "\n";
                    return 0;
                },
                &rows, nullptr);
        }
        sqlite3_close(handle);
        return rows;
    }

    TSimDaemon sim;
    fs::path folder;
    // ARDENT_RECORDS of the runs; empty: the test's own database in `folder`.
    std::string recordsSetting;
    std::string expectedErr;
};

TEST_F(ArdentCmdAgainstSimulator, ProductionFlowStoreNameCrcBurnBackup) {
    uint16_t crc = 0;
    const std::string cfg = WriteCfg("line.cfg", 1000, crc, "E2E line", 2, 0x0B);
    EXPECT_EQ(Run({"-store", cfg}), (Outcome{kSuccess, 0}));
    EXPECT_EQ(Run({"-getName"}), (Outcome{"E2E line\r\n" + kSuccess, 0}));
    char crcLine[32];
    std::snprintf(crcLine, sizeof crcLine, "CRC = %04X\r\n", crc);
    EXPECT_EQ(Run({"-getCrc"}), (Outcome{crcLine + kSuccess, Unsigned(uint32_t{crc} << 16)}));

    // Channels 1 and 2 pass, 3 is not selected, 4 fails with STOP_APP (7).
    for (const char* line : {"chip 1 DP2B", "chip 2 DP2B", "chip 4 DP2B", "verdict 4 fail 7"})
        Control(line);
    EXPECT_EQ(Run({"-execute"}), (Outcome{"Status channel [1] : OK\r\n"
                                          "Status channel [2] : OK\r\n"
                                          "Status channel [3] : INACTIVE\r\n"
                                          "Status channel [4] : Error = STOP_APP\r\n",
                                          Unsigned(0x072D0000)}));

    const std::string backup = (folder / "backup.cfg").string();
    EXPECT_EQ(Run({"-backup", backup}), (Outcome{kSuccess, 0}));
    EXPECT_EQ(ReadText(backup), ReadText(cfg));
}

TEST_F(ArdentCmdAgainstSimulator, ABurnRefusedAsAWholeReportsOnlyTheOverallError) {
    uint16_t crc = 0;
    Control("store " + WriteCfg("line.cfg", 200, crc, "E2E line", 2, 0x01));
    Control("chip 1 DP3B"); // a DP3B chip under a DP2B configuration
    EXPECT_EQ(Run({"-execute"}), (Outcome{"Error = WRONG_TARGET_TYPE\r\n", 84}));
}

TEST_F(ArdentCmdAgainstSimulator, BackupOfA130ByteConfigurationWritesThe130Bytes) {
    uint16_t crc = 0;
    const std::string cfg = WriteCfg("small.cfg", 130, crc);
    Control("store " + cfg);
    const std::string backup = (folder / "small-backup.cfg").string();
    EXPECT_EQ(Run({"-backup", backup}), (Outcome{kSuccess, 0}));
    EXPECT_EQ(fs::file_size(backup), 130u);
    EXPECT_EQ(ReadText(backup), ReadText(cfg));
}

TEST_F(ArdentCmdAgainstSimulator, BackupOfNoConfigurationWritesNothingAndIsNotLoaded) {
    uint16_t crc = 0;
    const std::string keep = WriteCfg("keep.cfg", 500, crc);
    const std::string kept = ReadText(keep);
    Control("clear-config");
    EXPECT_EQ(Run({"-backup", keep}), (Outcome{Failure("ERROR_CFG_NOT_LOADED"), -122}));
    EXPECT_EQ(ReadText(keep), kept);
    const std::string fresh = (folder / "fresh.cfg").string();
    EXPECT_EQ(Run({"-backup", fresh}), (Outcome{Failure("ERROR_CFG_NOT_LOADED"), -122}));
    EXPECT_FALSE(fs::exists(fresh));
    // A good image is still written byte for byte over the old file.
    const std::string stored = WriteCfg("stored.cfg", 130, crc);
    Control("store " + stored);
    EXPECT_EQ(Run({"-backup", keep}), (Outcome{kSuccess, 0}));
    EXPECT_EQ(ReadText(keep), ReadText(stored));
}

TEST_F(ArdentCmdAgainstSimulator, BackupIntoAMissingFolderSaysWhy) {
    uint16_t crc = 0;
    Control("store " + WriteCfg("line.cfg", 130, crc));
    const std::string target = (folder / "no" / "such.cfg").string();
    EXPECT_EQ(Run({"-backup", target}), (Outcome{"FileSystemError: Cannot create file \"" + target +
                                                     "\". No such file or directory\r\n",
                                                 255}));
}

TEST_F(ArdentCmdAgainstSimulator, ACodeOfTwoBytesStaysInItsChannelsByte) {
    uint16_t crc = 0;
    Control("store " + WriteCfg("line.cfg", 200, crc, "E2E line", 2, 0x03));
    for (const char* line : {"chip 1 DP2B", "chip 2 DP2B", "verdict 1 fail 300"})
        Control(line);
    const Outcome outcome = Run({"-execute"});
    EXPECT_EQ(outcome.result, Unsigned(0x2D2D00FF)) << "channel 2 passed";
    EXPECT_TRUE(outcome.out.ends_with("Status channel [2] : OK\r\n"
                                      "Status channel [3] : INACTIVE\r\n"
                                      "Status channel [4] : INACTIVE\r\n"))
        << outcome.out;
}

TEST_F(ArdentCmdAgainstSimulator, ControlBytesOfTheStoredNameAreShownAsQuestionMarks) {
    uint16_t crc = 0;
    Control("store " + WriteCfg("forged.cfg", 200, crc, "\x1b[31mRED\r\nOperation ok\x7f"));
    EXPECT_EQ(Run({"-getName"}), (Outcome{"?[31mRED??Operation ok?\r\n" + kSuccess, 0}));
}

// Every kind of file that is not a regular one, and a regular file too large for any input,
// given to each command that reads a file: each run ends at once with the failure of an
// unreadable file and leaves the file as it was.
TEST_F(ArdentCmdAgainstSimulator, OddFilesEndEveryCommandAtOnceAsUnreadableFiles) {
    ASSERT_EQ(::mkfifo((folder / "fifo.cfg").c_str(), 0600), 0);
    fs::create_directory(folder / "folder.cfg");
    fs::create_symlink("/dev/zero", folder / "zero.cfg");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (folder / "socket.cfg").c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    // Far larger than memory, so only a refusal from the size can end the run cleanly.
    std::ofstream(folder / "huge.cfg").flush();
    std::error_code error;
    fs::resize_file(folder / "huge.cfg", uintmax_t{1} << 40, error);
    if (error)
        fs::resize_file(folder / "huge.cfg", uintmax_t{1} << 36, error);
    ASSERT_FALSE(error) << error.message();

    const std::string unreadable =
        "NAME : \r\nCHANNEL : 1,0,0,0\r\nAPARAM CHECKSUM : Error\r\nFW PATCH ID : Error\r\n";
    const std::string notXml =
        "Fail parsing XML file.\r\n" + Failure("Invalid command parameters!");
    const auto createCfg = [](const char* input, const std::string& file) {
        return std::vector<std::string>{"-createCfg", "--device",  "dp3b",   "--baud",
                                        "0x9600",     "--channel", "0x0F",   input,
                                        file,         "--output",  "out.cfg"};
    };
    for (const char* kind : {"fifo.cfg", "folder.cfg", "zero.cfg", "socket.cfg", "huge.cfg"}) {
        const std::string file = (folder / kind).string();
        const fs::file_status before = fs::symlink_status(file);
        const struct {
            std::vector<std::string> args;
            Outcome outcome;
        } cases[] = {
            {{"-fileGetInfo", file}, {unreadable + Failure("ERROR_CFG_NOT_LOADED"), -122}},
            {{"-store", file}, {Failure("ERROR_FILE_CFG"), -126}},
            {{"-fileUpdateChannel", file + ",3"}, {Failure("ERROR_CFG_NOT_LOADED"), -122}},
            {createCfg("--par", file), {notXml, -119}},
            {createCfg("--patch", file), {notXml, -119}},
        };
        for (const auto& c : cases) {
            EXPECT_EQ(Run(c.args), c.outcome) << c.args[0] << " " << kind;
            EXPECT_EQ(fs::symlink_status(file).type(), before.type()) << c.args[0] << " " << kind;
        }
    }
    EXPECT_EQ(fs::file_size(folder / "huge.cfg"), uintmax_t{1} << (error ? 36 : 40));
    EXPECT_FALSE(fs::exists(folder / "out.cfg"));
    ::close(listener);
}

TEST_F(ArdentCmdAgainstSimulator, AKilledRunLeavesAnEmptyResultFileNotThePreviousValue) {
    const fs::path resultFile = folder / "result";
    std::ofstream(resultFile) << "0\n";
    // The programmer does not answer, so the run waits its full (unshortened) time-out; it is
    // killed as soon as the file is empty.
    Control("fault drop 1");
    {
        std::vector<std::string> environment = Environment();
        environment.push_back("ARDENTCMD_RESULT_FILE=" + resultFile.string());
        const testing::BackgroundProgram run(kArdentCmd, {"-getName"}, environment);
        const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
        while (fs::file_size(resultFile) != 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } // kill -9
    EXPECT_EQ(ReadText(resultFile), "") << "the previous run's 0 must not survive";
    Control("fault clear");
    EXPECT_EQ(Run({"-getName"}).result, 0);
}

// Another ArdentCmd running on the machine (a program copied under that name) does not stop a
// run that chose its programmer: a store and a read-back go through.
TEST_F(ArdentCmdAgainstSimulator, AForeignArdentCmdOnTheMachineDoesNotStopTheRun) {
    const fs::path foreignFolder = folder / "foreign";
    fs::create_directories(foreignFolder);
    fs::copy_file("/bin/sleep", foreignFolder / "ArdentCmd");
    const testing::BackgroundProgram foreign((foreignFolder / "ArdentCmd").string(), {"60"});
    uint16_t crc = 0;
    const std::string cfg = WriteCfg("foreign.cfg", 300, crc, "FOREIGN");
    EXPECT_EQ(Run({"-store", cfg}), (Outcome{kSuccess, 0}));
    EXPECT_EQ(Run({"-getName"}), (Outcome{"FOREIGN\r\n" + kSuccess, 0}));
}

// One owner per programmer, end to end: while an ArdentCmd burns on the programmer, a second one
// for the same programmer is refused with the holder named; once the burning one is killed with
// SIGKILL, the kernel has released the programmer and the next run goes through.
TEST_F(ArdentCmdAgainstSimulator, AKilledOwnerReleasesTheProgrammer) {
    const TSimDaemon slow({"--scenario", ARDENT_TEST_DATA_DIR "/simulator/slow-burn.scenario"});
    ASSERT_TRUE(slow.Ready());
    uint16_t crc = 0;
    const std::string cfg = WriteCfg("slow.cfg", 200, crc, "SLOW", 2, 0x01);
    ASSERT_EQ(Run({"-store", cfg}, {}, slow.Socket()).result, 0);
    std::optional<TProgrammerHolder> holder;
    {
        const testing::BackgroundProgram burning(kArdentCmd, {"-execute"},
                                                 Environment(slow.Socket()));
        const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
        // The lock comes a moment before the holder's record in it.
        while (!((holder = ProgrammerHolder(testing::kPrivateSimulatorSerial, folder.string())) &&
                 holder->pid != 0) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(holder.has_value());
        EXPECT_EQ(holder->program, "ArdentCmd");
        const Outcome refused = Run({"-getName"}, {}, slow.Socket());
        EXPECT_EQ(refused, (Outcome{"Instance of this program is already running!\r\n", -121}));
    } // kill -9
    EXPECT_FALSE(ProgrammerHolder(testing::kPrivateSimulatorSerial, folder.string()).has_value());
    EXPECT_EQ(Run({"-getName"}, {}, slow.Socket()), (Outcome{"SLOW\r\n" + kSuccess, 0}));
}

// ARDENT_CONNECT_WAIT_S: a programmer that appears a moment after the start (one re-enumerating
// after power-up) is waited for; without it, or with a wait that ends first, the run fails with
// its one line on standard error. The late simulator starts while the run waits.
TEST_F(ArdentCmdAgainstSimulator, ConnectWaitTakesAProgrammerThatAppearsLate) {
    const std::string lateSocket = simtest::UniqueSocketPath();
    EXPECT_EQ(Run({"-getFwVer"}, "0.001", lateSocket, {"ARDENT_CONNECT_WAIT_S=0"}).result, -127);
    auto waiting = std::async(std::launch::async, [&] {
        return Run({"-getFwVer"}, {}, lateSocket, {"ARDENT_CONNECT_WAIT_S=60"});
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const TSimDaemon late({}, lateSocket);
    ASSERT_TRUE(late.Ready());
    const Outcome outcome = waiting.get();
    EXPECT_EQ(outcome.result, 0) << outcome;
    EXPECT_TRUE(outcome.out.starts_with("Firmware version is ")) << outcome;
}

TEST_F(ArdentCmdAgainstSimulator, FirmwareBelowTheMinimumIsShownWithTheMinimum) {
    Control("firmware 0x010500");
    EXPECT_EQ(Run({"-getFwVer"}), (Outcome{"Firmware version is 1.5.0\r\n"
                                           "Minimum required FW version is 1.6.3\r\n" +
                                               kSuccess,
                                           0}));
}

TEST_F(ArdentCmdAgainstSimulator, ReadIdsOfOneChannel) {
    Control("chip 2 DP2B deviceid=1 firmwareid=2 customerid=3 patchid=4 parameterid=5 romid=6");
    EXPECT_EQ(
        Run({"-readID", "DP2B,2"}),
        (Outcome{"Channel[2]:  0x00000001 0x0000000000000002 0x00000003 0x0004 0x0005 0x0006\r\n",
                 0}));
    Control("chip 3 absent");
    EXPECT_EQ(Run({"-readID", "DP2B,3"}), (Outcome{"Channel[3]: Error = SYNC\r\n", -252}));
}

TEST_F(ArdentCmdAgainstSimulator, DetectIdsMarksTheFailedChannels) {
    for (const char* line :
         {"chip 1 DP2B", "chip 2 DP3B chipid=0x1122334455667788 parameterid=0xBEEF", "chip 3 DP2B",
          "chip 4 DP3B"})
        Control(line);
    const Outcome outcome = Run({"-readID", "DP3B"});
    EXPECT_EQ(outcome.result, Unsigned(0xFFFF0005));
    EXPECT_TRUE(outcome.out.starts_with("Channel[1]: Error = WRONG_TARGET_TYPE\r\n"
                                        "Channel[2]:  0x1122334455667788 0x"))
        << outcome.out;
    EXPECT_NE(outcome.out.find("Channel[3]: Error = WRONG_TARGET_TYPE\r\nChannel[4]:  0x"),
              std::string::npos)
        << outcome.out;
}

TEST_F(ArdentCmdAgainstSimulator, UnusableValuesAreRefusedBeforeAnyRequest) {
    // The refusal armed here hits the first request that reaches the programmer.
    Control("fault status 9 1");
    const std::vector<std::vector<std::string>> refused = {
        {"-setBaudRate", "115200"}, {"-setBaudRate", "9601"}, {"-setChannel", "5"},
        {"-setChannel", "0"},       {"-setChannel", "word"},  {"-readID", "DP4X,2"},
    };
    for (const auto& args : refused)
        EXPECT_EQ(Run(args), (Outcome{Failure("ERROR_UNEX_INPUT"), -125}))
            << args[0] << " " << args[1];
    // ... which is still armed: the programmer refuses this one, and that is no success.
    EXPECT_EQ(Run({"-setChannel", "2"}), (Outcome{"", 255}));
    EXPECT_EQ(Run({"-setChannel", "2"}), (Outcome{"", 0}));
    EXPECT_EQ(Run({"-setBaudRate", "9600"}), (Outcome{"", 0}));
}

TEST_F(ArdentCmdAgainstSimulator, BurnTriggerSetsAndReportsTheExternalTrigger) {
    EXPECT_EQ(Run({"-burnTrigger", "ENABLE"}), (Outcome{"", 0}));
    EXPECT_EQ(Run({"-burnTrigger"}), (Outcome{"", 0}));
    EXPECT_EQ(Run({"-burnTrigger", "disable"}), (Outcome{"", 0}));
    EXPECT_EQ(Run({"-burnTrigger"}), (Outcome{"", 1}));
}

TEST_F(ArdentCmdAgainstSimulator, ServiceCommandsPassTheAnswerOnAsTheResult) {
    Control("chip 2 DP2B");
    EXPECT_EQ(Run({"-setChannel", "2"}), (Outcome{"", 0}));
    Control("service-result 4660");
    EXPECT_EQ(Run({"-setVoltage", "12.5"}), (Outcome{"", 0x1234}));
    EXPECT_EQ(Run({"-readAparam", "DP3B,1"}), (Outcome{Failure("Device is not supported!"), -120}));
    EXPECT_EQ(Run({"-setVoltage", "5.0"}), (Outcome{Failure("Invalid command parameters!"), -119}));
    Control("service-result off");
    EXPECT_EQ(Run({"-writeAparam", "DP2B,3,0x55"}), (Outcome{"", 0}));
    EXPECT_EQ(Run({"-readAparam", "DP2B,3"}), (Outcome{"", 0x55}));
}

TEST_F(ArdentCmdAgainstSimulator, NoProgrammer) {
    Control("unplug");
    EXPECT_EQ(Run({"-getName"}, "0.001"), (Outcome{Failure("ERROR_PROG_CONNECT"), -127}));
    EXPECT_EQ(Run({"-getName"}, "0.001", (folder / "nobody.sock").string()),
              (Outcome{Failure("ERROR_PROG_CONNECT"), -127}));
}

TEST_F(ArdentCmdAgainstSimulator, NoReplyEndsTheWaitWithTheTimeOut) {
    Control("fault drop 1");
    EXPECT_EQ(Run({"-execute"}, "0.001"), (Outcome{Failure("ERROR_CONN_TIMEOUT"), -124}));
    Control("fault drop 1");
    EXPECT_EQ(Run({"-readID", "DP2B,1"}, "0.001"), (Outcome{Failure("ERROR_CONN_TIMEOUT"), -124}));
    Control("fault drop 1");
    EXPECT_EQ(Run({"-getCrc"}, "0.001"), (Outcome{kFailed, 53}));
}

TEST_F(ArdentCmdAgainstSimulator, ProgrammerUnpluggedDuringTheWait) {
    Control("fault disconnect 1");
    EXPECT_EQ(Run({"-execute"}), (Outcome{Failure("ERROR_PROG_DISCONNECTED"), -123}));
    uint16_t crc = 0;
    const std::string cfg = WriteCfg("line.cfg", 1000, crc);
    Control("fault disconnect 5");
    EXPECT_EQ(Run({"-store", cfg}), (Outcome{kFailed + Failure("ERROR_PROG_DISCONNECTED"), -123}));
}

TEST_F(ArdentCmdAgainstSimulator, RefusedStoreIsNoSuccess) {
    uint16_t crc = 0;
    const std::string cfg = WriteCfg("line.cfg", 1000, crc);
    Control("fault status 48 1");
    EXPECT_EQ(Run({"-store", cfg}), (Outcome{kFailed, 255}));
    EXPECT_EQ(Run({"-store", (folder / "missing.cfg").string()}),
              (Outcome{Failure("ERROR_FILE_CFG"), -126}));
}

TEST_F(ArdentCmdAgainstSimulator, MissingReadPieceWritesNoFile) {
    uint16_t crc = 0;
    Control("store " + WriteCfg("line.cfg", 1000, crc));
    Control("fault disconnect 3"); // description, first piece, then the link drops
    const std::string backup = (folder / "backup.cfg").string();
    EXPECT_EQ(Run({"-backup", backup}), (Outcome{kFailed, 255}));
    EXPECT_FALSE(fs::exists(backup));
}

TEST_F(ArdentCmdAgainstSimulator, BurnsAndIdReadsAreRecordedBeforeTheirLines) {
    uint16_t crc = 0;
    Control("store " + WriteCfg("line.cfg", 200, crc, "E2E line", 2, 0x0B));
    for (const char* line : {"chip 1 DP2B", "chip 2 DP2B", "chip 4 DP2B", "verdict 4 fail 7"})
        Control(line);
    EXPECT_EQ(Run({"-execute"}).result, Unsigned(0x072D0000));
    // Channel 3 held no chip: no record.
    EXPECT_EQ(Records("SELECT kind, program, station, channel, verdict, channel_state,"
                      " channel_code, code_name, overall_error FROM burn_record ORDER BY seq"),
              "burn|ArdentCmd|e2e-station|1|PASS|4|0|OK|0\n"
              "burn|ArdentCmd|e2e-station|2|PASS|4|0|OK|0\n"
              "burn|ArdentCmd|e2e-station|4|FAIL|3|7|Error = STOP_APP|0\n");
    EXPECT_EQ(Records("SELECT count(DISTINCT burn_id), count(DISTINCT id) FROM burn_record"),
              "1|3\n");

    Control("chip 2 DP2B deviceid=0xABC firmwareid=2 customerid=3 patchid=4 parameterid=5 romid=6");
    EXPECT_EQ(Run({"-readID", "DP2B,2"}).result, 0);
    EXPECT_EQ(Records("SELECT kind, family, channel, verdict, chip_ids FROM burn_record"
                      " WHERE kind = 'read-id'"),
              "read-id|DP2B|2|READ|Device=0x00000ABC;Firmware=0x0000000000000002;"
              "Customer=0x00000003;Patch=0x0004;Parameter=0x0005;Rom=0x0006\n");
    EXPECT_EQ(Records("SELECT r.channel FROM record_chip_id c JOIN burn_record r USING (seq)"
                      " WHERE c.name = 'Device' AND c.value = 'ABC'"),
              "2\n");
}

TEST_F(ArdentCmdAgainstSimulator, RecordsOffWriteNothing) {
    recordsSetting = "off";
    // Without a stored configuration the burn is refused as a whole: records would be due for
    // every channel.
    EXPECT_EQ(Run({"-execute"}).result, 53);
    EXPECT_FALSE(fs::exists(RecordsFile()));
}

TEST_F(ArdentCmdAgainstSimulator, LostRecordsCostOneWarningLineAndNothingElse) {
    Control("chip 1 DP2B");
    Control("chip 2 DP2B");
    const Outcome recorded = Run({"-execute"});
    // A database under a regular file cannot be created, for root too.
    std::ofstream(folder / "notes.txt") << "notes\n";
    recordsSetting = (folder / "notes.txt" / "records.sqlite").string();
    expectedErr =
        "Burn records not stored: " + recordsSetting + ": unable to open database file\r\n";
    EXPECT_EQ(Run({"-execute"}), recorded);
    EXPECT_EQ(Run({"-readID", "DP2B,1"}).result, 0);
}

// ArdentCmd on a line PC with several simulated programmers: ARDENT_PROGRAMMER decides which
// programmer a command reaches, and without it the tool does not guess. The programmer locks are
// kept in the test's own folder, so no other ArdentCmd of the machine holds one of them.
class ArdentCmdOnALine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(line.Ready());
        fs::create_directories(work / "locks");
    }
    void TearDown() override { fs::remove_all(work); }

    // A copy of ArdentCmd under a name of its own, for a run that chooses no programmer: the
    // machine-wide single-instance rule then counts no other ArdentCmd of the machine.
    std::string PrivateCopy() const {
        return testing::PrivateCopy(kArdentCmd, work / "bin",
                                    "ArdentCmdLine" + std::to_string(::getpid()));
    }

    // Runs `program` (ArdentCmd or a copy of it) for the programmer `serial` ("" = none chosen).
    // `timeoutScale` shortens the tool's waits where a test expects one to run out; four tools
    // sharing the machine must not have their replies cut short.
    Outcome Run(const std::vector<std::string>& args, const std::string& serial,
                const std::string& program = kArdentCmd, const std::string& timeoutScale = {}) {
        const fs::path resultFile = work / ("result-" + (serial.empty() ? "none" : serial));
        fs::remove(resultFile);
        std::vector<std::string> environment = {
            "ARDENT_PORTBRIDGE=" + kSimTransport,           "ARDENT_SIM_LINE=" + folder.Path(),
            "ARDENTCMD_RESULT_FILE=" + resultFile.string(), "ARDENT_TIMEOUT_SCALE=" + timeoutScale,
            "ARDENT_LOCK_DIR=" + (work / "locks").string(),
        };
        if (!serial.empty())
            environment.push_back("ARDENT_PROGRAMMER=" + serial);
        const testing::ProgramOutcome run =
            testing::RunProgram(program, args, environment, {}, kRunLimit);
        EXPECT_FALSE(run.overTime) << args[0] << " did not end";
        Outcome outcome{run.out, -1};
        const std::string result = ReadText(resultFile);
        if (!result.empty())
            outcome.result = std::stoll(result);
        return outcome;
    }

    std::string WriteCfg(const std::string& name, const std::string& configName) {
        const Bytes image = MakeImage(1000, configName);
        const fs::path file = work / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        return file.string();
    }

    const std::vector<std::string> serials = {"SIM00000001", "SIM00000002", "SIM00000003",
                                              "SIM00000004"};
    simtest::TLineFolder folder;
    simtest::TSimLine line{folder.Path(), serials};
    fs::path work = fs::temp_directory_path() / ("ardent-e2e-line-" + std::to_string(::getpid()));
};

TEST_F(ArdentCmdOnALine, CommandsReachTheChosenProgrammerOnly) {
    const std::string cfg = WriteCfg("second.cfg", "Second");
    EXPECT_EQ(Run({"-getName"}, "", PrivateCopy(), "0.001"),
              (Outcome{Failure("ERROR_PROG_CONNECT"), -127}));
    EXPECT_EQ(Run({"-getName"}, "SIM00000009", kArdentCmd, "0.001"),
              (Outcome{Failure("ERROR_PROG_CONNECT"), -127}));
    EXPECT_EQ(Run({"-store", cfg}, "SIM00000002"), (Outcome{kSuccess, 0}));
    EXPECT_EQ(Run({"-getName"}, "SIM00000002"), (Outcome{"Second\r\n" + kSuccess, 0}));
    for (const char* serial : {"SIM00000001", "SIM00000003", "SIM00000004"})
        EXPECT_NE(line.Control(serial, "status").find("no configuration"), std::string::npos)
            << serial;
}

// Four line scripts storing at once, each into its own programmer. The copies of ArdentCmd run
// under their own names, so the tool's single-instance rule does not count them as one another.
TEST_F(ArdentCmdOnALine, FourScriptsStoringAtOnceEachReachTheirOwnProgrammer) {
    std::vector<std::string> programs;
    std::vector<std::string> cfgs;
    for (size_t i = 0; i < serials.size(); ++i) {
        programs.push_back(
            testing::PrivateCopy(kArdentCmd, work, "ArdentCmd-line-" + std::to_string(i + 1)));
        cfgs.push_back(WriteCfg("station" + std::to_string(i + 1) + ".cfg",
                                "Station " + std::to_string(i + 1)));
    }
    std::vector<Outcome> stored(serials.size());
    std::vector<std::thread> stations;
    for (size_t i = 0; i < serials.size(); ++i)
        stations.emplace_back([&, i] {
            stored[i] = Run({"-store", cfgs[i]}, serials[i], programs[i]);
        });
    for (std::thread& station : stations)
        station.join();
    for (size_t i = 0; i < serials.size(); ++i) {
        SCOPED_TRACE(serials[i]);
        EXPECT_EQ(stored[i], (Outcome{kSuccess, 0}));
        EXPECT_EQ(Run({"-getName"}, serials[i], programs[i]),
                  (Outcome{"Station " + std::to_string(i + 1) + "\r\n" + kSuccess, 0}));
    }
}

} // namespace
} // namespace ardent
