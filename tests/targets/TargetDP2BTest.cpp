#include "targets/TargetDP2B.h"
#include "targets/TargetFactory.h"

#include "../input/InputTestSupport.h"
#include "TargetTestSupport.h"

#include <gtest/gtest.h>

namespace ardent {
namespace {

using testing::BlockTypes;
using testing::InputFile;
using testing::ReadRecord;
using testing::RecordingOutput;
using testing::ScratchFolder;
using Row = TDP2BIdTablesModel;

class TargetDP2BTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(target.loadFW(InputFile("dp2b_firmware.ahex")), 0);
        ASSERT_EQ(target.loadPATCH(InputFile("dp2b_patch.ahex")), 0);
        ASSERT_EQ(target.loadPAR(InputFile("dp2b_par.ahex")), 0);
    }
    // A chip on channel 0 whose IDs were read, carrying `firmwareId`.
    void ReadChip(uint64_t firmwareId) {
        TProcessTargetSendId record = ReadRecord(0, CHANNEL_PASSED);
        record.dp2BIds.deviceID = 0x11223344;
        record.dp2BIds.firmwareID = firmwareId;
        record.dp2BIds.customerID = 0x55667788;
        record.dp2BIds.romID = 0x0099;
        ASSERT_TRUE(target.setReadID(record));
    }
    void Select(std::initializer_list<int> bits) {
        for (const int bit : bits) {
            target.SetSelection(true, bit);
        }
    }
    const TIdTablesModel& table() const { return target.GetIDModel(); }

    RecordingOutput output;
    TTargetDP2B target{output};
    TConfiguration configuration;
};

TEST_F(TargetDP2BTest, RefusesWithoutIdsReadFromAChip) {
    Select({BlockType::Firmware});
    EXPECT_EQ(target.addTargetDataToConfiguration(configuration), AddResult::NoIdsRead);
    EXPECT_TRUE(configuration.GetBlocks().empty());

    // A channel that failed does not count as read.
    ASSERT_TRUE(target.setReadID(ReadRecord(0, CHANNEL_FAILED)));
    target.SetSelection(true, BlockType::Firmware);
    EXPECT_EQ(target.addTargetDataToConfiguration(configuration), AddResult::NoIdsRead);
}

TEST_F(TargetDP2BTest, ResultBitsAndBlockOrder) {
    struct Case {
        const char* name;
        uint64_t chipFirmware;
        std::vector<int> selected;
        int result;
        std::vector<uint32_t> blocks;
    };
    const std::vector<Case> cases = {
        {"NothingSelected", 0, {}, 0, {4}},
        {"FirmwareOnBlankChip", 0, {1}, 1, {4, 1}},
        {"FirmwareAndParameters", 0, {3, 1}, 5, {4, 1, 3}},
        {"FirmwareOnProgrammedChip", 0x1234, {1}, 8, {4}},
        // The patch names the firmware that must already be on the chip.
        {"FirmwareAndPatch", 0, {1, 2}, 8, {4}},
        {"PatchWithoutFirmware", 0x0001000200030004, {2}, 2, {4, 2}},
        {"PatchAndParameters", 0x0001000200030004, {3, 2}, 6, {4, 2, 3}},
    };
    for (const Case& c : cases) {
        TTargetDP2B fresh(output);
        ASSERT_EQ(fresh.loadFW(InputFile("dp2b_firmware.ahex")), 0);
        ASSERT_EQ(fresh.loadPATCH(InputFile("dp2b_patch.ahex")), 0);
        ASSERT_EQ(fresh.loadPAR(InputFile("dp2b_par.ahex")), 0);
        TProcessTargetSendId record = ReadRecord(0, CHANNEL_PASSED);
        record.dp2BIds.firmwareID = c.chipFirmware;
        fresh.setReadID(record);
        fresh.SetTableIDsFromDevice();
        for (const int bit : c.selected) {
            fresh.SetSelection(true, bit);
        }
        TConfiguration built;
        EXPECT_EQ(fresh.addTargetDataToConfiguration(built), c.result) << c.name;
        EXPECT_EQ(BlockTypes(built), c.blocks) << c.name;
    }
}

TEST_F(TargetDP2BTest, ParameterObjectSelectedByConfigurationAdds32ToTheRefusal) {
    TConfiguration saved;
    saved.SetTargetType(TTargetFamily::DP2B);
    saved.AddNewBlock(BlockType::Parameters, target.GetPar().getBuff());
    TTargetDP2B loaded(output);
    ASSERT_TRUE(loaded.LoadConfigurationFile(saved).IsTakenOver());
    ASSERT_TRUE(loaded.GetPar().getSelection());
    ASSERT_EQ(loaded.loadFW(InputFile("dp2b_firmware.ahex")), 0);
    TProcessTargetSendId record = ReadRecord(0, CHANNEL_PASSED);
    record.dp2BIds.firmwareID = 0x77;
    loaded.setReadID(record);
    loaded.SetSelection(true, BlockType::Firmware);
    EXPECT_EQ(loaded.addTargetDataToConfiguration(configuration), 40);
    EXPECT_FALSE(AddResult::CanSave(40));
}

