#include "RunningInstances.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;

// A process list of our own making: one folder per process id with its "exe" link (to a path
// that need not exist) or, for a process whose link cannot be read, only its "comm" name.
class FakeProcessList : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("ardent-proc-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }
    void AddProcess(const std::string& id, const std::string& exe) {
        fs::create_directories(root / id);
        fs::create_symlink(exe, root / id / "exe");
    }
    void AddUnreadableProcess(const std::string& id, const std::string& comm) {
        fs::create_directories(root / id);
        std::ofstream(root / id / "comm") << comm << "\n";
    }
    fs::path root;
};

TEST_F(FakeProcessList, CountsFileNameOrFullPathWithoutRegardToCase) {
    AddProcess("10", "/usr/bin/ArdentCmd");
    AddProcess("11", "/opt/line/ARDENTCMD");
    AddProcess("12", "/home/op/ArdentCmd (deleted)");
    AddProcess("13", "/usr/bin/ArdentCmdX");
    AddProcess("14", "/usr/bin/ArdentCmd/sleep");
    AddProcess("15", "/usr/bin/Ardent");
    AddProcess("self", "/usr/bin/ArdentCmd"); // not a process id
    EXPECT_EQ(CountRunningInstances("ArdentCmd", root.string()), 3);
    EXPECT_EQ(CountRunningInstances("/usr/bin/ardentcmdx", root.string()), 1);
    EXPECT_EQ(CountRunningInstances("sleep", root.string()), 1);
}

TEST_F(FakeProcessList, ProcessWithoutExecutableIsNotCounted) {
    // An ended ArdentCmd that waits to be reaped keeps its short name but has no executable; it
    // must not block the next run.
    AddUnreadableProcess("20", "ArdentCmd");
    EXPECT_EQ(CountRunningInstances("ArdentCmd", root.string()), 0);
}

TEST_F(FakeProcessList, UnreadableListCountsNothing) {
    EXPECT_EQ(CountRunningInstances("ArdentCmd", (root / "missing").string()), 0);
}

TEST(CountRunningInstances, FindsThisProcessInTheRealList) {
    const std::string self = fs::read_symlink("/proc/self/exe").filename().string();
    EXPECT_GE(CountRunningInstances(self), 1);
}

} // namespace
} // namespace ardent
