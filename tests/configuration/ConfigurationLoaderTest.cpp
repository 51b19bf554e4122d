#include "configuration/BlockType.h"
#include "configuration/ConfigurationLoader.h"
#include "CfgFixtures.h"
#include "TestFolder.h"
#include "utils/Files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace ardent {
namespace {

using namespace testing_support;

Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes ReadFixture(const std::string& name) {
    Bytes bytes;
    EXPECT_TRUE(LoadFileToBuffer(FixturePath(name), bytes)) << name;
    return bytes;
}

// A configuration that already holds something, so a failed load can be seen to keep it.
TConfiguration PreviousConfiguration() {
    TConfiguration configuration;
    configuration.SetName("previous");
    configuration.SetTargetType(3);
    configuration.SetChannel(5);
    configuration.AddNewBlock(BlockType::Patch, Bytes{0xDE, 0xAD});
    configuration.BuildBuffer();
    return configuration;
}

// Header values and blocks, what an image carries.
void ExpectSameContent(const TConfiguration& actual, const TConfiguration& expected) {
    EXPECT_EQ(actual.GetName(), expected.GetName());
    EXPECT_EQ(actual.GetBaudRate(), expected.GetBaudRate());
    EXPECT_EQ(actual.GetChannel(), expected.GetChannel());
    EXPECT_EQ(actual.GetTargetType(), expected.GetTargetType());
    EXPECT_EQ(actual.GetBlocks(), expected.GetBlocks());
}

TEST(CfgFixtures, GoldenFilesMatchTheirRecipes) {
    const struct {
        const char* name;
        Bytes bytes;
    } fixtures[] = {{"current.cfg", CurrentFixture()},
                    {"legacy_dp2a.cfg", LegacyDp2aFixture()},
                    {"legacy_dp2b.cfg", LegacyDp2bFixture()},
                    {"damaged.cfg", DamagedFixture()}};
    const char* rewrite = std::getenv("ARDENT_WRITE_CFG_FIXTURES");
    for (const auto& fixture : fixtures) {
        if (rewrite != nullptr && std::string(rewrite) == "1") {
            SaveBufferToFile(FixturePath(fixture.name), fixture.bytes);
        }
        EXPECT_EQ(ReadFixture(fixture.name), fixture.bytes) << fixture.name;
    }
}

TEST(ConfigurationLoader, CurrentImageLoadsBackAndRebuildsToTheSameBytes) {
    const TConfiguration written = CurrentFixtureConfiguration();
    TConfiguration loaded = PreviousConfiguration();
    ASSERT_TRUE(
        TConfigurationLoader().loadConfigurationFromFile(FixturePath("current.cfg"), loaded));
    ExpectSameContent(loaded, written);
    // Until the next build the counters read as for an empty block list.
    EXPECT_EQ(loaded.GetHeader().NumOfBloks, 0u);
    EXPECT_EQ(loaded.GetHeader().ConfigSize, 66u);
    ASSERT_TRUE(loaded.BuildBuffer());
    EXPECT_EQ(loaded.GetBuffer(), ReadFixture("current.cfg"));
}

TEST(ConfigurationLoader, WrittenFileRoundTrips) {
    TestFolder folder;
    TConfiguration written = CurrentFixtureConfiguration();
    written.SetName(std::string(32, 'N')); // a full name field has no terminator
    written.SetChannel(0);
    ASSERT_TRUE(written.WriteConfigurationToFile(folder.PathOf("round.cfg")));

    TConfiguration loaded;
    ASSERT_TRUE(
        TConfigurationLoader().loadConfigurationFromFile(folder.PathOf("round.cfg"), loaded));
    ExpectSameContent(loaded, written);
    ASSERT_TRUE(loaded.BuildBuffer());
    EXPECT_EQ(loaded.GetBuffer(), written.GetBuffer());
}

// Each byte changed in every single bit, in all bits and by one, and the damaged golden file:
// the load fails and leaves the configuration as it was.
TEST(ConfigurationLoader, EverySingleByteChangeFailsAndChangesNothing) {
    const TConfigurationLoader loader;
    const TConfiguration previous = PreviousConfiguration();
    for (const char* name : {"current.cfg", "legacy_dp2a.cfg", "legacy_dp2b.cfg"}) {
        const Bytes original = ReadFixture(name);
        for (size_t index = 0; index < original.size(); ++index) {
            std::vector<uint8_t> changes = {static_cast<uint8_t>(original[index] ^ 0xFF),
                                            static_cast<uint8_t>(original[index] + 1)};
            for (int bit = 0; bit < 8; ++bit) {
                changes.push_back(static_cast<uint8_t>(original[index] ^ (1 << bit)));
            }
            for (const uint8_t value : changes) {
                Bytes changed = original;
                changed[index] = value;
                TConfiguration configuration = previous;
                ASSERT_FALSE(loader.loadConfigurationFromBuffer(changed, configuration))
                    << name << " byte " << index << " = " << int{value};
                ASSERT_EQ(configuration, previous) << name << " byte " << index;
            }
        }
    }
    TConfiguration configuration = previous;
    EXPECT_FALSE(loader.loadConfigurationFromFile(FixturePath("damaged.cfg"), configuration));
    EXPECT_EQ(configuration, previous);
}

TEST(ConfigurationLoader, MissingFileFailsAndChangesNothing) {
    TestFolder folder;
    TConfiguration configuration = PreviousConfiguration();
    EXPECT_FALSE(TConfigurationLoader().loadConfigurationFromFile(folder.PathOf("absent.cfg"),
                                                                  configuration));
    EXPECT_EQ(configuration, PreviousConfiguration());
}

TEST(ConfigurationLoader, FilesThatCannotHoldAnImageAreRefusedBeforeTheyAreRead) {
    TestFolder folder;
    // A file far larger than memory: only refusing it from its size ends the load cleanly.
    const std::string huge = folder.PathOf("huge.cfg");
    std::ofstream(huge, std::ios::binary).flush();
    std::error_code error;
    std::filesystem::resize_file(huge, uintmax_t{1} << 40, error);
    if (error) {
        std::filesystem::resize_file(huge, uintmax_t{1} << 36, error);
    }
    ASSERT_FALSE(error) << error.message();
    // A good image followed by one byte too many for any image.
    Bytes padded = ReadFixture("current.cfg");
    padded.resize(TConfiguration::kMaxImageSize + 1);
    const std::string oversized = folder.PathOf("oversized.cfg");
    ASSERT_TRUE(SaveBufferToFile(oversized, padded));
    for (const std::string& name : {huge, oversized, std::string("/dev/zero")}) {
        TConfiguration configuration = PreviousConfiguration();
        EXPECT_FALSE(TConfigurationLoader().loadConfigurationFromFile(name, configuration)) << name;
        EXPECT_EQ(configuration, PreviousConfiguration()) << name;
    }
}

// The verdict names why an image was refused; only a loaded image counts as loaded.
TEST(ConfigurationLoader, VerdictSaysWhyAnImageWasRefused) {
    TestFolder folder;
    Bytes tooLong(TConfiguration::kMaxImageSize - 1, 0);
    tooLong = WithCrc(tooLong); // the CRC is right, only the length is not
    const Bytes blockOutside = WithCrc([] {
        Bytes body = ReadFixture("current.cfg");
        body.resize(body.size() - 2 - 4); // the last block ends past the image
        return body;
    }());
    SaveBufferToFile(folder.PathOf("damaged copy.cfg"), ReadFixture("damaged.cfg"));
    const struct {
        const char* what;
        std::string file;
        TLoadVerdict verdict;
    } cases[] = {
        {"current", FixturePath("current.cfg"), TLoadVerdict::Loaded},
        {"legacy", FixturePath("legacy_dp2a.cfg"), TLoadVerdict::Loaded},
        {"missing", folder.PathOf("absent.cfg"), TLoadVerdict::Unreadable},
        {"a folder", folder.PathOf(""), TLoadVerdict::Unreadable},
        {"damaged", folder.PathOf("damaged copy.cfg"), TLoadVerdict::CrcMismatch},
    };
    for (const auto& c : cases) {
        TConfiguration configuration = PreviousConfiguration();
        EXPECT_EQ(TConfigurationLoader().LoadFile(c.file, configuration), c.verdict) << c.what;
        EXPECT_EQ(configuration == PreviousConfiguration(), c.verdict != TLoadVerdict::Loaded)
            << c.what;
        EXPECT_EQ(LoadVerdictText(c.verdict).empty(), c.verdict == TLoadVerdict::Loaded) << c.what;
    }
    TConfiguration configuration = PreviousConfiguration();
    EXPECT_EQ(TConfigurationLoader().LoadBuffer(tooLong, configuration), TLoadVerdict::TooLong);
    EXPECT_EQ(TConfigurationLoader().LoadBuffer(blockOutside, configuration),
              TLoadVerdict::Malformed);
    EXPECT_EQ(configuration, PreviousConfiguration());
    EXPECT_EQ(LoadVerdictText(TLoadVerdict::CrcMismatch),
              "its CRC does not match its contents (the image is damaged)");
}

// A current image body (no CRC yet) with `count` in NumOfBloks and the raw block bytes after it.
Bytes CurrentBody(uint32_t count, const Bytes& blockBytes) {
    TConfiguration empty;
    empty.BuildBuffer();
    Bytes body(empty.GetBuffer().begin(), empty.GetBuffer().begin() + 64);
    for (int i = 0; i < 4; ++i) {
        body[60 + static_cast<size_t>(i)] = static_cast<uint8_t>(count >> (8 * i));
    }
    body.insert(body.end(), blockBytes.begin(), blockBytes.end());
    return body;
}

struct LoadCase {
    const char* what;
    Bytes image;
    bool loads;
    std::function<void(const TConfiguration&)> check = nullptr;
};

void RunLoadCases(const std::vector<LoadCase>& cases) {
    for (const LoadCase& c : cases) {
        const TConfiguration previous = PreviousConfiguration();
        TConfiguration configuration = previous;
        EXPECT_EQ(TConfigurationLoader().loadConfigurationFromBuffer(c.image, configuration),
                  c.loads)
            << c.what;
        if (!c.loads) {
            EXPECT_EQ(configuration, previous) << c.what;
        } else if (c.check) {
            SCOPED_TRACE(c.what);
            c.check(configuration);
        }
    }
}

std::vector<uint32_t> BlockTypes(const TConfiguration& configuration) {
    std::vector<uint32_t> types;
    for (const TBlock& block : configuration.GetBlocks()) {
        types.push_back(block.blockHeader.blockType);
    }
    return types;
}

TEST(ConfigurationLoader, CurrentImagesAreBoundsChecked) {
    const Bytes block3 = {3, 0, 0, 0, 2, 0, 0, 0, 0xAA, 0xBB};
    const Bytes empty1 = {1, 0, 0, 0, 0, 0, 0, 0};
    const Bytes header = CurrentBody(0, {});
    Bytes oddHeaderSize = CurrentBody(1, block3);
    oddHeaderSize[12] = 0x00;
    oddHeaderSize[13] = 0x01; // HeaderSize 256: blocks still start at 64
    RunLoadCases({
        {"no bytes", {}, false},
        {"one byte", {0}, false},
        {"just a CRC", WithCrc({}), false},
        {"tag but no full header", WithCrc(Bytes(header.begin(), header.begin() + 40)), false},
        {"header one byte short", WithCrc(Bytes(header.begin(), header.end() - 1)), false},
        {"no blocks", WithCrc(CurrentBody(0, {})), true,
         [](const TConfiguration& c) {
             EXPECT_FALSE(c.GetLoadedState());
             EXPECT_EQ(c.GetName(), "Config");
         }},
        {"one block", WithCrc(CurrentBody(1, block3)), true,
         [](const TConfiguration& c) { EXPECT_EQ(BlockTypes(c), std::vector<uint32_t>{3}); }},
        {"zero-size block dropped",
         WithCrc(CurrentBody(2,
                             [&] {
                                 Bytes b = empty1;
                                 b.insert(b.end(), block3.begin(), block3.end());
                                 return b;
                             }())),
         true, [](const TConfiguration& c) { EXPECT_EQ(BlockTypes(c), std::vector<uint32_t>{3}); }},
        {"blocks start at 64 whatever HeaderSize says", WithCrc(oddHeaderSize), true,
         [](const TConfiguration& c) {
             EXPECT_EQ(BlockTypes(c), std::vector<uint32_t>{3});
             EXPECT_EQ(c.GetHeader().HeaderSize, 256u);
         }},
        {"count larger than the blocks present", WithCrc(CurrentBody(2, block3)), false},
        {"huge count", WithCrc(CurrentBody(0x80000000u, block3)), false},
        {"block header cut by the CRC", WithCrc(CurrentBody(1, {3, 0, 0, 0, 2, 0})), false},
        {"block data running into the CRC",
         WithCrc(CurrentBody(1, {3, 0, 0, 0, 3, 0, 0, 0, 0xAA, 0xBB})), false},
        {"block size near 2^32", WithCrc(CurrentBody(1, {3, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1})),
         false},
    });
}

TEST(ConfigurationLoader, ImagesLongerThanTheLimitAreRefused) {
    Bytes body = CurrentBody(1, {});
    const uint32_t size = 65536 - 66 - 8;
    const Bytes blockHeader = {1,
                               0,
                               0,
                               0,
                               static_cast<uint8_t>(size),
                               static_cast<uint8_t>(size >> 8),
                               static_cast<uint8_t>(size >> 16),
                               0};
    body.insert(body.end(), blockHeader.begin(), blockHeader.end());
    body.resize(body.size() + size, 0x5A);
    const Bytes image = WithCrc(body);
    ASSERT_EQ(image.size(), 65536u);
    RunLoadCases({{"65 536 bytes", image, false}});
}

// The tag compared byte for byte: any other tag is a legacy image, which these are not.
TEST(ConfigurationLoader, AnyOtherTagIsReadAsLegacy) {
    const Bytes current = CurrentFixture();
    std::vector<LoadCase> cases;
    for (size_t i = 4; i < 12; ++i) {
        Bytes body(current.begin(), current.end() - 2);
        body[i] ^= (i == 11) ? 0x03 : 0x20; // "KtCfgV02", or one letter's case flipped
        cases.push_back({"tag byte changed", WithCrc(body), false});
    }
    RunLoadCases(cases);
}

// The 68-byte ID table the legacy DP2B fixture must give, written out by hand.
const Bytes kLegacyDp2bIdTable = {
    1,
    1,
    0x11,
    0x22,
    0x33,
    0x44,
    /* device after */ 0,
    0,
    0,
    0,
    0,
    0,
    1,
    1,
    0xF0,
    0xF1,
    0xF2,
    0xF3,
    0xF4,
    0xF5,
    0xF6,
    0xF7,
    1,
    1,
    0xE0,
    0xE1,
    0xE2,
    0xE3,
    0xE4,
    0xE5,
    0xE6,
    0xE7,
    1,
    1,
    0xC0,
    0xC1,
    0xC2,
    0xC3,
    /* customer after */ 0,
    0,
    0,
    0,
    0,
    0,
    1,
    1,
    0x01,
    0x02,
    /* patch after */ 1,
    1,
    0x12,
    0x34,
    // Parameter ID before: loaded from byte 35 (0), compare from byte 26 (1).
    0,
    1,
    0xA1,
    0xA2,
    /* parameters after */ 0,
    0,
    0x56,
    0x78,
    1,
    0,
    0xB1,
    0xB2,
    /* ROM after */ 0,
    0,
    0,
    0,
};

TEST(ConfigurationLoader, LegacyDp2bImageBecomesACurrentConfiguration) {
    ASSERT_EQ(kLegacyDp2bIdTable.size(), 68u);
    TConfiguration configuration = PreviousConfiguration();
    ASSERT_TRUE(TConfigurationLoader().loadConfigurationFromFile(FixturePath("legacy_dp2b.cfg"),
                                                                 configuration));
    EXPECT_EQ(configuration.GetTargetType(), 2u);
    EXPECT_EQ(configuration.GetName(), "LegacyB");
    EXPECT_EQ(configuration.GetBaudRate(), 115200u);
    EXPECT_EQ(configuration.GetChannel(), 0x0Fu);
    EXPECT_EQ(BlockTypes(configuration), (std::vector<uint32_t>{1, 2, 3, 4}));
    Bytes data;
    ASSERT_TRUE(configuration.GetBlockByType(BlockType::Firmware, data));
    EXPECT_EQ(data, (Bytes{1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(configuration.GetBlockByType(BlockType::Patch, data));
    EXPECT_EQ(data, (Bytes{0xD1, 0xD2, 0xD3}));
    ASSERT_TRUE(configuration.GetBlockByType(BlockType::Parameters, data));
    EXPECT_EQ(data, (Bytes{0x31, 0x32}));
    ASSERT_TRUE(configuration.GetBlockByType(BlockType::IdTable, data));
    EXPECT_EQ(data, kLegacyDp2bIdTable);

    // Saving it again writes a current image.
    ASSERT_TRUE(configuration.BuildBuffer());
    const Bytes& image = configuration.GetBuffer();
    EXPECT_EQ(Bytes(image.begin() + 4, image.begin() + 12), BytesOf("KtCfgV01"));
}

TEST(ConfigurationLoader, LegacyDp2aImageGivesItsParameterBlockAndTheIdTable) {
    TConfiguration configuration = PreviousConfiguration();
    ASSERT_TRUE(TConfigurationLoader().loadConfigurationFromFile(FixturePath("legacy_dp2a.cfg"),
                                                                 configuration));
    EXPECT_EQ(configuration.GetTargetType(), 1u);
    EXPECT_EQ(configuration.GetName(), "LegacyA");
    EXPECT_EQ(configuration.GetBaudRate(), 9600u); // bytes 80 25 00; byte 82 is the channel
    EXPECT_EQ(configuration.GetChannel(), 3u);
    EXPECT_EQ(BlockTypes(configuration), (std::vector<uint32_t>{3, 4}));
    Bytes data;
    ASSERT_TRUE(configuration.GetBlockByType(BlockType::Parameters, data));
    EXPECT_EQ(data, (Bytes{0x10, 0x11, 0x12, 0x13, 0x14, 0x15}));
    ASSERT_TRUE(configuration.GetBlockByType(BlockType::IdTable, data));
    EXPECT_EQ(data.size(), 68u);
    // What a legacy image does not carry stays as it was.
    EXPECT_EQ(configuration.GetHeader().ConfigVersion, TConfigurationHeader::kVersionTag);
    EXPECT_EQ(configuration.GetBuffer(), PreviousConfiguration().GetBuffer());
}

TEST(ConfigurationLoader, LegacyImagesAreRecognisedAndBoundsChecked) {
    auto dp2a = [](const std::function<void(Bytes&)>& addRecords) {
        Bytes body = LegacyHeader("L", 0x0F0000 | 0x2580, 0xFF);
        MarkLegacyDp2a(body);
        addRecords(body);
        return WithCrc(body);
    };
    auto dp2b = [](const std::function<void(Bytes&)>& addRecords) {
        Bytes body = LegacyHeader(std::string(40, 'n'), 9600, 1);
        addRecords(body);
        return WithCrc(body);
    };
    const Bytes fullPatch(15, 0xCC); // 14 prefix bytes and one data byte
    RunLoadCases({
        {"DP2A without records", dp2a([](Bytes&) {}), true,
         [](const TConfiguration& c) {
             EXPECT_EQ(c.GetTargetType(), 1u);
             EXPECT_EQ(BlockTypes(c), std::vector<uint32_t>{4});
             EXPECT_EQ(c.GetBaudRate(), 0x0F2580u);
             EXPECT_EQ(c.GetChannel(), 0xFFu);
         }},
        {"record type not found adds nothing", dp2a([](Bytes& b) {
             AppendLegacyRecord(b, 9, {1, 2});
         }),
         true, [](const TConfiguration& c) { EXPECT_EQ(BlockTypes(c), std::vector<uint32_t>{4}); }},
        {"only the first record of a type counts", dp2b([](Bytes& b) {
             AppendLegacyRecord(b, 1, {1});
             AppendLegacyRecord(b, 1, {2});
         }),
         true,
         [](const TConfiguration& c) {
             EXPECT_EQ(c.GetBlocks().front().buffer, Bytes{1});
             EXPECT_EQ(c.GetName(), std::string(32, 'n'));
         }},
        {"record holding only its prefix adds nothing", dp2b([](Bytes& b) {
             AppendLegacyRecord(b, 3, {9, 9, 9, 9});
         }),
         true, [](const TConfiguration& c) { EXPECT_EQ(BlockTypes(c), std::vector<uint32_t>{4}); }},
        {"patch prefix dropped", dp2b([&](Bytes& b) { AppendLegacyRecord(b, 2, fullPatch); }), true,
         [](const TConfiguration& c) {
             EXPECT_EQ(BlockTypes(c), (std::vector<uint32_t>{2, 4}));
         }},
        {"first record type not 1, 2 or 3", dp2b([](Bytes& b) { AppendLegacyRecord(b, 4, {1}); }),
         false},
        {"no marker and no records", dp2b([](Bytes&) {}), false},
        {"shorter than the legacy header", WithCrc(Bytes(82, 0)), false},
        {"record header cut by the CRC", dp2b([](Bytes& b) {
             b.insert(b.end(), {1, 1, 0});
         }),
         false},
        {"record running into the CRC", dp2b([](Bytes& b) {
             AppendLegacyRecord(b, 1, {1, 2});
             b[b.size() - 6] = 3; // length 3, two bytes present
         }),
         false},
        {"later record running past the end", dp2b([](Bytes& b) {
             AppendLegacyRecord(b, 1, {1});
             b.insert(b.end(), {7, 0xFF, 0xFF, 0xFF, 0xFF});
         }),
         false},
        {"patch record shorter than its prefix",
         dp2b([](Bytes& b) { AppendLegacyRecord(b, 2, Bytes(10, 0)); }), false},
    });
}

} // namespace
} // namespace ardent