TEST_F(TargetDP2BTest, AConfigurationAlreadyHoldingBlocksNeedsNoChipRead) {
    configuration.AddNewBlock(BlockType::Parameters, Bytes{1, 2});
    Select({BlockType::Patch});
    EXPECT_EQ(target.addTargetDataToConfiguration(configuration), AddResult::Patch);
    EXPECT_EQ(BlockTypes(configuration), (std::vector<uint32_t>{3, 4, 2}));
}

TEST_F(TargetDP2BTest, SelectionBuildsTheTableFromChipAndImages) {
    ReadChip(0);
    Select({BlockType::Firmware, BlockType::Patch, BlockType::Parameters});
    EXPECT_EQ(table().GetValue(Row::kRowDevice, 0), "0x11223344");
    EXPECT_EQ(table().GetValue(Row::kRowCustomer, 0), "0x55667788");
    EXPECT_EQ(table().GetValue(Row::kRowRom, 0), "0x0099");
    // The patch names the firmware the chip must carry; the firmware's own ID is the after ID.
    EXPECT_EQ(table().GetValue(Row::kRowFirmware, 0), "0x0001000200030004");
    EXPECT_EQ(table().GetValue(Row::kRowFirmware, 1), "0x0001000200030004");
    EXPECT_TRUE(table().GetEntry(Row::kRowFirmware, 0).GetCompare());
    EXPECT_EQ(table().GetValue(Row::kRowPatch, 0), "0x0000");
    EXPECT_EQ(table().GetValue(Row::kRowPatch, 1), "0x0005");
    EXPECT_TRUE(table().GetCompare(Row::kRowPatch));
    EXPECT_EQ(table().GetValue(Row::kRowParameters, 0), "0x0010");
    EXPECT_EQ(table().GetValue(Row::kRowParameters, 1), "0x00A1");
    EXPECT_TRUE(table().GetEntry(Row::kRowParameters, 0).GetCompare()); // two ID lines
    EXPECT_TRUE(table().GetEntry(Row::kRowParameters, 1).GetCompare());

    // Only the after ID named: the chip's parameter ID before burning is not checked.
    ASSERT_EQ(target.loadPAR(InputFile("dp2b_par_complete.ahex")), 0);
    target.SetSelection(true, BlockType::Parameters);
    EXPECT_FALSE(table().GetEntry(Row::kRowParameters, 0).GetCompare());
    EXPECT_EQ(table().GetValue(Row::kRowParameters, 0), "XXXX");

    target.SetSelection(false, BlockType::Patch);
    EXPECT_EQ(table().GetValue(Row::kRowPatch, 1), "-");
    EXPECT_FALSE(table().GetCompare(Row::kRowPatch));
    EXPECT_EQ(table().GetValue(Row::kRowFirmware, 0), "0x0000000000000000"); // from the chip
}

TEST_F(TargetDP2BTest, FirmwareWithEmbeddedParametersShowsTheirIdAfterBurning) {
    ReadChip(0);
    Select({BlockType::Firmware});
    EXPECT_EQ(table().GetValue(Row::kRowParameters, 1), "0x1234");
    EXPECT_TRUE(table().GetEntry(Row::kRowParameters, 1).GetCompare());
    target.SetSelection(false, BlockType::Firmware);
    EXPECT_EQ(table().GetValue(Row::kRowParameters, 1), "-");
}

TEST_F(TargetDP2BTest, ConfigurationRoundTrip) {
    ReadChip(0);
    Select({BlockType::Firmware, BlockType::Parameters});
    configuration.SetTargetType(TTargetFamily::DP2B);
    ASSERT_EQ(target.addTargetDataToConfiguration(configuration), 5);

    TTargetDP2B loaded(output);
    EXPECT_TRUE(loaded.LoadConfigurationFile(configuration).IsTakenOver());
    EXPECT_EQ(loaded.GetSelection(), (1u << 1) | (1u << 3));
    EXPECT_TRUE(loaded.GetFW().loaded());
    EXPECT_FALSE(loaded.GetPatch().loaded());
    EXPECT_EQ(loaded.GetFW().getBuff(), target.GetFW().getBuff());
    Bytes original;
    Bytes copy;
    target.GetIDModel().GetBuffer(original);
    loaded.GetIDModel().GetBuffer(copy);
    EXPECT_EQ(copy, original);
}

