// -fileGetInfo, -fileUpdateChannel and -createCfg run through the built ArdentCmd on fixture
// files: exact output bytes, the bytes of the files written and the full result.

#include "ArdentCmdFixture.h"
#include "configuration/Configuration.h"
#include "configuration/ConfigurationLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

const std::string kSucceeded = "Operation completed successfully.\r\n";
const std::string kUnexpectedInput =
    "Operation completed with: ERROR_UNEX_INPUT\r\nOperation failed.\r\n";
const std::string kNotLoaded =
    "Operation completed with: ERROR_CFG_NOT_LOADED\r\nOperation failed.\r\n";
const std::string kInvalidParameters =
    "Operation completed with: Invalid command parameters!\r\nOperation failed.\r\n";

TConfiguration LoadCfg(const fs::path& file) {
    TConfiguration configuration;
    EXPECT_TRUE(TConfigurationLoader().loadConfigurationFromFile(file.string(), configuration))
        << file;
    return configuration;
}

std::vector<uint32_t> BlockTypes(const TConfiguration& configuration) {
    std::vector<uint32_t> types;
    for (const TBlock& block : configuration.GetBlocks()) {
        types.push_back(block.blockHeader.blockType);
    }
    std::sort(types.begin(), types.end());
    return types;
}

using FileGetInfo = testing::ArdentCmdFixture;

TEST_F(FileGetInfo, PrintsTheLinesOfEachFamilyAndOfUnreadableFiles) {
    CopyData("cfg/legacy_dp2b.cfg", "dp2b.cfg");
    CopyData("cfg/legacy_dp2a.cfg", "dp2a.cfg");
    CopyData("cfg/current.cfg", "current.cfg");
    CopyData("cfg/damaged.cfg", "damaged.cfg");
    fs::create_directory(folder / "folder.cfg");
    const std::string unreadable =
        "NAME : \r\nCHANNEL : 1,0,0,0\r\nAPARAM CHECKSUM : Error\r\nFW PATCH ID : Error\r\n";
    struct Case {
        std::vector<std::string> args;
        std::string out;
        std::string result;
    };
    const Case cases[] = {
        {{"-fileGetInfo", "dp2b.cfg"},
         "NAME : LegacyB\r\nCHANNEL : 1,1,1,1\r\nAPARAM CHECKSUM : 0x7856\r\n"
         "FW PATCH ID : 0x3412\r\n",
         "0\n"},
        {{"-fileGetInfo", "dp2a.cfg"},
         "NAME : LegacyA\r\nCHANNEL : 1,1,0,0\r\nAPARAM CHECKSUM : 0xBE53\r\nFW PATCH ID : -\r\n",
         "0\n"},
        {{"-fileGetInfo", "current.cfg"},
         "NAME : Golden line\r\nCHANNEL : 1,1,0,1\r\nAPARAM CHECKSUM : 0x0000\r\n"
         "FW PATCH ID : 0x0000\r\n",
         "0\n"},
        {{"-fileGetInfo", "current.cfg", "name"}, "Golden line\r\n", "0\n"},
        {{"-fileGetInfo", "current.cfg", "channel"}, "1,1,0,1\r\n", "0\n"},
        {{"-fileGetInfo", "dp2b.cfg", "aparam"}, "0x7856\r\n", "0\n"},
        {{"-fileGetInfo", "dp2b.cfg", "patch"}, "0x3412\r\n", "0\n"},
        {{"-fileGetInfo", "dp2a.cfg", "patch"}, "-\r\n", "0\n"},
        // The lines of a file that cannot be read stay; the result says it was not read.
        {{"-fileGetInfo", "missing.cfg"}, unreadable + kNotLoaded, "-122\n"},
        {{"-fileGetInfo", "damaged.cfg"}, unreadable + kNotLoaded, "-122\n"},
        {{"-fileGetInfo", "folder.cfg"}, unreadable + kNotLoaded, "-122\n"},
        {{"-fileGetInfo", "missing.cfg", "name"}, "\r\n" + kNotLoaded, "-122\n"},
        {{"-fileGetInfo", "damaged.cfg", "channel"}, "1,0,0,0\r\n" + kNotLoaded, "-122\n"},
        {{"-fileGetInfo", "missing.cfg", "aparam"}, "Error\r\n" + kNotLoaded, "-122\n"},
        {{"-fileGetInfo", "damaged.cfg", "patch"}, "Error\r\n" + kNotLoaded, "-122\n"},
        {{"-fileGetInfo", "current.cfg", "NAME"}, kUnexpectedInput, "-125\n"},
        {{"-fileGetInfo", "current.CFG"}, kUnexpectedInput, "-125\n"},
    };
    for (const Case& c : cases) {
        const auto outcome = Run(c.args);
        EXPECT_EQ(outcome.out, c.out) << c.args[1];
        EXPECT_EQ(Result(), c.result) << c.args[1];
        EXPECT_EQ(outcome.err, "");
    }
}

