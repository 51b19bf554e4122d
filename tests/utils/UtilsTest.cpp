#include "utils/Errors.h"
#include "utils/Crc16.h"
#include "utils/Files.h"
#include "utils/NumberChecks.h"
#include "utils/Text.h"
#include "utils/VersionText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace ardent {
namespace {

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The plain bit-at-a-time definition of the checksum, against which the table version is held.
uint16_t Crc16BitByBit(const Bytes& data) {
    uint16_t crc = 0;
    for (uint8_t byte : data) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool feedback = ((crc >> 15) ^ (byte >> bit)) & 1;
            crc = static_cast<uint16_t>(crc << 1);
            if (feedback) {
                crc ^= 0x100B;
            }
        }
    }
    return crc;
}

TEST(ComputeCrc16, MatchesTheCheckValues) {
    EXPECT_EQ(ComputeCrc16(BytesOf("abc"), 3), 0x0715);
    EXPECT_EQ(ComputeCrc16(BytesOf("123456789"), 9), 0xB90F);
    EXPECT_EQ(ComputeCrc16(Bytes{}, 0), 0);
}

TEST(ComputeCrc16, TableAgreesWithTheBitwiseDefinitionForEveryByteValue) {
    Bytes data;
    for (int i = 0; i < 600; ++i) {
        data.push_back(static_cast<uint8_t>(i * 7 + 3));
        ASSERT_EQ(ComputeCrc16(data), Crc16BitByBit(data)) << "length " << data.size();
    }
}

TEST(ComputeCrc16, CountsNoMoreThanTheDataHolds) {
    const Bytes data = BytesOf("123456789");
    EXPECT_EQ(ComputeCrc16(data, 3), ComputeCrc16(BytesOf("123"), 3));
    EXPECT_EQ(ComputeCrc16(data, 500), 0xB90F);
}

TEST(TextUtilities, FormatSwapAndNormalize) {
    struct Case {
        uint32_t version;
        const char* text;
    };
    for (const Case& c : {Case{0, "0.0.0"}, Case{0x010603, "1.6.3"}, Case{0x00010A03, "1.A.3"},
                          Case{0xFF0A0B0C, "A.B.C"}}) {
        EXPECT_EQ(FormatVersion(c.version), c.text);
    }
    EXPECT_EQ(SwapHexBytes("01020304"), "04030201");
    EXPECT_EQ(SwapHexBytes(""), "");
    EXPECT_EQ(NormalizeHexVersion("0x04030201"), "0x01020304");
    EXPECT_EQ(NormalizeHexVersion("0X04030201"), "0x01020304");
}

TEST(TextUtilities, TrimAtNulCutsAtTheFirstZeroAndKeepsEmptyText) {
    std::string text("Config\0\0abc", 11);
    TrimAtNul(text);
    EXPECT_EQ(text, "Config");
    std::string empty;
    TrimAtNul(empty);
    EXPECT_EQ(empty, "");
    std::string plain = "plain";
    TrimAtNul(plain);
    EXPECT_EQ(plain, "plain");
}

TEST(TextUtilities, ShowableTextReplacesEveryControlByteAndKeepsTheRest) {
    EXPECT_EQ(ShowableText("Line\x1B[31mred\r\nOperation completed successfully."),
              "Line?[31mred??Operation completed successfully.");
    EXPECT_EQ(ShowableText(std::string("a\0b\x7F\x1F\t", 6)), "a?b???");
    // Bytes from 0x80 up are the 8-bit texts of older configurations, not control bytes.
    EXPECT_EQ(ShowableText("Conf \xE9 ~ 0x20"), "Conf \xE9 ~ 0x20");
    EXPECT_EQ(ShowableText(""), "");
}

TEST(TextUtilities, EqualsIgnoringCaseComparesAsciiLettersOnly) {
    EXPECT_TRUE(EqualsIgnoringCase("ArdentCmd", "ARDENTCMD"));
    EXPECT_TRUE(EqualsIgnoringCase("dp3b", "DP3B"));
    EXPECT_TRUE(EqualsIgnoringCase("", ""));
    EXPECT_FALSE(EqualsIgnoringCase("ArdentCmd", "ArdentCmd2"));
    EXPECT_FALSE(EqualsIgnoringCase("DP3B", "DP2B"));
}

TEST(TextUtilities, ProgramVersionIsEmptyWithoutAVersionRecord) {
    EXPECT_EQ(GetProgramVersion(), "");
}

