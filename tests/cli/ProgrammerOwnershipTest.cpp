// ArdentCmd and the owner of its programmer: with a chosen programmer only its holder stands in
// the way; without one, the machine-wide rule. ARDENTCMD_WAIT_S waits for the turn instead of
// refusing at once. A failed connection says why on standard error. The holders here are this
// test process (holding a programmer's lock as a window would) or a copy of `sleep` under the
// program's name; the waits are short.

#include "ArdentCmdFixture.h"
#include "protocol/ProgrammerLock.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <unistd.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kRefused = "Instance of this program is already running!\r\n";
const std::string kVersion = "CMD Line version is 1.0.36\r\nOperation completed successfully.\r\n";
const std::string kNoConnection =
    "Operation completed with: ERROR_PROG_CONNECT\r\nOperation failed.\r\n";

class ProgrammerOwnership : public testing::ArdentCmdFixture {
protected:
    std::string LockFolder() const { return folder.parent_path().string(); }
    std::string Pid() const { return std::to_string(::getpid()); }
};

TEST_F(ProgrammerOwnership, OnlyAHolderOfTheSameProgrammerRefusesTheRun) {
    TProgrammerLock window(testing::kPrivateSimulatorSerial, LockFolder());
    ASSERT_TRUE(window.TryAcquire("Ardent"));

    auto outcome = Run({"-cmdVer"});
    EXPECT_EQ(outcome.out, kRefused);
    EXPECT_EQ(outcome.exitStatus, 135);
    EXPECT_EQ(Result(), "-121\n");
    EXPECT_EQ(outcome.err, std::string("Programmer ") + testing::kPrivateSimulatorSerial +
                               " is held by another process: pid " + Pid() + " (Ardent)\n");

    // Another programmer is free, and so is the same one in another lock folder.
    environment.push_back("ARDENT_PROGRAMMER=SIM00000002");
    outcome = Run({"-cmdVer"});
    EXPECT_EQ(outcome.out, kVersion);
    EXPECT_EQ(outcome.err, "");
    environment.pop_back();
    window.Release();
    outcome = Run({"-cmdVer"});
    EXPECT_EQ(outcome.out, kVersion);
}

// A programmer whose lock file cannot be made is not driven without it: the run is refused and
// standard error says why, instead of two runs sharing the programmer unawares.
TEST_F(ProgrammerOwnership, AProgrammerThatCannotBeLockedIsRefusedWithTheReason) {
    environment.push_back("ARDENT_LOCK_DIR=" + (folder / "missing").string());
    const auto outcome = Run({"-cmdVer"});
    EXPECT_EQ(outcome.out, kRefused);
    EXPECT_EQ(Result(), "-121\n");
    EXPECT_EQ(outcome.err, std::string("Programmer ") + testing::kPrivateSimulatorSerial +
                               " cannot be locked: " + (folder / "missing").string() +
                               "/ardent-programmer-" + testing::kPrivateSimulatorSerial +
                               ".lock: No such file or directory\n");
}

// With a chosen programmer, other ArdentCmd processes of the machine do not count: four line
// scripts drive four programmers at once.
TEST_F(ProgrammerOwnership, AChosenProgrammerIgnoresOtherRunningInstances) {
    const fs::path copyFolder = folder / "foreign";
    fs::create_directories(copyFolder);
    fs::copy_file("/bin/sleep", copyFolder / "ArdentCmd");
    const testing::BackgroundProgram foreign((copyFolder / "ArdentCmd").string(), {"60"});
    const auto outcome = Run({"-cmdVer"});
    EXPECT_EQ(outcome.out, kVersion);
    EXPECT_EQ(outcome.exitStatus, 0);
}

TEST_F(ProgrammerOwnership, WaitingForTheProgrammersOwner) {
    TProgrammerLock window(testing::kPrivateSimulatorSerial, LockFolder());
    ASSERT_TRUE(window.TryAcquire("Ardent"));
    // Gives up at its limit.
    environment.push_back("ARDENTCMD_WAIT_S=0.2");
    auto outcome = Run({"-cmdVer"});
    EXPECT_EQ(outcome.out, kRefused);
    EXPECT_EQ(Result(), "-121\n");
    // Waits for the owner to let go, then runs. The limit is far beyond the owner's hold.
    environment.back() = "ARDENTCMD_WAIT_S=60";
    std::thread owner([&window] {
        std::this_thread::sleep_for(300ms);
        window.Release();
    });
    outcome = Run({"-cmdVer"});
    owner.join();
    EXPECT_EQ(outcome.out, kVersion);
    EXPECT_EQ(Result(), "0\n");
}