TEST_F(FileGetInfo, FamilyWithoutTargetShowsErrorForBothIdsAndIsNotLoaded) {
    TConfiguration configuration;
    configuration.SetName("Odd family");
    configuration.SetChannel(0x12); // bit 4 lies beyond the four channels
    configuration.SetTargetType(7);
    const Bytes patch = {1, 2, 3, 4};
    configuration.AddNewBlock(2, patch);
    ASSERT_TRUE(configuration.WriteConfigurationToFile((folder / "odd.cfg").string()));
    EXPECT_EQ(Run({"-fileGetInfo", "odd.cfg"}).out,
              "NAME : Odd family\r\nCHANNEL : 0,1,0,0\r\nAPARAM CHECKSUM : Error\r\n"
              "FW PATCH ID : Error\r\n" +
                  kNotLoaded);
    EXPECT_EQ(Result(), "-122\n");
    // What could be read is a success of its own.
    EXPECT_EQ(Run({"-fileGetInfo", "odd.cfg", "name"}).out, "Odd family\r\n");
    EXPECT_EQ(Result(), "0\n");
}

TEST_F(FileGetInfo, UnreadableFileIsNotLoaded) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root reads a file without read permission";
    }
    const fs::path file = CopyData("cfg/current.cfg", "locked.cfg");
    fs::permissions(file, fs::perms::none);
    EXPECT_EQ(Run({"-fileGetInfo", "locked.cfg", "name"}).out, "\r\n" + kNotLoaded);
    EXPECT_EQ(Result(), "-122\n");
}

TEST_F(FileGetInfo, ControlBytesOfTheNameAreShownAsQuestionMarks) {
    TConfiguration configuration;
    // A name that would colour the terminal and forge a line of its own.
    configuration.SetName("A\x1b[31mB\r\nOperation ok\x7f\t");
    configuration.SetTargetType(2);
    const Bytes firmware = {1, 2, 3, 4};
    configuration.AddNewBlock(1, firmware);
    ASSERT_TRUE(configuration.WriteConfigurationToFile((folder / "forged.cfg").string()));
    EXPECT_EQ(Run({"-fileGetInfo", "forged.cfg", "name"}).out, "A?[31mB??Operation ok??\r\n");
    EXPECT_TRUE(Run({"-fileGetInfo", "forged.cfg"})
                    .out.starts_with("NAME : A?[31mB??Operation ok??\r\nCHANNEL : "));
}

using FileUpdateChannel = testing::ArdentCmdFixture;

TEST_F(FileUpdateChannel, AcceptsDecimalAndHexSpellingsOfOneToFifteen) {
    const fs::path file = CopyData("cfg/current.cfg", "line.cfg");
    const TConfiguration before = LoadCfg(file);
    for (const std::string value : {"0x000A", "0xA", "$A", "10", "x0a", "+10"}) {
        CopyData("cfg/current.cfg", "line.cfg");
        const auto outcome = Run({"-fileUpdateChannel", "line.cfg", value});
        EXPECT_EQ(outcome.out, kSucceeded) << value;
        EXPECT_EQ(Result(), "0\n") << value;
        // Only the channel selection (and with it the CRC) changed.
        TConfiguration expected = before;
        expected.SetChannel(10);
        uint16_t crc = 0;
        Bytes image;
        ASSERT_TRUE(expected.GetBufferForSend(crc, image));
        EXPECT_EQ(ReadFile(file), std::string(image.begin(), image.end())) << value;
    }
    EXPECT_EQ(Run({"-fileGetInfo", "line.cfg", "channel"}).out, "0,1,0,1\r\n");
}