TEST(NumberChecks, OneDecimalNumber) {
    for (const char* accepted : {"3.3", "12.5", "x12.5", "123.5"}) {
        EXPECT_TRUE(IsOneDecimalNumber(accepted)) << accepted;
    }
    for (const char* refused : {"3.35", "3", "", ".5", "3."}) {
        EXPECT_FALSE(IsOneDecimalNumber(refused)) << refused;
    }
    float value = 0;
    EXPECT_TRUE(StrToSingleChecked("12.5", value));
    EXPECT_FLOAT_EQ(value, 12.5f);
    value = 7;
    EXPECT_FALSE(StrToSingleChecked("x12.5", value)) << "matches the pattern but is no number";
    EXPECT_FALSE(StrToSingleChecked("5", value));
    EXPECT_FLOAT_EQ(value, 7);
}

TEST(NumberChecks, WordsAndIntegers) {
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    };
    for (const Case& c : {Case{"70000", true, 70000}, Case{"0x10", true, 16}, Case{"$A", true, 10},
                          Case{"10", true, 10}, Case{"abc", false, 0}, Case{"", false, 0},
                          Case{"0x", false, 0}, Case{"0x000A ", false, 0}, Case{" 1", false, 0}}) {
        int32_t value = 0;
        EXPECT_EQ(StrToIntChecked(c.text, value), c.ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    int32_t value = 0;
    EXPECT_TRUE(StrToIntChecked("-5", value));
    EXPECT_EQ(value, -5);
    EXPECT_TRUE(StrToIntChecked("$FFFFFFFF", value));
    EXPECT_EQ(value, -1);
    EXPECT_FALSE(StrToIntChecked("4294967296", value));
    EXPECT_FALSE(StrToIntChecked("0x100000000", value));
}

// The 32-bit and the 64-bit integer checks read the same grammar and differ only in range.
TEST(NumberChecks, BothIntegerWidthsShareOneGrammar) {
    struct Case {
        const char* text;
        bool ok;
    };
    for (const Case& c :
         {Case{"+7", true}, Case{"-0", true}, Case{"0X1f", true}, Case{"$00ff", true},
          Case{"+-7", false}, Case{"-+7", false}, Case{"+", false}, Case{"-", false},
          Case{"$", false}, Case{"$-1", false}, Case{"0x+1", false}, Case{"1 ", false},
          Case{"1e3", false}, Case{"$12345678901234567", false}}) {
        int32_t narrow = 0;
        int64_t wide = 0;
        EXPECT_EQ(StrToIntChecked(c.text, narrow), c.ok) << c.text;
        EXPECT_EQ(StrToInt64Checked(c.text, wide), c.ok) << c.text;
        EXPECT_EQ(narrow, wide) << c.text;
    }
    int64_t wide = 0;
    EXPECT_TRUE(StrToInt64Checked("$FFFFFFFFFFFFFFFF", wide));
    EXPECT_EQ(wide, -1);
    int32_t narrow = 0;
    EXPECT_FALSE(StrToIntChecked("$FFFFFFFFFFFFFFFF", narrow)) << "wider than 32 bits";
    EXPECT_FALSE(StrToIntChecked("2147483648", narrow));
    EXPECT_TRUE(StrToIntChecked("-2147483648", narrow));
    EXPECT_EQ(narrow, INT32_MIN);
}

class FileUtilities : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("ardent-utils-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        testing_seam::ResetWriteFunction();
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(folder_);
    }
    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
    size_t FilesInFolder() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder_),
                                                 std::filesystem::directory_iterator()));
    }

    std::filesystem::path folder_;
};

TEST_F(FileUtilities, SaveThenLoadGivesTheSameBytes) {
    const Bytes data = BytesOf(std::string("a\0b\r\n", 5));
    ASSERT_TRUE(SaveBufferToFile(PathOf("x.cfg"), data));
    Bytes loaded{9, 9};
    ASSERT_TRUE(LoadFileToBuffer(PathOf("x.cfg"), loaded));
    EXPECT_EQ(loaded, data);
    EXPECT_EQ(FilesInFolder(), 1u) << "no temporary file is left behind";
}

TEST_F(FileUtilities, LoadOfAMissingFileOrAFolderFailsAndKeepsTheBuffer) {
    Bytes data{1, 2, 3};
    EXPECT_FALSE(LoadFileToBuffer(PathOf("missing.cfg"), data));
    EXPECT_FALSE(LoadFileToBuffer(folder_.string(), data));
    EXPECT_EQ(data, (Bytes{1, 2, 3}));
}

