#include "targets/TargetDP3B.h"
#include "input/DP3BMessages.h"

#include "../input/InputTestSupport.h"
#include "TargetTestSupport.h"

#include <gtest/gtest.h>

namespace ardent {
namespace {

using testing::BlockTypes;
using testing::InputFile;
using testing::ReadRecord;
using testing::RecordingOutput;
using Row = TDP3BIdTablesModel;

class TargetDP3BTest : public ::testing::Test {
protected:
    const TIdTablesModel& table() const { return target.GetIDModel(); }
    bool Shown(int row, int column) const {
        return table().GetEntry(row, column).GetLoaded() &&
               table().GetEntry(row, column).GetCompare();
    }

    RecordingOutput output;
    TTargetDP3B target{output};
    TConfiguration configuration;
};

TEST_F(TargetDP3BTest, BothRecordsFillTheTable) {
    EXPECT_EQ(target.loadPAR(InputFile("dp3b_patch_par.xml")), 0);
    EXPECT_EQ(target.loadPATCH(InputFile("dp3b_patch_par.xml")), 0);
    EXPECT_TRUE(target.CheckSelection(BlockType::Patch));
    EXPECT_TRUE(target.CheckSelection(BlockType::Parameters));

    EXPECT_EQ(table().GetValue(Row::kRowFirmware, 0), "0x01020304");
    EXPECT_TRUE(Shown(Row::kRowFirmware, 0));
    EXPECT_EQ(table().GetValue(Row::kRowPatch, 0), "0x0000000000000000");
    EXPECT_TRUE(Shown(Row::kRowPatch, 0));
    EXPECT_EQ(table().GetValue(Row::kRowPatch, 1), "0x1000000000000000");
    EXPECT_TRUE(Shown(Row::kRowPatch, 1));
    EXPECT_EQ(table().GetValue(Row::kRowParameters, 1), "0x29B1");
    EXPECT_TRUE(Shown(Row::kRowParameters, 1));

    EXPECT_EQ(target.addTargetDataToConfiguration(configuration),
              AddResult::Patch | AddResult::Parameters);
    EXPECT_EQ(BlockTypes(configuration), (std::vector<uint32_t>{4, 2, 3}));
    Bytes tableBlock;
    configuration.GetBlockByType(BlockType::IdTable, tableBlock);
    EXPECT_EQ(tableBlock.size(), 66u);
}

TEST_F(TargetDP3BTest, PatchForAnotherFirmwareVersionGives6AndStaysLoaded) {
    EXPECT_EQ(target.loadPAR(InputFile("dp3b_par.xml")), 0);
    EXPECT_EQ(target.loadPATCH(InputFile("dp3b_patch_other_version.xml")),
              DP3BCode::FirmwareVersionsDiffer);
    EXPECT_TRUE(target.GetPatch().loaded());
    EXPECT_TRUE(target.CheckSelection(BlockType::Patch));

    // Parameters not selected: no comparison to make.
    TTargetDP3B patchOnly(output);
    EXPECT_EQ(patchOnly.loadPATCH(InputFile("dp3b_patch_other_version.xml")), 0);
}

TEST_F(TargetDP3BTest, FailedLoadsReturnTheirCodesAndSelectNothing) {
    EXPECT_EQ(target.loadPAR(InputFile("dp3b_broken.xml")), DP3BCode::ParseFailed);
    EXPECT_EQ(target.loadPATCH(InputFile("dp3b_par.xml")), DP3BCode::NoPatchOrParameters);
    EXPECT_EQ(target.loadPAR(InputFile("dp3b_no_configuration.xml")), DP3BCode::ParseFailed);
    EXPECT_EQ(target.GetSelection(), 0u);
    try {
        target.loadFW(InputFile("dp2b_firmware.ahex"));
        ADD_FAILURE() << "a DP3B target took a firmware file";
    } catch (const ImageNotAvailableError& error) {
        EXPECT_STREQ(error.what(), "DP3B targets have no firmware image");
    }
    EXPECT_EQ(target.addTargetDataToConfiguration(configuration), 0);
    EXPECT_EQ(BlockTypes(configuration), std::vector<uint32_t>{4}); // the table always goes
}

TEST_F(TargetDP3BTest, DeselectingClearsTheRows) {
    ASSERT_EQ(target.loadPAR(InputFile("dp3b_patch_par.xml")), 0);
    ASSERT_EQ(target.loadPATCH(InputFile("dp3b_patch_par.xml")), 0);
    target.SetSelection(false, BlockType::Patch);
    EXPECT_FALSE(table().GetEntry(Row::kRowPatch, 1).GetLoaded());
    EXPECT_FALSE(table().GetEntry(Row::kRowPatch, 1).GetCompare());
    EXPECT_TRUE(Shown(Row::kRowFirmware, 0));
    target.SetSelection(false, BlockType::Parameters);
    EXPECT_FALSE(table().GetEntry(Row::kRowFirmware, 0).GetLoaded());
    EXPECT_FALSE(table().GetEntry(Row::kRowFirmware, 0).GetCompare());
    EXPECT_EQ(table().GetValue(Row::kRowParameters, 1), "-");

    EXPECT_EQ(target.addTargetDataToConfiguration(configuration), 0);
    EXPECT_EQ(BlockTypes(configuration), std::vector<uint32_t>{4});
}

TEST_F(TargetDP3BTest, ConfigurationRoundTripAndOtherFamilies) {
    ASSERT_EQ(target.loadPAR(InputFile("dp3b_par.xml")), 0);
    ASSERT_EQ(target.loadPATCH(InputFile("dp3b_patch.xml")), 0);
    configuration.SetTargetType(TTargetFamily::DP3B);
    ASSERT_EQ(target.addTargetDataToConfiguration(configuration), 6);

    TTargetDP3B loaded(output);
    EXPECT_TRUE(loaded.LoadConfigurationFile(configuration).IsTakenOver());
    EXPECT_EQ(loaded.GetSelection(), (1u << 2) | (1u << 3));
    EXPECT_EQ(loaded.GetPatch().getBuff(), target.GetPatch().getBuff());
    EXPECT_EQ(loaded.GetIDModel().GetValue(Row::kRowPatch, 1), "0x1000000000000000");

    TConfiguration dp2b;
    dp2b.SetTargetType(TTargetFamily::DP2B);
    dp2b.AddNewBlock(BlockType::Patch, Bytes{1});
    EXPECT_EQ(loaded.LoadConfigurationFile(dp2b),
              TConfigurationTakeOver::Foreign(TTargetFamily::DP2B));
    EXPECT_EQ(loaded.GetSelection(), 0u);
    EXPECT_FALSE(loaded.GetPatch().loaded());
    EXPECT_FALSE(loaded.GetParameters().loaded());

    // A damaged ID table: nothing taken, "not recognised".
    configuration.AddNewBlock(BlockType::IdTable, Bytes(65, 0));
    EXPECT_EQ(loaded.LoadConfigurationFile(configuration), TConfigurationTakeOver::Unusable());
    EXPECT_EQ(loaded.GetSelection(), 0u);
    EXPECT_FALSE(loaded.GetPatch().loaded());
}

TEST_F(TargetDP3BTest, FieldsOfReadChannels) {
    TProcessTargetSendId record = ReadRecord(1, CHANNEL_PASSED);
    record.dp3BIds.chipId = 0x0123456789ABCDEF;
    record.dp3BIds.patchID = 0x10;
    record.dp3BIds.parameterID = 0x29B1;
    for (uint8_t i = 0; i < 12; ++i) {
        record.dp3BIds.firmwareID[i] = static_cast<uint8_t>(0xA0 + i);
    }
    const std::string all12 = "A0A1A2A3A4A5A6A7A8A9AAAB";
    struct Case {
        uint8_t size;
        std::string firmware;
    };
    // More than the 12 bytes the record holds is cut to 12.
    for (const Case& c :
         {Case{0, ""}, Case{2, "A0A1"}, Case{12, all12}, Case{13, all12}, Case{255, all12}}) {
        record.dp3BIds.firmwareIdSize = c.size;
        ASSERT_TRUE(target.setReadID(record));
        StringList fields;
        EXPECT_EQ(target.getFields(1, fields), 4);
        EXPECT_EQ(fields, (StringList{"0123456789ABCDEF", c.firmware, "1000000000000000", "29B1"}))
            << int(c.size);
    }
    StringList dashes;
    target.getFields(0, dashes);
    EXPECT_EQ(dashes, StringList(4, "-"));
    StringList names;
    target.getFieldsName(names);
    EXPECT_EQ(names, (StringList{"Chip", "Firmware", "Patch", "Param"}));
}

TEST_F(TargetDP3BTest, BurningStatusIsKept) {
    TBurningStatusOverall status{};
    status.isCardUsed = 1;
    status.channels[2].state = CHANNEL_PASSED;
    target.SetBurningStatus(-124, status);
    TBurningStatusOverall read{};
    EXPECT_EQ(target.GetBurningStatus(read), -124);
    EXPECT_EQ(read.isCardUsed, 1);
    EXPECT_EQ(read.channels[2].state, CHANNEL_PASSED);
}

} // namespace
} // namespace ardent
