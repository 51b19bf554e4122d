#include "ResultCodes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ardent {
namespace {

TEST(ExitStatusFromResult, MapsEveryRangeOfResults) {
    struct Case {
        int32_t result;
        int status;
    };
    const Case cases[] = {
        {0, 0},           {-1, 255},        {-119, 137},       {-121, 135},
        {-125, 131},      {-127, 129},      {-128, 128},       {ERROR_UNHANDLED, 138},
        {1, 1},           {53, 53},         {123, 123},        {124, 124},
        {125, 124},       {255, 124},       {-129, 124},       {0x072D0000, 124},
        {INT32_MIN, 124}, {INT32_MAX, 124}, {0x00010000, 124},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExitStatusFromResult(c.result), c.status) << "result " << c.result;
        EXPECT_EQ(ExitStatusFromResult(c.result) == 0, c.result == 0) << "result " << c.result;
    }
}

TEST(ResultMessage, CoversExactlyMinus128ToMinus119) {
    EXPECT_EQ(ResultMessage(-128), "Operation completed successfully.");
    EXPECT_EQ(ResultMessage(-127), "Operation completed with: ERROR_PROG_CONNECT");
    EXPECT_EQ(ResultMessage(-125), "Operation completed with: ERROR_UNEX_INPUT");
    EXPECT_EQ(ResultMessage(-122), "Operation completed with: ERROR_CFG_NOT_LOADED");
    EXPECT_EQ(ResultMessage(-121), "Operation completed with: ERROR_PROG_RUNNING");
    EXPECT_EQ(ResultMessage(-120), "Operation completed with: Device is not supported!");
    EXPECT_EQ(ResultMessage(-119), "Operation completed with: Invalid command parameters!");
    for (const int32_t outside : {-129, ERROR_UNHANDLED, 0, 53, 255}) {
        EXPECT_FALSE(ResultMessage(outside).has_value()) << outside;
    }
}

class ResultFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("ardent-result-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    static std::string Read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::filesystem::path folder;
};

TEST_F(ResultFile, WritesTheFullSignedResult) {
    const auto file = folder / "result";
    for (const int32_t result : {-125, 0, 0x072D0000, INT32_MIN}) {
        EXPECT_TRUE(WriteResultFile(file.c_str(), result));
        EXPECT_EQ(Read(file), std::to_string(result) + "\n");
    }
}

TEST_F(ResultFile, FollowsALinkInsteadOfReplacingIt) {
    const auto target = folder / "target";
    const auto link = folder / "link";
    std::ofstream(target) << "old";
    std::filesystem::create_symlink(target, link);
    EXPECT_TRUE(WriteResultFile(link.c_str(), -121));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Read(target), "-121\n");
    // The file behind the link is replaced whole, not rewritten in place: a run killed while
    // writing can leave the old text or the new one, never half of one.
    struct stat before {};
    ASSERT_EQ(::stat(target.c_str(), &before), 0);
    std::string failure;
    EXPECT_TRUE(WriteRunFile(link.c_str(), "{\"schema\": 1}\n", failure)) << failure;
    struct stat after {};
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Read(target), "{\"schema\": 1}\n");
}

TEST_F(ResultFile, FailuresAreReportedNotThrown) {
    EXPECT_FALSE(WriteResultFile(nullptr, 0));
    EXPECT_FALSE(WriteResultFile("", 0));
    EXPECT_FALSE(WriteResultFile((folder / "missing" / "result").c_str(), 0));
    // A pipe without a reader must not block the run.
    const auto fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(WriteResultFile(fifo.c_str(), -125));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST_F(ResultFile, ClearingEmptiesRegularFilesAndLeavesEverythingElse) {
    const auto regular = folder / "result";
    std::ofstream(regular) << "0\n";
    const auto target = folder / "target";
    const auto link = folder / "link";
    std::ofstream(target) << "53\n";
    std::filesystem::create_symlink(target, link);
    const auto fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto missing = folder / "missing";

    EXPECT_TRUE(ClearResultFile(regular.c_str()));
    EXPECT_EQ(Read(regular), "");
    EXPECT_TRUE(ClearResultFile(link.c_str()));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Read(target), "");
    // Nothing is created, and a pipe without a reader neither blocks nor sees an end.
    EXPECT_FALSE(ClearResultFile(missing.c_str()));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(ClearResultFile(fifo.c_str()));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_FALSE(ClearResultFile("/dev/null"));
    EXPECT_FALSE(ClearResultFile(nullptr));
    EXPECT_FALSE(ClearResultFile(""));
}

} // namespace
} // namespace ardent