TEST_F(FileUtilities, AFailedWriteLeavesTheOldFileWhole) {
    const std::string name = PathOf("keep.cfg");
    ASSERT_TRUE(SaveBufferToFile(name, BytesOf("old contents")));
    // The disk fills up after the first few bytes of the new contents.
    testing_seam::SetWriteFunction([](int, const void*, size_t count) -> ssize_t {
        static bool first = true;
        if (first) {
            first = false;
            return static_cast<ssize_t>(count < 4 ? count : 4);
        }
        errno = ENOSPC;
        return -1;
    });
    try {
        SaveBufferToFile(name, BytesOf("new and longer contents"));
        FAIL() << "a failed write must raise the file-system error";
    } catch (const FileSystemError& error) {
        EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("No space left"), std::string::npos)
            << error.what();
    }
    Bytes loaded;
    ASSERT_TRUE(LoadFileToBuffer(name, loaded));
    EXPECT_EQ(loaded, BytesOf("old contents"));
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(FileUtilities, WritesToAMissingFolderOrAReadOnlyFileRaiseAndChangeNothing) {
    EXPECT_THROW(SaveBufferToFile(PathOf("no/such/folder/x.cfg"), BytesOf("x")), FileSystemError);

    const std::string readOnly = PathOf("ro.cfg");
    ASSERT_TRUE(SaveBufferToFile(readOnly, BytesOf("keep")));
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    EXPECT_THROW(SaveBufferToFile(readOnly, BytesOf("lost")), FileSystemError);
    Bytes loaded;
    ASSERT_TRUE(LoadFileToBuffer(readOnly, loaded));
    EXPECT_EQ(loaded, BytesOf("keep"));
}