TEST_F(TargetDP2BTest, ConfigurationOfAnotherFamilyOrWithDamagedTableIsNotTaken) {
    configuration.SetTargetType(TTargetFamily::DP3B);
    configuration.AddNewBlock(BlockType::Firmware, Bytes{1, 2});
    EXPECT_EQ(target.LoadConfigurationFile(configuration),
              TConfigurationTakeOver::Foreign(TTargetFamily::DP3B));
    EXPECT_TRUE(target.GetFW().loaded()); // unchanged

    configuration.SetTargetType(TTargetFamily::DP2B);
    configuration.AddNewBlock(BlockType::IdTable, Bytes(67, 0));
    target.SetSelection(true, BlockType::Patch);
    EXPECT_EQ(target.LoadConfigurationFile(configuration), TConfigurationTakeOver::Unusable());
    EXPECT_FALSE(target.GetFW().loaded());
    EXPECT_EQ(target.GetSelection(), 0u);
}

TEST_F(TargetDP2BTest, FieldsOfReadChannels) {
    ReadChip(0x0102030405060708);
    StringList names;
    EXPECT_EQ(target.getFieldsName(names), 6);
    EXPECT_EQ(names, (StringList{"Device", "Firmware", "Customer", "Patch", "Param", "ROM"}));
    StringList fields;
    EXPECT_EQ(target.getFields(0, fields), 6);
    EXPECT_EQ(fields,
              (StringList{"11223344", "0102030405060708", "55667788", "0000", "0000", "0099"}));
    for (const uint8_t state : {CHANNEL_INACTIVE, CHANNEL_FAILED}) {
        ASSERT_TRUE(target.setReadID(ReadRecord(2, state)));
        StringList dashes;
        target.getFields(2, dashes);
        EXPECT_EQ(dashes, StringList(6, "-"));
    }
    StringList outside;
    target.getFields(7, outside);
    EXPECT_EQ(outside, StringList(6, "-"));
}

TEST_F(TargetDP2BTest, ReadIdsOutsideFourChannelsAreRefused) {
    TProcessTargetSendId record = ReadRecord(4, CHANNEL_PASSED);
    EXPECT_FALSE(target.setReadID(record));
    TProcessTargetSendId read = ReadRecord(9, 9);
    EXPECT_FALSE(target.GetReadIds(4, read));
    EXPECT_EQ(read.channelState, 0);
    for (int channel = 0; channel < 4; ++channel) {
        EXPECT_TRUE(target.GetReadIds(channel, read));
        EXPECT_EQ(read.channelState, 0);
    }
}

TEST_F(TargetDP2BTest, UnloadForgetsImages) {
    target.unLoadData();
    EXPECT_FALSE(target.GetFW().loaded());
    EXPECT_TRUE(target.GetFW().getBuff().empty());
    EXPECT_FALSE(target.GetPar().loaded());
    EXPECT_FALSE(target.GetPatch().loaded());
}

// Target types no family knows (0 is what an empty configuration holds) are never taken over,
// by any family, and never read as another family to select.
TEST(TargetFamilies, TakeOverOnlyTheirOwnConfigurations) {
    RecordingOutput output;
    for (const uint32_t family : {1u, 2u, 3u}) {
        for (const uint32_t type : {0u, 1u, 2u, 3u, 4u, 7u, 255u}) {
            const auto target = CreateTarget(TargetFamilyFromNumber(family), output);
            TConfiguration configuration;
            configuration.SetTargetType(type);
            const TConfigurationTakeOver result = target->LoadConfigurationFile(configuration);
            const bool known = type >= 1 && type <= 3;
            EXPECT_EQ(result.IsTakenOver(), type == family) << family << " " << type;
            EXPECT_EQ(result.family, type) << family << " " << type;
            EXPECT_EQ(result.outcome, type == family ? TConfigurationTakeOver::Outcome::TakenOver
                                      : known        ? TConfigurationTakeOver::Outcome::OtherFamily
                                              : TConfigurationTakeOver::Outcome::NotRecognized)
                << family << " " << type;
        }
    }
}

TEST(TargetFactory, CreatesEachFamily) {
    RecordingOutput output;
    // The numbers a configuration or a setting stores.
    const auto fromNumber = [&output](uint32_t number) {
        return CreateTarget(TargetFamilyFromNumber(number), output);
    };
    for (const uint32_t family : {1u, 2u, 3u}) {
        const auto target = fromNumber(family);
        ASSERT_NE(target, nullptr);
        EXPECT_EQ(FamilyNumber(target->getFamily()), family);
        EXPECT_EQ(target->getNumTarget(), 4);
        EXPECT_EQ(target->getHeaderName(), "header_" + target->GetTargetName() + ".hdr");
    }
    EXPECT_TRUE(fromNumber(1)->getTriggEn());
    EXPECT_TRUE(fromNumber(2)->getTriggEn());
    EXPECT_FALSE(fromNumber(3)->getTriggEn());
    EXPECT_EQ(fromNumber(0), nullptr);
    EXPECT_EQ(fromNumber(255), nullptr);
}

} // namespace
} // namespace ardent