TEST_F(FileUpdateChannel, RefusedValuesAndFilesLeaveTheFileUntouched) {
    const fs::path file = CopyData("cfg/current.cfg", "line.cfg");
    const std::string original = ReadFile(file);
    // One argument, so that "-1" stays a value and the quoted item keeps its blank.
    for (const std::string value :
         {"0", "16", "0x0010", "\"0x000A \"", "-1", "0x", "ten", "4294967306", "0xA0000000A"}) {
        const auto outcome = Run({"-fileUpdateChannel", "line.cfg," + value});
        EXPECT_EQ(outcome.out, kNotLoaded) << value;
        EXPECT_EQ(Result(), "-122\n") << value;
        EXPECT_EQ(ReadFile(file), original) << value;
    }
    CopyData("cfg/damaged.cfg", "damaged.cfg");
    const std::string damaged = ReadFile(folder / "damaged.cfg");
    for (const char* name : {"missing.cfg", "damaged.cfg"}) {
        EXPECT_EQ(Run({"-fileUpdateChannel", name, "3"}).out, kNotLoaded) << name;
        EXPECT_EQ(Result(), "-122\n");
    }
    EXPECT_FALSE(fs::exists(folder / "missing.cfg"));
    EXPECT_EQ(ReadFile(folder / "damaged.cfg"), damaged);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-fileUpdateChannel", "line.cfg"},
          std::vector<std::string>{"-fileUpdateChannel", "line.cfg", "1", "2"}}) {
        EXPECT_EQ(Run(args).out, kUnexpectedInput);
        EXPECT_EQ(Result(), "-125\n");
    }
    EXPECT_EQ(ReadFile(file), original);
}

TEST_F(FileUpdateChannel, ReadOnlyFileFailsThroughTheTopLevelHandlerAndStaysWhole) {
    const fs::path file = CopyData("cfg/current.cfg", "line.cfg");
    const std::string original = ReadFile(file);
    fs::permissions(file, fs::perms::owner_read);
    const auto outcome = Run({"-fileUpdateChannel", "line.cfg", "3"});
    EXPECT_TRUE(outcome.out.starts_with("FileSystemError: ")) << outcome.out;
    EXPECT_TRUE(outcome.out.ends_with("\r\n"));
    EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 1);
    EXPECT_EQ(outcome.exitStatus, 138);
    EXPECT_EQ(Result(), "-118\n");
    EXPECT_EQ(ReadFile(file), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
}