TEST_F(FileUtilities, ReplacingKeepsTheFilePermissions) {
    const std::string name = PathOf("mode.cfg");
    ASSERT_TRUE(SaveBufferToFile(name, BytesOf("one")));
    std::filesystem::permissions(name, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    ASSERT_TRUE(SaveBufferToFile(name, BytesOf("two")));
    EXPECT_EQ(std::filesystem::status(name).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

// A file `size` bytes long that takes no room on the disk; false where the file system cannot
// hold one that long.
bool MakeSparseFile(const std::string& name, uintmax_t size) {
    std::ofstream(name, std::ios::binary).flush();
    std::error_code error;
    std::filesystem::resize_file(name, size, error);
    return !error;
}

// Ends the test process if a step blocks: a read that waits forever fails the test instead of
// stalling the run.
class Watchdog {
public:
    explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
    ~Watchdog() { ::alarm(0); }
};

TEST_F(FileUtilities, ReadRefusesAtOnceWhatIsNotARegularFileOrIsTooLarge) {
    const std::string fifo = PathOf("fifo.cfg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string socketName = PathOf("socket.cfg");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketName.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const std::string huge = PathOf("huge.cfg");
    ASSERT_TRUE(MakeSparseFile(huge, uintmax_t{1} << 40) ||
                MakeSparseFile(huge, uintmax_t{1} << 36));
    const std::string bound = PathOf("bound.cfg");
    ASSERT_TRUE(SaveBufferToFile(bound, Bytes(100, 0x5A)));

    const struct {
        std::string name;
        size_t maxSize;
        std::string failure; // after the quoted file name
    } cases[] = {
        {fifo, kAnyFileSize, "It is not a regular file."},
        {folder_.string(), kAnyFileSize, "It is not a regular file."},
        {"/dev/zero", kAnyFileSize, "It is not a regular file."},
        {socketName, kAnyFileSize, "No such device or address"},
        {huge, 65535, "It is larger than 65535 bytes."},
        {bound, 99, "It is larger than 99 bytes."},
        {PathOf("missing.cfg"), kAnyFileSize, "No such file or directory"},
    };
    const Watchdog watchdog(30);
    for (const auto& c : cases) {
        Bytes data{7};
        std::string failure;
        EXPECT_FALSE(ReadRegularFile(c.name, c.maxSize, data, failure)) << c.name;
        EXPECT_TRUE(failure.starts_with("Cannot ")) << failure;
        EXPECT_TRUE(failure.ends_with("\"" + c.name + "\". " + c.failure)) << failure;
        EXPECT_EQ(data, Bytes{7}) << c.name;
        EXPECT_FALSE(LoadFileToBuffer(c.name, data, c.maxSize)) << c.name;
    }
    // A file of exactly the bound is read whole.
    Bytes data;
    std::string failure;
    EXPECT_TRUE(ReadRegularFile(bound, 100, data, failure)) << failure;
    EXPECT_EQ(data, Bytes(100, 0x5A));
    ::close(listener);
}

// umask is process-wide: each case sets its own and the test puts the old one back.
TEST_F(FileUtilities, NewFilesTakeTheUmaskAndReplacedFilesKeepTheirMode) {
    const mode_t saved = ::umask(022);
    for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}, mode_t{0}}) {
        ::umask(mask);
        const std::string name = PathOf("new-" + std::to_string(mask) + ".cfg");
        ASSERT_TRUE(SaveBufferToFile(name, BytesOf("new")));
        struct stat st {};
        ASSERT_EQ(::stat(name.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask) << "umask " << mask;
        // Replacing it under another umask keeps the mode it has.
        ::chmod(name.c_str(), 0640);
        ::umask(077);
        ASSERT_TRUE(SaveBufferToFile(name, BytesOf("again")));
        ASSERT_EQ(::stat(name.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u) << "umask " << mask;
    }
    ::umask(saved);
}

TEST_F(FileUtilities, WritingThroughALinkReplacesTheFileItLeadsToAndKeepsTheLink) {
    namespace fs = std::filesystem;
    fs::create_directories(folder_ / "real");
    ASSERT_TRUE(SaveBufferToFile(PathOf("real/line.cfg"), BytesOf("old")));
    ::chmod(PathOf("real/line.cfg").c_str(), 0600);
    fs::create_symlink("real/line.cfg", folder_ / "relative.cfg");
    fs::create_symlink(folder_ / "real" / "line.cfg", folder_ / "absolute.cfg");
    fs::create_symlink("relative.cfg", folder_ / "chain.cfg");
    fs::create_directories(folder_ / "links");
    fs::create_symlink("../real/line.cfg", folder_ / "links" / "up.cfg");
    fs::create_symlink("real/created.cfg", folder_ / "dangling.cfg");
    const struct {
        const char* link;
        const char* target;
    } cases[] = {
        {"relative.cfg", "real/line.cfg"},    {"absolute.cfg", "real/line.cfg"},
        {"chain.cfg", "real/line.cfg"},       {"links/up.cfg", "real/line.cfg"},
        {"dangling.cfg", "real/created.cfg"},
    };
    for (const auto& c : cases) {
        const Bytes contents = BytesOf(std::string("through ") + c.link);
        ASSERT_TRUE(SaveBufferToFile(PathOf(c.link), contents)) << c.link;
        EXPECT_TRUE(fs::is_symlink(folder_ / c.link)) << c.link;
        Bytes loaded;
        ASSERT_TRUE(LoadFileToBuffer(PathOf(c.target), loaded)) << c.link;
        EXPECT_EQ(loaded, contents) << c.link;
    }
    struct stat st {};
    ASSERT_EQ(::stat(PathOf("real/line.cfg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "the file the links lead to keeps its mode";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_ / "real"), fs::directory_iterator()), 2)
        << "no temporary file is left beside the file";

    fs::create_symlink("loop-b.cfg", folder_ / "loop-a.cfg");
    fs::create_symlink("loop-a.cfg", folder_ / "loop-b.cfg");
    EXPECT_THROW(SaveBufferToFile(PathOf("loop-a.cfg"), BytesOf("x")), FileSystemError);
    EXPECT_TRUE(fs::is_symlink(folder_ / "loop-a.cfg"));
}

// A writer killed half-way through its write, as kill -9 or a power cut would stop it.
pid_t WriterKilledDuringItsWrite(const std::string& name, const Bytes& contents) {
    const pid_t child = ::fork();
    if (child == 0) {
        testing_seam::SetWriteFunction([](int fd, const void* data, size_t count) -> ssize_t {
            (void)::write(fd, data, count / 2);
            ::raise(SIGKILL);
            return -1;
        });
        SaveBufferToFile(name, contents);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    return child;
}

TEST_F(FileUtilities, ALaterWriteRemovesTheLeftoversOfKilledWritersOfTheSameFile) {
    namespace fs = std::filesystem;
    const std::string name = PathOf("line.cfg");
    ASSERT_TRUE(SaveBufferToFile(name, BytesOf("old contents")));
    const std::string other = PathOf("other.cfg");
    ASSERT_TRUE(SaveBufferToFile(other, BytesOf("other")));
    WriterKilledDuringItsWrite(name, Bytes(4096, 0x11));
    WriterKilledDuringItsWrite(name, Bytes(4096, 0x22));
    WriterKilledDuringItsWrite(other, Bytes(4096, 0x33));
    // A write of this file by a writer still at work (our parent stands for it).
    const std::string busy =
        PathOf(".line.cfg.ardent-" + std::to_string(::getppid()) + "-0badf00d");
    std::ofstream(busy) << "half";
    EXPECT_EQ(FilesInFolder(), 6u);

    Bytes loaded;
    ASSERT_TRUE(LoadFileToBuffer(name, loaded));
    EXPECT_EQ(loaded, BytesOf("old contents")) << "a killed writer leaves the old file whole";

    ASSERT_TRUE(SaveBufferToFile(name, BytesOf("new contents")));
    ASSERT_TRUE(LoadFileToBuffer(name, loaded));
    EXPECT_EQ(loaded, BytesOf("new contents"));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder_))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    ASSERT_EQ(left.size(), 4u) << "the two leftovers of line.cfg are gone";
    EXPECT_EQ(left[0], fs::path(busy).filename().string());
    EXPECT_TRUE(left[1].starts_with(".other.cfg.ardent-")) << "other files' leftovers wait";
    EXPECT_EQ(left[2], "line.cfg");
    EXPECT_EQ(left[3], "other.cfg");
}

} // namespace
} // namespace ardent
