// ardent-progsim as a user types it: what needs no simulated programmer answers without one,
// and a control line with a channel that does not exist says so.

#include "ControlCommands.h"
#include "ProgramProcess.h"
#include "ProgrammerEngine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <unistd.h>

namespace ardent {
namespace {

const std::string kProgsim = std::string(ARDENT_BIN_DIR) + "/ardent-progsim";

TEST(ProgsimCommand, VersionAndHelpNeedNoRunningSimulator) {
    // A socket nobody listens on: any attempt to reach a simulator would fail with status 2.
    const std::string nowhere = (std::filesystem::temp_directory_path() /
                                 ("ardent-no-sim-" + std::to_string(::getpid()) + ".sock"))
                                    .string();
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;
    };
    const std::string usage = "usage: ardent-progsim --version | --help";
    const std::string version = std::string("ardent-progsim ") + ARDENT_VERSION_TEXT;
    for (const Case& c : std::vector<Case>{
             {{"--version"}, version},
             {{"--help"}, usage},
             {{"-h"}, usage},
             {{"ctl", "--version"}, version},
             {{"ctl", "--help"}, usage},
             {{"ctl", "--socket", nowhere, "--help"}, usage},
         }) {
        const testing::ProgramOutcome run = testing::RunProgram(
            kProgsim, c.args, {"ARDENT_SIM_SOCKET=" + nowhere}, {}, std::chrono::seconds(30));
        const std::string shown = c.args.back();
        EXPECT_EQ(run.exitStatus, 0) << shown << ": " << run.err;
        EXPECT_EQ(run.out.substr(0, run.out.find('\n')), c.firstLine) << shown;
        EXPECT_EQ(run.err, "") << shown;
        if (c.firstLine == usage) {
            EXPECT_NE(run.out.find("verdict N V"), std::string::npos) << "control commands";
        }
    }
    EXPECT_FALSE(std::filesystem::exists(nowhere));
}

TEST(ProgsimControl, AChannelOutsideOneToFourIsNamedAsSuch) {
    sim::TProgrammerEngine engine;
    const std::string range = "\" is out of range: channels are 1 to 4";
    for (const auto& [line, reply] : std::vector<std::pair<std::string, std::string>>{
             {"chip 5 DP2A", "error channel \"5" + range},
             {"chip 0 DP2A", "error channel \"0" + range},
             {"ids 9 CTRLID=1", "error channel \"9" + range},
             {"verdict 5 pass", "error channel \"5" + range},
             {"verdict x pass", "error channel \"x" + range},
         })
        EXPECT_EQ(sim::ExecuteControlLine(engine, line).reply, reply) << line;
    // Channels 1 and 4 are the edges that exist.
    EXPECT_TRUE(sim::ExecuteControlLine(engine, "verdict 1 pass").reply.starts_with("ok"));
    EXPECT_TRUE(sim::ExecuteControlLine(engine, "chip 4 DP2A").reply.starts_with("ok"));
}

} // namespace
} // namespace ardent
