#include "utils/Errors.h"
#include "utils/Utils.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

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
        uint16_t word;
    };
    for (const Case& c : {Case{"70000", true, 4464}, Case{"0x10", true, 16}, Case{"$A", true, 10},
                          Case{"10", true, 10}, Case{"abc", false, 0}, Case{"", false, 0},
                          Case{"0x", false, 0}, Case{"0x000A ", false, 0}, Case{" 1", false, 0}}) {
        uint16_t word = 0;
        EXPECT_EQ(StrToWordChecked(c.text, word), c.ok) << c.text;
        EXPECT_EQ(word, c.word) << c.text;
    }
    int32_t value = 0;
    EXPECT_TRUE(StrToIntChecked("-5", value));
    EXPECT_EQ(value, -5);
    EXPECT_TRUE(StrToIntChecked("$FFFFFFFF", value));
    EXPECT_EQ(value, -1);
    EXPECT_FALSE(StrToIntChecked("4294967296", value));
    EXPECT_FALSE(StrToIntChecked("0x100000000", value));
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

} // namespace
} // namespace ardent
