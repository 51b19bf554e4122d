// The owner lock of a programmer: one holder per serial number across processes, the holder's
// record, the kernel's release when the holder dies, and where the lock files go.

#include "protocol/ProgrammerLock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ProgrammerLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("ardent-lock-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    // A child process that takes the lock of `key`, says so through a pipe and then sleeps
    // until it is killed.
    pid_t ChildHolding(const std::string& key) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            TProgrammerLock lock(key, folder.string());
            const char answer = lock.TryAcquire("holder-child") ? '1' : '0';
            (void)::write(ready[1], &answer, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char answer = 0;
        EXPECT_EQ(::read(ready[0], &answer, 1), 1);
        ::close(ready[0]);
        EXPECT_EQ(answer, '1');
        return pid;
    }

    static void Kill(pid_t pid) {
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }

    fs::path folder;
};

TEST_F(ProgrammerLockTest, ASecondProcessForTheSameProgrammerIsToldWhoHoldsIt) {
    const pid_t child = ChildHolding("SER-A");
    TProgrammerLock same("SER-A", folder.string());
    EXPECT_FALSE(same.TryAcquire("second"));
    EXPECT_FALSE(same.Held());
    const auto holder = same.Holder();
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->pid, child);
    EXPECT_EQ(holder->program, "holder-child");
    EXPECT_EQ(DescribeHolder(*holder), "pid " + std::to_string(child) + " (holder-child)");
    EXPECT_EQ(ProgrammerHolder("SER-A", folder.string())->pid, child);

    // Another programmer is free at the same time.
    TProgrammerLock other("SER-B", folder.string());
    EXPECT_TRUE(other.TryAcquire("second"));
    EXPECT_FALSE(ProgrammerHolder("SER-C", folder.string()).has_value());
    Kill(child);
}

TEST_F(ProgrammerLockTest, AHolderKilledWithSigkillReleasesTheProgrammer) {
    const pid_t child = ChildHolding("SER-A");
    TProgrammerLock next("SER-A", folder.string());
    ASSERT_FALSE(next.TryAcquire("next"));
    Kill(child);
    EXPECT_FALSE(ProgrammerHolder("SER-A", folder.string()).has_value())
        << "a dead holder must not be reported";
    EXPECT_TRUE(next.TryAcquire("next"));
    // The record now names the new holder, not the dead one.
    std::ifstream record(next.File());
    std::string line;
    std::getline(record, line);
    EXPECT_EQ(line, std::to_string(::getpid()) + " next");
}

TEST_F(ProgrammerLockTest, AcquireWithinWaitsForTheHolderAndGivesUpAtItsLimit) {
    const pid_t child = ChildHolding("SER-A");
    TProgrammerLock waiting("SER-A", folder.string());
    EXPECT_FALSE(waiting.AcquireWithin("waiting", 100ms, 10ms));
    std::thread killer([child] {
        std::this_thread::sleep_for(50ms);
        Kill(child);
    });
    // Generous: the holder ends long before, however busy the machine.
    EXPECT_TRUE(waiting.AcquireWithin("waiting", 60s, 10ms));
    killer.join();
}

TEST_F(ProgrammerLockTest, ReleaseFreesTheProgrammerAndClearsTheRecord) {
    {
        TProgrammerLock lock("SER-A", folder.string());
        ASSERT_TRUE(lock.TryAcquire("first"));
        EXPECT_TRUE(lock.TryAcquire("first")) << "holding already counts as success";
    }
    TProgrammerLock again("SER-A", folder.string());
    EXPECT_TRUE(again.TryAcquire("again"));
    again.Release();
    EXPECT_FALSE(again.Held());
    EXPECT_EQ(fs::file_size(again.File()), 0u);
}

TEST_F(ProgrammerLockTest, LockFileNamesAreFlatAndNeverFollowALink) {
    EXPECT_EQ(ProgrammerLockFile("/run/lock", "SIM00000001"),
              "/run/lock/ardent-programmer-SIM00000001.lock");
    EXPECT_EQ(ProgrammerLockFile("/x", "/dev/hidraw3"), "/x/ardent-programmer-_dev_hidraw3.lock");
    EXPECT_EQ(ProgrammerLockFile("/x", "a b/../c"), "/x/ardent-programmer-a_b_.._c.lock");
    // However long the selection, the name fits a file system's 255 bytes.
    EXPECT_EQ(ProgrammerLockFile("/x", std::string(300, 'S')),
              "/x/ardent-programmer-" + std::string(128, 'S') + ".lock");

    // A link planted where the lock file goes is refused, not written through.
    const fs::path target = folder / "victim";
    std::ofstream(target) << "keep";
    fs::create_symlink(target, ProgrammerLockFile(folder.string(), "SER-L"));
    TProgrammerLock lock("SER-L", folder.string());
    EXPECT_FALSE(lock.TryAcquire("x"));
    std::ifstream victim(target);
    std::string text;
    victim >> text;
    EXPECT_EQ(text, "keep");
}

TEST_F(ProgrammerLockTest, TheLockFolderFollowsTheEnvironment) {
    const char* saved = std::getenv("ARDENT_LOCK_DIR");
    const std::string previous = saved == nullptr ? "" : saved;
    ::setenv("ARDENT_LOCK_DIR", folder.c_str(), 1);
    EXPECT_EQ(ProgrammerLockFolder(), folder.string());
    TProgrammerLock lock("SER-E");
    EXPECT_EQ(lock.File(), (folder / "ardent-programmer-SER-E.lock").string());
    ::unsetenv("ARDENT_LOCK_DIR");
    const std::string fallback = ProgrammerLockFolder();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(fallback == "/run/lock" || fallback == "/tmp" ||
                (runtime != nullptr && fallback == runtime))
        << fallback;
    if (saved != nullptr)
        ::setenv("ARDENT_LOCK_DIR", previous.c_str(), 1);
}

} // namespace
} // namespace ardent
