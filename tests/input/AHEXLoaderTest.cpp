#include "input/AHEXLoader.h"
#include "utils/Errors.h"

#include "InputTestSupport.h"

#include <gtest/gtest.h>

#include <utility>

namespace ardent {
namespace {

using testing::InputFile;
using testing::Lines;
using testing::RecordingOutput;
using testing::ScratchFolder;

struct ImageCase {
    const char* name;
    std::vector<std::string> lines;
    Bytes image;
};

class SegmentImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(SegmentImage, BuildsSegmentsFromDataLines) {
    Bytes image{0xEE}; // replaced, never appended to
    const int length = TAHEXLoader::BuildSegmentImage(GetParam().lines, image);
    EXPECT_EQ(image, GetParam().image);
    EXPECT_EQ(length, static_cast<int>(GetParam().image.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SegmentImage,
    ::testing::Values(
        ImageCase{
            "TwoSegments",
            {"00C000:1234", "00C001:ABCD", "00C010:0001"},
            {0x00, 0xC0, 0x04, 0x00, 0x34, 0x12, 0xCD, 0xAB, 0x10, 0xC0, 0x02, 0x00, 0x01, 0x00}},
        ImageCase{"LeadingCommentStillStartsWithHeader",
                  {"; firmware 1.0", "00C000:1234"},
                  {0x00, 0xC0, 0x02, 0x00, 0x34, 0x12}},
        ImageCase{"LowerCaseDigitsAreData", {"00c0ff:abcd"}, {0xFF, 0xC0, 0x02, 0x00, 0xCD, 0xAB}},
        ImageCase{"BlanksOrMissingDigitsAreNotData",
                  {" 00C000:1234", "00C000:1234 ", "00C00:1234", "00C000:123", "00C000-1234"},
                  {}},
        ImageCase{"SameAddressTwiceGivesTwoSegments",
                  {"000010:0001", "000010:0002"},
                  {0x10, 0x00, 0x02, 0x00, 0x01, 0x00, 0x10, 0x00, 0x02, 0x00, 0x02, 0x00}},
        ImageCase{"AddressWrapStartsNewSegment",
                  {"00FFFF:0001", "000000:0002"},
                  {0xFF, 0xFF, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00}},
        ImageCase{"AddressAboveFFFFKeepsLow16Bits",
                  {"01C000:1234", "00C001:5678"},
                  {0x00, 0xC0, 0x04, 0x00, 0x34, 0x12, 0x78, 0x56}},
        ImageCase{"NoLines", {}, {}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(AHEXLoader, SplitsLinesAtCrLfLfAndCr) {
    EXPECT_EQ(TAHEXLoader::SplitLines("a\r\nb\nc\rd"), (StringList{"a", "b", "c", "d"}));
    EXPECT_EQ(TAHEXLoader::SplitLines("a\r\n\r\nb\r\n"), (StringList{"a", "", "b"}));
    EXPECT_EQ(TAHEXLoader::SplitLines(""), StringList{});
}

TEST(AHEXLoader, LongRunContinuesInNextSegmentWithinSixteenBitCount) {
    // 40 000 consecutive words do not fit one 16-bit byte count.
    StringList lines;
    char line[16];
    for (unsigned address = 0; address < 40000; ++address) {
        std::snprintf(line, sizeof line, "%06X:%04X", address, address & 0xFFFF);
        lines.emplace_back(line);
    }
    Bytes image;
    ASSERT_EQ(TAHEXLoader::BuildSegmentImage(lines, image), 4 + 65534 + 4 + (40000 - 32767) * 2);
    EXPECT_EQ(image[0], 0x00);
    EXPECT_EQ(image[1], 0x00);
    EXPECT_EQ(image[2], 0xFE); // 32 767 words
    EXPECT_EQ(image[3], 0xFF);
    const size_t second = 4 + 65534;
    EXPECT_EQ(image[second] | (image[second + 1] << 8), 32767); // continues at the next address
    EXPECT_EQ(image[second + 2] | (image[second + 3] << 8), (40000 - 32767) * 2);
    EXPECT_EQ(image[second + 4] | (image[second + 5] << 8), 32767); // its first word
}

TEST(AHEXLoader, RefusesFilesWithMoreThan65535Lines) {
    Bytes image{0x01, 0x02};
    EXPECT_EQ(TAHEXLoader::BuildSegmentImage(StringList(65535, "000000:0000"), image), 65535 * 6);

    ScratchFolder folder;
    std::string content;
    for (int i = 0; i < 65536; ++i) {
        content += "000000:0000\n";
    }
    const std::string file = folder.Write("long.ahex", content);
    RecordingOutput output;
    TAHEXLoader loader(output);
    Bytes kept{0x01, 0x02};
    EXPECT_EQ(loader.LoadFile(file, 1, kept), TAHEXLoader::kTooManyLines);
    EXPECT_EQ(loader.GetStatus(), TFileLoader::kStatusTooLong);
    EXPECT_EQ(kept, (Bytes{0x01, 0x02}));
}

TEST(AHEXLoader, LoadFileReportsMissingFileAndKeepsOutput) {
    RecordingOutput output;
    TAHEXLoader loader(output);
    Bytes kept{0x42};
    const std::string missing = "/nonexistent/ardent/firmware.ahex";
    EXPECT_EQ(loader.LoadFile(missing, 1, kept), -1);
    EXPECT_EQ(loader.GetStatus(), TFileLoader::kStatusFailed);
    EXPECT_EQ(kept, Bytes{0x42});
    EXPECT_EQ(output.messages, StringList{"File " + missing + " does not exist"});
}

TEST(AHEXLoader, LoadsFileLinesAndImage) {
    RecordingOutput output;
    TAHEXLoader loader(output);
    StringList lines;
    EXPECT_EQ(loader.LoadStrListFromFile(InputFile("dp2a_par.ahex"), lines, 0), 1);
    EXPECT_EQ(lines, (StringList{"00F000:1234", "00F001:5678", "00F002:9ABC", "00F100:DEF0"}));
    Bytes image;
    EXPECT_EQ(loader.LoadFile(InputFile("dp2a_par.ahex"), 3, image), 16);
    EXPECT_EQ(loader.GetStatus(), TFileLoader::kStatusOk);
    EXPECT_TRUE(output.messages.empty());
}

TEST(AHEXLoader, UnreadableFileRaisesFileSystemError) {
    RecordingOutput output;
    TAHEXLoader loader(output);
    StringList lines;
    EXPECT_THROW(loader.LoadStrListFromFile("/nonexistent/ardent/x.ahex", lines, 0),
                 FileSystemError);
    // A folder exists, so LoadFile passes it on, but it cannot be read as lines.
    ScratchFolder folder;
    Bytes image;
    EXPECT_THROW(loader.LoadFile(folder.PathOf(""), 1, image), FileSystemError);
}

TEST(AHEXLoader, FilesLargerThanTheBoundOrNotRegularRaiseFileSystemError) {
    RecordingOutput output;
    TAHEXLoader loader(output);
    ScratchFolder folder;
    // Two data lines and a line of padding that no pattern matches, to the bound; one byte more
    // is refused from the file's size alone.
    std::string text = "00F000:1234\r\n00F001:5678\r\n";
    text.resize(TAHEXLoader::kMaxFileSize, '#');
    const std::string atBound = folder.Write("bound.ahex", text);
    const std::string overBound = folder.Write("over.ahex", text + "#");
    Bytes image;
    EXPECT_EQ(loader.LoadFile(atBound, 3, image), 8);
    const std::pair<std::string, std::string> cases[] = {
        {overBound, "It is larger than 16777216 bytes."},
        {"/dev/zero", "It is not a regular file."},
    };
    for (const auto& [name, reason] : cases) {
        Bytes kept{0x42};
        try {
            loader.LoadFile(name, 3, kept);
            ADD_FAILURE() << name << " was read";
        } catch (const FileSystemError& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot read file \"" + name + "\". " + reason);
        }
        EXPECT_EQ(kept, Bytes{0x42}) << name;
    }
}

} // namespace
} // namespace ardent
