// The built ArdentCmd run as a line script runs it: exact output bytes, exit status and the
// result file.

#include "ArdentCmdFixture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RunProgram;

const std::string kArdentCmd = std::string(ARDENT_BIN_DIR) + "/ArdentCmd";

class ArdentCmdProgram : public testing::ArdentCmdFixture {
protected:
    // `entries` and what makes a run the test's own (see PrivateProgrammerEnvironment).
    std::vector<std::string> Own(std::vector<std::string> entries = {}) const {
        const auto own = testing::PrivateProgrammerEnvironment(folder.parent_path().string());
        entries.insert(entries.end(), own.begin(), own.end());
        return entries;
    }
};

TEST_F(ArdentCmdProgram, OutputExitStatusAndResultFile) {
    const std::string usage = ReadFile(Data("cli/usage.golden"));
    ASSERT_EQ(usage.size(), 2945u);
    const std::string success = "Operation completed successfully.\r\n";
    struct Case {
        std::vector<std::string> args;
        std::string out;
        int exitStatus;
        std::string result;
    };
    const Case cases[] = {
        {{}, "Operation completed with: ERROR_UNEX_INPUT\r\nOperation failed.\r\n", 131, "-125\n"},
        {{"-h"}, usage + success, 0, "0\n"},
        {{"-HELP"}, usage + success, 0, "0\n"},
        {{"-?", "anything"}, usage + success, 0, "0\n"},
        {{"-cmdVer"}, "CMD Line version is 1.0.36\r\n" + success, 0, "0\n"},
        {{"-getName"},
         "Operation completed with: ERROR_PROG_CONNECT\r\nOperation failed.\r\n",
         129,
         "-127\n"},
        {{"-fileGetInfo"}, "IndexOutOfRangeError: List index out of bounds (0)\r\n", 138, "-118\n"},
    };
    for (const Case& c : cases) {
        const auto outcome = Run(c.args);
        const std::string line = c.args.empty() ? "(no arguments)" : c.args.front();
        EXPECT_EQ(outcome.out, c.out) << line;
        EXPECT_EQ(outcome.exitStatus, c.exitStatus) << line;
        EXPECT_EQ(Result(), c.result) << line;
    }
}

TEST_F(ArdentCmdProgram, WithoutResultFileOnlyTheExitStatusReports) {
    const auto outcome = RunProgram(kArdentCmd, {"-execute", "now"}, Own());
    EXPECT_EQ(outcome.exitStatus, 131);
    EXPECT_EQ(outcome.err, "");
}

TEST_F(ArdentCmdProgram, UnwritableResultFileDoesNotChangeTheRun) {
    const auto outcome = RunProgram(
        kArdentCmd, {"-cmdVer"}, Own({"ARDENTCMD_RESULT_FILE=" + (folder / "no" / "r").string()}));
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_EQ(outcome.out, "CMD Line version is 1.0.36\r\nOperation completed successfully.\r\n");
}

// The run's start empties a result file, but never the file our own output is appended to.
TEST_F(ArdentCmdProgram, ResultFileOnStandardOutputKeepsWhatTheOutputHeldBefore) {
    const fs::path out = folder / "out.txt";
    std::ofstream(out) << "earlier line\n";
    const auto outcome =
        RunProgram("/bin/sh", {"-c", "exec \"$0\" -cmdVer >> \"$1\"", kArdentCmd, out.string()},
                   Own({"ARDENTCMD_RESULT_FILE=/dev/stdout"}));
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_EQ(ReadFile(out), "earlier line\nCMD Line version is 1.0.36\r\n"
                             "Operation completed successfully.\r\n0\n");
}

// Without a chosen programmer, another running process counts as an instance when its executable
// file name is this program's in any letter case; a long-running program copied under such a
// name stands in for it. The test runs its own copy under a name of its own, so an ArdentCmd
// running elsewhere on the machine does not count, and shows that it does not.
TEST_F(ArdentCmdProgram, SecondInstanceIsRefusedOnlyForTheSameProgramName) {
    const std::string own = "ArdentCmdRule" + std::to_string(::getpid());
    UsePrivateCopy(own);
    std::string lower = own;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    struct Case {
        std::string name;
        bool counted;
    };
    for (const Case& c : {Case{own, true}, Case{lower, true}, Case{own + "Helper", false},
                          Case{"ArdentCmd", false}, Case{"sleep", false}}) {
        const fs::path copyFolder = folder / ("copy-" + c.name);
        fs::create_directories(copyFolder);
        const fs::path copy = copyFolder / c.name;
        fs::copy_file("/bin/sleep", copy);
        const auto outcome = [&] {
            const testing::BackgroundProgram other(copy.string(), {"60"});
            return Run({"-cmdVer"});
        }();
        if (c.counted) {
            EXPECT_EQ(outcome.out, "Instance of this program is already running!\r\n") << c.name;
            EXPECT_EQ(outcome.exitStatus, 135) << c.name;
            EXPECT_EQ(Result(), "-121\n") << c.name;
        } else {
            EXPECT_EQ(outcome.exitStatus, 0) << c.name;
            EXPECT_EQ(Result(), "0\n") << c.name;
        }
    }
}

} // namespace
} // namespace ardent
