#include "configuration/Configuration.h"
#include "input/Fw.h"
#include "input/Par.h"
#include "input/ParDP2A.h"
#include "input/Patch.h"
#include "utils/Errors.h"

#include "InputTestSupport.h"
#include "utils/Crc16.h"

#include <gtest/gtest.h>

namespace ardent {
namespace {

using testing::InputFile;
using testing::Lines;
using testing::RecordingOutput;
using testing::ScratchFolder;

class DataObjects : public ::testing::Test {
protected:
    RecordingOutput output;
    ScratchFolder folder;
};

TEST_F(DataObjects, FirmwareCarriesIdAndEmbeddedParameterId) {
    TFw fw(output);
    EXPECT_EQ(fw.storeBuff(InputFile("dp2b_firmware.ahex")), 0);
    EXPECT_TRUE(fw.loaded());
    EXPECT_EQ(fw.getFWID(), 0x0001000200030004u);
    EXPECT_TRUE(fw.isFWWithPar());
    EXPECT_EQ(fw.getFWPar(), 0x1234);
    EXPECT_EQ(fw.GetName(), InputFile("dp2b_firmware.ahex"));
    // Segment C000..C02F (48 words) and three more segments of the node chain.
    EXPECT_EQ(fw.getBuff().size(), (4 + 96) + (4 + 8) + (4 + 2));
}

TEST_F(DataObjects, FirmwareWithLowerCaseIdAddressesIsRefused) {
    TFw fw(output);
    EXPECT_EQ(fw.storeBuff(InputFile("dp2b_firmware_lowercase_id.ahex")), -1);
    EXPECT_FALSE(fw.loaded());
    EXPECT_EQ(fw.getFWID(), 0u);
}

TEST_F(DataObjects, FirmwareWithoutDataLinesIsRefusedAndMissingFileRaises) {
    TFw fw(output);
    EXPECT_EQ(fw.storeBuff(folder.Write("empty.ahex", "")), -1);
    EXPECT_EQ(fw.GetName(), "");
    EXPECT_FALSE(fw.loaded());
    EXPECT_THROW(fw.storeBuff(folder.PathOf("missing.ahex")), FileSystemError);
}

TEST(FirmwareParameterChain, WalksNodesInFileOrder) {
    struct Case {
        const char* name;
        StringList lines;
        uint16_t expected;
    };
    const std::vector<Case> cases = {
        {"Chain",
         {"00C016:D000", "00D000:0001", "00D001:D010", "00D003:1234", "00D010:0000"},
         0x1234},
        {"TwoNodesLastValueCounts",
         {"00C016:D000", "00D000:0001", "00D001:D010", "00D003:1111", "00D010:0001", "00D011:D020",
          "00D013:2222", "00D020:0000"},
         0x2222},
        {"HeadPointsAtEndNode", {"00C016:D000", "00D000:0000"}, 0},
        {"LinesBeforeHeadAreIgnored",
         {"00D000:0001", "00D001:D010", "00D003:1234", "00C016:D000", "00D010:0000"},
         0},
        {"NodeOutOfOrderIsNotFound",
         {"00C000:0000", "00C016:D000", "00D000:0001", "00D001:C000", "00D003:1234"},
         0},
        {"ChainNeverEnds", {"00C016:D000", "00D000:0001", "00D001:D010", "00D003:1234"}, 0},
        {"NoHead", {"00D000:0000"}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TFw::ReadFwParamID(c.lines), c.expected) << c.name;
    }
}

TEST(FirmwareId, WordsAtC02BToC02EFirstMostSignificant) {
    EXPECT_EQ(TFw::ReadFwID({"00C02B:0001", "00C02C:0002", "00C02D:0003", "00C02E:0004"}),
              0x0001000200030004u);
    EXPECT_EQ(TFw::ReadFwID({"00c02b:0001", "00C02F:0002", "00C02A:0003"}), 0u);
    EXPECT_EQ(TFw::ReadFwID({"00C02E:abcd"}), 0xABCDu);
}

TEST_F(DataObjects, PatchNamesFirmwareAndIdsAtC00C) {
    TPatch patch(output);
    EXPECT_EQ(patch.storeBuff(InputFile("dp2b_patch.ahex")), 0);
    EXPECT_TRUE(patch.loaded());
    EXPECT_EQ(patch.getIDFW(), 0x0001000200030004u);
    EXPECT_EQ(patch.getIDBefore(), 0);
    EXPECT_EQ(patch.getIDAfter(), 5);
    EXPECT_EQ(patch.getBuff(), (Bytes{0x00, 0xC1, 0x06, 0x00, 0x11, 0x11, 0x22, 0x22, 0xCD, 0xAB,
                                      0x00, 0xC2, 0x02, 0x00, 0x42, 0x00}));

    EXPECT_EQ(patch.storeBuff(InputFile("dp2b_patch_wrong_address.ahex")), -1);
    EXPECT_FALSE(patch.loaded());
    EXPECT_EQ(patch.getIDFW(), 0u);
    EXPECT_EQ(patch.getIDAfter(), 0);
    EXPECT_EQ(patch.GetName(), "");
}

TEST_F(DataObjects, PatchIdRules) {
    struct Case {
        const char* name;
        StringList lines;
        bool accepted;
        uint16_t before;
        uint16_t after;
    };
    const std::vector<Case> cases = {
        {"LaterLineOverrides", {"00C00D:0001:0002", "00C00C:0003:0004"}, true, 3, 4},
        {"LaterWrongAddressOverrides", {"00C00C:0003:0004", "00C00D:0001:0002"}, false, 1, 2},
        {"AfterIdZero", {"00C00C:0001:0000"}, false, 1, 0},
        {"LowerCaseDigits", {"00c00c:000a:000b"}, true, 10, 11},
        {"NoIdLine", {"00C00C:0001"}, false, 0, 0},
    };
    TPatch patch(output);
    for (const Case& c : cases) {
        EXPECT_EQ(patch.loadPatchHex(c.lines), c.accepted) << c.name;
        EXPECT_EQ(patch.getIDBefore(), c.before) << c.name;
        EXPECT_EQ(patch.getIDAfter(), c.after) << c.name;
    }
}

TEST_F(DataObjects, ParameterIdLines) {
    struct Case {
        const char* name;
        StringList lines;
        bool accepted;
        uint16_t before;
        uint16_t after;
        bool complete;
    };
    const std::vector<Case> cases = {
        {"None", {"00E000:0001"}, false, 0, 0, false},
        {"OneIsAfterAndComplete", {"00A1"}, true, 0, 0x00A1, true},
        {"TwoAreBeforeAndAfter", {"0010", "00E000:0001", "00A1"}, true, 0x0010, 0x00A1, false},
        {"ThreeAreRefused", {"0001", "0002", "0003"}, false, 0, 0, false},
        {"LowerCaseIsNotAnIdLine", {"00a1"}, false, 0, 0, false},
    };
    TPar par(output);
    for (const Case& c : cases) {
        EXPECT_EQ(par.loadParamLines(c.lines), c.accepted) << c.name;
        if (c.accepted) {
            EXPECT_EQ(par.getIDBefore(), c.before) << c.name;
            EXPECT_EQ(par.getIDAfter(), c.after) << c.name;
            EXPECT_EQ(par.isComplete(), c.complete) << c.name;
        }
    }
}

TEST_F(DataObjects, ParameterFilesLoadOrReportWhy) {
    TPar par(output);
    EXPECT_EQ(par.storeBuff(InputFile("dp2b_par.ahex")), 0);
    EXPECT_TRUE(par.loaded());
    EXPECT_EQ(par.getIDBefore(), 0x0010);
    EXPECT_EQ(par.getIDAfter(), 0x00A1);
    EXPECT_FALSE(par.isComplete());
    EXPECT_EQ(par.storeBuff(InputFile("dp2b_par_complete.ahex")), 0);
    EXPECT_TRUE(par.isComplete());

    // No ID lines: the image length is the (non-zero) result.
    EXPECT_EQ(par.storeBuff(folder.Write("noid.ahex", Lines({"00E000:0001"}))), 6);
    EXPECT_FALSE(par.loaded());
    EXPECT_EQ(par.storeBuff(folder.Write("nothing.ahex", "")), -1);
    EXPECT_EQ(par.storeBuff(folder.PathOf("missing.ahex")), -1);
    EXPECT_EQ(output.messages,
              StringList{"File " + folder.PathOf("missing.ahex") + " does not exist"});
}

TEST_F(DataObjects, DP2AParameterIdIsChecksumAfterFirstSegmentHeader) {
    TParDP2A par(output);
    EXPECT_EQ(par.GetCrc(), 0); // nothing loaded
    EXPECT_EQ(par.storeBuff(InputFile("dp2a_par.ahex")), 0);
    EXPECT_TRUE(par.loaded());
    EXPECT_EQ(par.getBuff().size(), 16u);
    EXPECT_EQ(par.GetCrc(), 0x96D5);
    const Bytes payload(par.getBuff().begin() + 4, par.getBuff().end());
    EXPECT_EQ(par.GetCrc(), ComputeCrc16(payload));

    // Nothing after the four header bytes: no checksum range.
    EXPECT_EQ(par.storeBuff(folder.Write("none.ahex", "")), 0);
    EXPECT_EQ(par.GetCrc(), 0);
    EXPECT_EQ(par.storeBuff(folder.PathOf("missing.ahex")), -1);
}

TEST_F(DataObjects, LoadFromConfigurationTakesOnlyItsOwnBlock) {
    TConfiguration configuration;
    configuration.AddNewBlock(BlockType::Parameters, Bytes{1, 2, 3});
    uint32_t selection = 0x10;
    TFw fw(output);
    TPar par(output);
    fw.LoadFromConfiguration(configuration, selection);
    par.LoadFromConfiguration(configuration, selection);
    EXPECT_FALSE(fw.loaded());
    EXPECT_FALSE(fw.getSelection());
    EXPECT_TRUE(par.loaded());
    EXPECT_TRUE(par.getSelection());
    EXPECT_EQ(par.getBuff(), (Bytes{1, 2, 3}));
    EXPECT_EQ(selection, 0x10u | (1u << 3));

    par.Clear();
    EXPECT_FALSE(par.loaded());
    EXPECT_EQ(par.getBuff(), (Bytes{1, 2, 3}));
    par.resetBuf();
    EXPECT_TRUE(par.getBuff().empty());
}

} // namespace
} // namespace ardent