TEST_F(FileUpdateChannel, ALinkedFileIsUpdatedWhereItLivesAndKeepsItsLinkAndMode) {
    fs::create_directory(folder / "store");
    const fs::path real = CopyData("cfg/current.cfg", "store/line.cfg");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("store/line.cfg", folder / "line.cfg");
    EXPECT_EQ(Run({"-fileUpdateChannel", "line.cfg", "6"}).out, kSucceeded);
    EXPECT_TRUE(fs::is_symlink(folder / "line.cfg"));
    EXPECT_EQ(LoadCfg(real).GetChannel(), 6u);
    EXPECT_EQ(fs::status(real).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(FileUpdateChannel, LegacyFileIsRewrittenInTheCurrentLayout) {
    const fs::path file = CopyData("cfg/legacy_dp2b.cfg", "legacy.cfg");
    TConfiguration before = LoadCfg(file);
    const auto outcome = Run({"-fileUpdateChannel", "legacy.cfg", "5"});
    EXPECT_EQ(outcome.out, kSucceeded);
    EXPECT_EQ(Result(), "0\n");
    const std::string image = ReadFile(file);
    ASSERT_GE(image.size(), 12u);
    EXPECT_EQ(image.substr(4, 8), "KtCfgV01");
    const TConfiguration after = LoadCfg(file);
    EXPECT_EQ(after.GetChannel(), 5u);
    EXPECT_EQ(after.GetName(), before.GetName());
    EXPECT_EQ(after.GetTargetType(), before.GetTargetType());
    EXPECT_EQ(after.GetBlocks(), before.GetBlocks());
    EXPECT_EQ(Run({"-fileGetInfo", "legacy.cfg"}).out,
              "NAME : LegacyB\r\nCHANNEL : 1,0,1,0\r\nAPARAM CHECKSUM : 0x7856\r\n"
              "FW PATCH ID : 0x3412\r\n");
}

class CreateCfg : public testing::ArdentCmdFixture {
protected:
    std::vector<std::string> FullForm(const std::vector<std::string>& changes) const {
        std::map<std::string, std::string> named = {
            {"--device", "dp3b"},
            {"--baud", "0x9600"},
            {"--channel", "0x03"},
            {"--par", Data("input/dp3b_par.xml").string()},
            {"--patch", Data("input/dp3b_patch.xml").string()},
            {"--output", "./out.cfg"}};
        for (size_t i = 0; i + 1 < changes.size(); i += 2) {
            if (changes[i + 1].empty()) {
                named.erase(changes[i]);
            } else {
                named[changes[i]] = changes[i + 1];
            }
        }
        std::vector<std::string> args{"-createCfg"};
        for (const auto& [name, value] : named) {
            args.push_back(name);
            args.push_back(value);
        }
        return args;
    }
};

TEST_F(CreateCfg, FullFormWritesALoadableDP3BConfiguration) {
    const auto outcome = Run(FullForm({}));
    EXPECT_EQ(outcome.out, kSucceeded);
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_EQ(Result(), "0\n");
    const TConfiguration configuration = LoadCfg(folder / "out.cfg");
    EXPECT_EQ(configuration.GetName(), "out");
    EXPECT_EQ(configuration.GetBaudRate(), 38400u);
    EXPECT_EQ(configuration.GetChannel(), 3u);
    EXPECT_EQ(configuration.GetTargetType(), 3u);
    EXPECT_EQ(BlockTypes(configuration), (std::vector<uint32_t>{2, 3, 4}));
    EXPECT_EQ(Run({"-fileGetInfo", "out.cfg"}).out,
              "NAME : out\r\nCHANNEL : 1,1,0,0\r\nAPARAM CHECKSUM : 0x29B1\r\n"
              "FW PATCH ID : 0x0010\r\n");
}

// The umask is inherited by the program; the test's own is put back afterwards.
TEST_F(CreateCfg, ANewFileTakesTheUmaskOfTheRun) {
    for (const mode_t mask : {mode_t{027}, mode_t{002}}) {
        fs::remove(folder / "out.cfg");
        const mode_t saved = ::umask(mask);
        const auto outcome = Run(FullForm({}));
        ::umask(saved);
        EXPECT_EQ(outcome.out, kSucceeded);
        struct stat st {};
        ASSERT_EQ(::stat((folder / "out.cfg").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask) << "umask " << mask;
    }
}

TEST_F(CreateCfg, AcceptedSpellings) {
    struct Case {
        std::vector<std::string> changes;
        uint32_t baud;
        uint32_t channel;
        std::vector<uint32_t> blocks;
    };
    const Case cases[] = {
        {{"--device", "DP3B"}, 38400, 3, {2, 3, 4}},
        {{"--baud", "9600"}, 9600, 3, {2, 3, 4}},
        {{"--baud", "0x2580"}, 9600, 3, {2, 3, 4}},
        {{"--baud", "$E100", "--channel", "0xF"}, 57600, 15, {2, 3, 4}},
        {{"--patch", ""}, 38400, 3, {3, 4}},
        {{"--par", ""}, 38400, 3, {2, 4}},
    };
    for (const Case& c : cases) {
        fs::remove(folder / "out.cfg");
        const auto outcome = Run(FullForm(c.changes));
        EXPECT_EQ(outcome.out, kSucceeded) << c.changes[0] << " " << c.changes[1];
        const TConfiguration configuration = LoadCfg(folder / "out.cfg");
        EXPECT_EQ(configuration.GetBaudRate(), c.baud) << c.changes[1];
        EXPECT_EQ(configuration.GetChannel(), c.channel) << c.changes[1];
        EXPECT_EQ(BlockTypes(configuration), c.blocks) << c.changes[0];
    }
}

TEST_F(CreateCfg, RefusedParametersWriteNothing) {
    struct Case {
        std::vector<std::string> changes;
        std::string out;
    };
    const Case cases[] = {
        {{"--device", "dp2b"}, kInvalidParameters},
        {{"--device", ""}, kInvalidParameters},
        {{"--baud", "115200"}, kInvalidParameters},
        {{"--baud", "75136"}, kInvalidParameters}, // 9600 in its low 16 bits
        {{"--baud", "fast"}, kInvalidParameters},
        {{"--output", "./out.CFG"}, kInvalidParameters},
        {{"--output", "./out"}, kInvalidParameters},
        {{"--output", "./out.cfg.bak"}, kInvalidParameters},
        {{"--channel", "0"}, kInvalidParameters},
        {{"--channel", "0x10"}, kInvalidParameters},
        {{"--channel", "65537"}, kInvalidParameters},
        {{"--par", "", "--patch", ""}, kInvalidParameters},
        {{"--patch", Data("input/dp3b_broken.xml").string()},
         "Fail parsing XML file.\r\n" + kInvalidParameters},
        {{"--patch", Data("input/dp3b_patch_other_version.xml").string(), "--par", ""}, kSucceeded},
    };
    for (const Case& c : cases) {
        fs::remove(folder / "out.cfg");
        const auto outcome = Run(FullForm(c.changes));
        EXPECT_EQ(outcome.out, c.out) << c.changes[0] << " " << c.changes[1];
        if (c.out == kSucceeded) {
            continue;
        }
        EXPECT_EQ(Result(), "-119\n") << c.changes[1];
        EXPECT_FALSE(fs::exists(folder / "out.cfg")) << c.changes[1];
    }
    EXPECT_EQ(Run({"-createCfg"}).out, kInvalidParameters);
    EXPECT_EQ(Result(), "-119\n");
    EXPECT_EQ(Run({"--device", "dp3b", "--output", "out.cfg"}).out, kUnexpectedInput);
    EXPECT_EQ(Result(), "-125\n");
}

TEST_F(CreateCfg, MismatchedPatchAndParametersPrintTheirMessage) {
    const auto outcome =
        Run(FullForm({"--patch", Data("input/dp3b_patch_other_version.xml").string()}));
    EXPECT_EQ(outcome.out,
              "Firmware version for patch and parameters are different.\r\n" + kInvalidParameters);
    EXPECT_EQ(Result(), "-119\n");
}

TEST_F(CreateCfg, FirmwareFileAndUnwritableOutputEndThroughTheTopLevelHandler) {
    struct Case {
        std::vector<std::string> changes;
        std::string prefix;
    };
    const Case cases[] = {
        {{"--fw", Data("input/dp2b_firmware.ahex").string()}, "ImageNotAvailableError: "},
        {{"--output", "./missing/out.cfg"}, "FileSystemError: "},
    };
    for (const Case& c : cases) {
        const auto outcome = Run(FullForm(c.changes));
        EXPECT_TRUE(outcome.out.starts_with(c.prefix)) << outcome.out;
        EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 1) << outcome.out;
        EXPECT_EQ(outcome.exitStatus, 138);
        EXPECT_EQ(Result(), "-118\n");
    }
    EXPECT_FALSE(fs::exists(folder / "out.cfg"));
}

TEST_F(CreateCfg, ControlBytesQuotedFromAFileInTheErrorLineAreShownAsQuestionMarks) {
    std::string patch = ReadFile(Data("input/dp3b_patch.xml"));
    const std::string from = "value=\"0x5A\"";
    ASSERT_NE(patch.find(from), std::string::npos);
    patch.replace(patch.find(from), from.size(), "value=\"&#27;[2J&#13;&#10;Operation ok\"");
    std::ofstream(folder / "forged.xml") << patch;
    const auto outcome = Run(FullForm({"--patch", "forged.xml"}));
    EXPECT_EQ(outcome.out,
              "NumberConversionError: '?[2J??Operation ok' is not a valid integer value\r\n");
    EXPECT_EQ(Result(), "-118\n");
}

TEST_F(CreateCfg, WidePatchIdIsPrintedWithAllItsDigits) {
    std::string patch = ReadFile(Data("input/dp3b_patch.xml"));
    const std::string from = "patch_version=\"0x10\"";
    ASSERT_NE(patch.find(from), std::string::npos);
    patch.replace(patch.find(from), from.size(), "patch_version=\"0xFEDCBA9876543210\"");
    std::ofstream(folder / "wide.xml") << patch;
    EXPECT_EQ(Run(FullForm({"--patch", "wide.xml"})).out, kSucceeded);
    EXPECT_EQ(Run({"-fileGetInfo", "out.cfg", "patch"}).out, "0xFEDCBA9876543210\r\n");
}

} // namespace
} // namespace ardent