TEST_F(ProgrammerOwnership, WaitingForTheRunningInstanceOfTheMachine) {
    const std::string own = "ArdentCmdWait" + Pid();
    UsePrivateCopy(own);
    environment.push_back("ARDENT_LOCK_DIR=" + LockFolder());
    const fs::path copyFolder = folder / "running";
    fs::create_directories(copyFolder);
    fs::copy_file("/bin/sleep", copyFolder / own);
    {
        const testing::BackgroundProgram running((copyFolder / own).string(), {"60"});
        environment.push_back("ARDENTCMD_WAIT_S=0.2");
        const auto outcome = Run({"-cmdVer"});
        EXPECT_EQ(outcome.out, kRefused);
        EXPECT_EQ(Result(), "-121\n");
        environment.pop_back();
    }
    // Two runs wait behind one that ends by itself: both get their turn, one after the other,
    // instead of counting each other and both giving up.
    const testing::BackgroundProgram running((copyFolder / own).string(), {"0.3"});
    environment.push_back("ARDENTCMD_WAIT_S=60");
    const std::vector<std::string> runEnvironment = [&] {
        std::vector<std::string> all = environment;
        all.push_back("ARDENTCMD_RESULT_FILE=/dev/null");
        return all;
    }();
    auto waiting = [&] {
        return testing::RunProgram(program, {"-cmdVer"}, runEnvironment, folder.string(), 120s);
    };
    auto first = std::async(std::launch::async, waiting);
    auto second = std::async(std::launch::async, waiting);
    const auto a = first.get();
    const auto b = second.get();
    EXPECT_EQ(a.out, kVersion);
    EXPECT_EQ(b.out, kVersion);
    EXPECT_EQ(a.exitStatus, 0);
    EXPECT_EQ(b.exitStatus, 0);
}

// Each cause of a failed connection, through the program: the fixed lines and -127 stay, one line
// on standard error says why. The stand-in library lists what the environment tells it and never
// connects.
TEST_F(ProgrammerOwnership, AFailedConnectionSaysWhyOnStandardError) {
    UsePrivateCopy("ArdentCmdWhy" + Pid());
    struct Case {
        std::string name;
        std::vector<std::string> environment;
        std::string err;
    };
    const std::string library = "ARDENT_PORTBRIDGE=" + std::string(ARDENT_TEST_LISTING_LIBRARY);
    const std::string lockFolder = "ARDENT_LOCK_DIR=" + LockFolder();
    const std::string fix = "; install the package's udev rule (60-ardent-programmer.rules) or "
                            "add this user to the plugdev group, then plug the programmer in again";
    TProgrammerLock window("ORV7", LockFolder());
    ASSERT_TRUE(window.TryAcquire("Ardent"));
    const Case cases[] = {
        {"none", {library, lockFolder, "ARDENT_TEST_PROGRAMMERS="}, "none is connected"},
        {"denied",
         {library, lockFolder, "ARDENT_TEST_PROGRAMMERS=ORV1|/dev/hidraw1|0"},
         "ORV1 (/dev/hidraw1) is connected but this user may not open it" + fix},
        {"several",
         {library, lockFolder, "ARDENT_TEST_PROGRAMMERS=ORV1|/dev/hidraw1|1;ORV2|/dev/hidraw2|1"},
         "several are connected and none was chosen; set ARDENT_PROGRAMMER to one of: ORV1, "
         "ORV2"},
        {"chosen absent",
         {library, lockFolder, "ARDENT_TEST_PROGRAMMERS=ORV1|/dev/hidraw1|1",
          "ARDENT_PROGRAMMER=ORV5"},
         "the chosen programmer ORV5 is not connected (connected: ORV1)"},
        {"held by a window",
         {library, lockFolder, "ARDENT_TEST_PROGRAMMERS=ORV7|/dev/hidraw7|1"},
         "programmer ORV7 is held by another process: pid " + Pid() + " (Ardent)"},
        {"lock file cannot be made",
         {library, "ARDENT_LOCK_DIR=" + (folder / "missing").string(),
          "ARDENT_TEST_PROGRAMMERS=ORV8|/dev/hidraw8|1"},
         "programmer ORV8 cannot be locked: " + (folder / "missing").string() +
             "/ardent-programmer-ORV8.lock: No such file or directory"},
        {"no listing",
         {"ARDENT_PORTBRIDGE=" + std::string(ARDENT_TEST_FULL_LIBRARY), lockFolder},
         "the programmer could not be opened; listing programmers is not supported by the "
         "transport library " +
             std::string(ARDENT_TEST_FULL_LIBRARY) + ", so the cause cannot be told"},
    };
    for (const Case& c : cases) {
        environment = c.environment;
        environment.push_back("ARDENT_CONNECT_WAIT_S=0"); // one attempt, no pause
        const auto outcome = Run({"-getName"});
        EXPECT_EQ(outcome.out, kNoConnection) << c.name;
        EXPECT_EQ(outcome.exitStatus, 129) << c.name;
        EXPECT_EQ(Result(), "-127\n") << c.name;
        EXPECT_EQ(outcome.err, "No programmer: " + c.err + "\n") << c.name;
    }
}

// A library that cannot be found: the line names every place it was looked for.
TEST_F(ProgrammerOwnership, AMissingLibrarySaysWhereItWasLookedFor) {
    UsePrivateCopy("ArdentCmdLib" + Pid());
    environment = {"ARDENT_PORTBRIDGE=/nonexistent/libportbridge.so",
                   "ARDENT_LOCK_DIR=" + LockFolder(), "ARDENT_CONNECT_WAIT_S=0",
                   "LD_LIBRARY_PATH=/nonexistent"};
    const auto outcome = Run({"-getFwVer"});
    EXPECT_EQ(outcome.out, kNoConnection);
    EXPECT_EQ(Result(), "-127\n");
    const std::string copyFolder = fs::path(program).parent_path().string();
    EXPECT_TRUE(outcome.err.starts_with("No programmer: the transport library could not be "
                                        "loaded (looked for: /nonexistent/libportbridge.so, " +
                                        copyFolder + "/libportbridge.so, "))
        << outcome.err;
}

} // namespace
} // namespace ardent
