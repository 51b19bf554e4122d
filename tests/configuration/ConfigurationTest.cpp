#include "configuration/Configuration.h"
#include "TestFolder.h"
#include "utils/Crc16.h"
#include "utils/Errors.h"
#include "utils/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace ardent {
namespace {

using testing_support::TestFolder;

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// The bytes of a fresh configuration's header, written out by hand.
const Bytes kNewHeader = {
    66,  0,   0,   0,                             // ConfigSize
    'K', 't', 'C', 'f', 'g', 'V', '0', '1',       // ConfigVersion
    64,  0,   0,   0,                             // HeaderSize
    'C', 'o', 'n', 'f', 'i', 'g', 0,   0,   0, 0, // ConfigName, zero-padded to 32
    0,   0,   0,   0,   0,   0,   0,   0,   0, 0,    0,    0, 0,
    0,   0,   0,   0,   0,   0,   0,   0,   0, 0x80, 0x25, 0, 0, // BaudRate 9600
    1,   0,   0,   0,                                            // ChannelSelection
    0,   0,   0,   0,                                            // TargetType
    0,   0,   0,   0,                                            // NumOfBloks
};

TEST(Configuration, NewConfigurationBuildsTheSixtySixByteImage) {
    ASSERT_EQ(kNewHeader.size(), 64u);
    TConfiguration configuration;
    ASSERT_TRUE(configuration.BuildBuffer());

    Bytes expected = kNewHeader;
    const uint16_t crc = ComputeCrc16(kNewHeader);
    EXPECT_EQ(crc, 0xE089); // worked out bit by bit, independently of the table code
    expected.push_back(static_cast<uint8_t>(crc));
    expected.push_back(static_cast<uint8_t>(crc >> 8));
    EXPECT_EQ(configuration.GetBuffer(), expected);
    EXPECT_EQ(configuration.GetBufferSize(), 66u);
    EXPECT_EQ(configuration.GetCrc(), crc);
    EXPECT_EQ(configuration.GetName(), "Config");
    EXPECT_FALSE(configuration.GetLoadedState());
}

TEST(Configuration, ImageLaysOutBlocksInListOrderWithTheirHeaders) {
    TConfiguration configuration;
    configuration.SetName("Line 7");
    configuration.SetTargetType(2);
    configuration.SetChannel(0x0F);
    configuration.SetBaudRate(0x0001C200); // 115200
    ASSERT_TRUE(configuration.AddNewBlock(3, Bytes{0xAA, 0xBB}));
    ASSERT_TRUE(configuration.AddNewBlock(1, Bytes{0x01}));

    uint16_t crc = 0;
    Bytes image;
    ASSERT_TRUE(configuration.GetBufferForSend(crc, image));
    ASSERT_EQ(image.size(), 66u + 8 + 2 + 8 + 1);
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 4), (Bytes{85, 0, 0, 0}));
    EXPECT_EQ(Bytes(image.begin() + 16, image.begin() + 23), BytesOf(std::string("Line 7\0", 7)));
    EXPECT_EQ(Bytes(image.begin() + 48, image.begin() + 64),
              (Bytes{0x00, 0xC2, 0x01, 0, 0x0F, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(Bytes(image.begin() + 64, image.end() - 2),
              (Bytes{3, 0, 0, 0, 2, 0, 0, 0, 0xAA, 0xBB, 1, 0, 0, 0, 1, 0, 0, 0, 0x01}));
    EXPECT_EQ(crc, ComputeCrc16(std::span(image).first(image.size() - 2)));
    EXPECT_EQ(image[image.size() - 2], crc & 0xFF);
    EXPECT_EQ(image[image.size() - 1], crc >> 8);
    EXPECT_EQ(configuration.GetHeader().NumOfBloks, 2u);
    EXPECT_EQ(configuration.GetHeader().ConfigSize, image.size());
    EXPECT_EQ(configuration.GetBuffer(), image);

    // A second build of the same configuration gives the same bytes and CRC.
    uint16_t crcAgain = 0;
    Bytes imageAgain;
    ASSERT_TRUE(configuration.GetBufferForSend(crcAgain, imageAgain));
    EXPECT_EQ(imageAgain, image);
    EXPECT_EQ(crcAgain, crc);
}

TEST(Configuration, NameFieldHoldsAtMostThirtyTwoCharacters) {
    struct Case {
        std::string name;
        std::string stored;
    };
    const std::string forty = "0123456789012345678901234567890123456789";
    for (const Case& c :
         {Case{"", ""}, Case{"A", "A"}, Case{forty.substr(0, 31), forty.substr(0, 31)},
          Case{forty.substr(0, 32), forty.substr(0, 32)}, Case{forty, forty.substr(0, 32)},
          Case{std::string("ab\0cd", 5), "ab"}}) {
        TConfiguration configuration;
        configuration.SetName("a previous, longer name that must go");
        configuration.SetName(c.name);
        EXPECT_EQ(configuration.GetName(), c.stored) << c.name;
        const auto& field = configuration.GetHeader().ConfigName;
        const size_t copied = std::min<size_t>(c.name.size(), 32);
        EXPECT_TRUE(
            std::equal(c.name.begin(), c.name.begin() + static_cast<long>(copied), field.begin()));
        EXPECT_TRUE(std::all_of(field.begin() + static_cast<long>(copied), field.end(),
                                [](uint8_t b) { return b == 0; }))
            << c.name;
    }
}

TEST(Configuration, AddingATypeAgainReplacesItAndMovesItLast) {
    TConfiguration configuration;
    ASSERT_TRUE(configuration.AddNewBlock(1, Bytes{1}));
    ASSERT_TRUE(configuration.AddNewBlock(2, Bytes{2}));
    ASSERT_TRUE(configuration.AddNewBlock(1, Bytes{9, 9}));
    ASSERT_EQ(configuration.GetBlocks().size(), 2u);
    EXPECT_EQ(configuration.GetBlocks()[0].blockHeader, (TBlockHeader{2, 1}));
    EXPECT_EQ(configuration.GetBlocks()[1].blockHeader, (TBlockHeader{1, 2}));
    EXPECT_EQ(configuration.GetBlocks()[1].buffer, (Bytes{9, 9}));
    ASSERT_TRUE(configuration.BuildBuffer());
    EXPECT_EQ(configuration.GetHeader().NumOfBloks, 2u);

    // An empty block is refused and changes nothing, not even the block it would replace.
    const TConfiguration before = configuration;
    EXPECT_FALSE(configuration.AddNewBlock(1, Bytes{}));
    EXPECT_EQ(configuration, before);
}

TEST(Configuration, GetBlockByTypeCopiesAMatchOrLeavesTheOutputAlone) {
    TConfiguration configuration;
    ASSERT_TRUE(configuration.AddNewBlock(4, Bytes{4, 4, 4}));
    ASSERT_TRUE(configuration.AddNewBlock(3, Bytes{3}));

    Bytes out{0x55};
    EXPECT_TRUE(configuration.GetBlockByType(4, out));
    EXPECT_EQ(out, (Bytes{4, 4, 4}));
    for (const int64_t missing : {int64_t{-1}, int64_t{0}, int64_t{1}, int64_t{0x100000004}}) {
        Bytes untouched{0x55};
        EXPECT_FALSE(configuration.GetBlockByType(missing, untouched)) << missing;
        EXPECT_EQ(untouched, Bytes{0x55}) << missing;
    }
}

TEST(Configuration, ClearAllBlocksResetsTheCounters) {
    TConfiguration configuration;
    ASSERT_TRUE(configuration.AddNewBlock(3, Bytes(10, 1)));
    ASSERT_TRUE(configuration.BuildBuffer());
    EXPECT_EQ(configuration.GetHeader().ConfigSize, 84u);
    configuration.ClearAllBlocks();
    EXPECT_FALSE(configuration.GetLoadedState());
    EXPECT_EQ(configuration.GetHeader().NumOfBloks, 0u);
    EXPECT_EQ(configuration.GetHeader().ConfigSize, 66u);
    // The last image stays until the next build.
    EXPECT_EQ(configuration.GetBufferSize(), 84u);
}

TEST(Configuration, ValuesAreStoredAsGiven) {
    TConfiguration configuration;
    configuration.SetChannel(0);
    configuration.SetBaudRate(123);
    configuration.SetTargetType(255);
    EXPECT_EQ(configuration.GetChannel(), 0u);
    EXPECT_EQ(configuration.GetBaudRate(), 123u);
    EXPECT_EQ(configuration.GetTargetType(), 255u);
}

// One block whose data makes the whole image `imageSize` bytes long.
TConfiguration ConfigurationOfImageSize(size_t imageSize) {
    TConfiguration configuration;
    EXPECT_TRUE(configuration.AddNewBlock(
        1, Bytes(imageSize - TConfiguration::kEmptyImageSize - TBlockHeader::kSize, 0xA5)));
    EXPECT_EQ(configuration.ComputeImageSize(), imageSize);
    return configuration;
}

TEST(Configuration, LargestImageBuildsAndOneByteMoreIsRefused) {
    TConfiguration largest = ConfigurationOfImageSize(65535);
    ASSERT_TRUE(largest.BuildBuffer());
    EXPECT_EQ(largest.GetBufferSize(), 65535u);
    EXPECT_EQ(largest.GetHeader().ConfigSize, 65535u);

    // Grow the block by one byte: the build fails and leaves no image behind to be sent.
    TConfiguration tooLarge = largest;
    Bytes data;
    ASSERT_TRUE(tooLarge.GetBlockByType(1, data));
    data.push_back(0);
    ASSERT_TRUE(tooLarge.AddNewBlock(1, data));
    EXPECT_EQ(tooLarge.ComputeImageSize(), 65536u);
    EXPECT_FALSE(tooLarge.BuildBuffer());
    EXPECT_EQ(tooLarge.GetBufferSize(), 0u);
    EXPECT_EQ(tooLarge.GetCrc(), 0u);

    uint16_t crc = 0x1234;
    Bytes image{7};
    EXPECT_FALSE(tooLarge.GetBufferForSend(crc, image));
    EXPECT_EQ(crc, 0x1234);
    EXPECT_EQ(image, Bytes{7});
}

TEST(Configuration, WritingAnImageThatIsTooLargeTouchesNoFile) {
    TestFolder folder;
    const std::string existing = folder.PathOf("existing.cfg");
    const std::string fresh = folder.PathOf("fresh.cfg");
    ASSERT_TRUE(SaveBufferToFile(existing, BytesOf("old image")));

    TConfiguration tooLarge = ConfigurationOfImageSize(70000);
    EXPECT_FALSE(tooLarge.WriteConfigurationToFile(existing));
    EXPECT_FALSE(tooLarge.WriteConfigurationToFile(fresh));

    Bytes loaded;
    ASSERT_TRUE(LoadFileToBuffer(existing, loaded));
    EXPECT_EQ(loaded, BytesOf("old image"));
    EXPECT_FALSE(std::filesystem::exists(fresh));
    EXPECT_EQ(folder.FileCount(), 1u);
}

TEST(Configuration, WriteConfigurationToFileWritesTheBuiltImage) {
    TestFolder folder;
    const std::string name = folder.PathOf("line.cfg");
    ASSERT_TRUE(SaveBufferToFile(name, BytesOf("older and longer contents than the new image")));
    TConfiguration configuration;
    ASSERT_TRUE(configuration.AddNewBlock(2, Bytes{1, 2, 3}));
    ASSERT_TRUE(configuration.WriteConfigurationToFile(name));
    Bytes loaded;
    ASSERT_TRUE(LoadFileToBuffer(name, loaded));
    EXPECT_EQ(loaded, configuration.GetBuffer());
    EXPECT_EQ(loaded.size(), 77u);
}

TEST(Configuration, WriteErrorsRaiseTheFileSystemErrorNamingTheFileAndKeepTheOldOne) {
    TestFolder folder;
    const std::string readOnly = folder.PathOf("ro.cfg");
    ASSERT_TRUE(SaveBufferToFile(readOnly, BytesOf("keep")));
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);

    TConfiguration configuration;
    for (const std::string& name : {folder.PathOf("no/such/folder/x.cfg"), readOnly}) {
        try {
            configuration.WriteConfigurationToFile(name);
            ADD_FAILURE() << "no error for " << name;
        } catch (const FileSystemError& error) {
            EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        }
    }
    Bytes loaded;
    ASSERT_TRUE(LoadFileToBuffer(readOnly, loaded));
    EXPECT_EQ(loaded, BytesOf("keep"));
    EXPECT_FALSE(std::filesystem::exists(folder.PathOf("no")));
}

} // namespace
} // namespace ardent
