#include "targets/TargetDP2A.h"

#include "../input/InputTestSupport.h"
#include "TargetTestSupport.h"
#include "utils/Crc16.h"

#include <gtest/gtest.h>

namespace ardent {
namespace {

using testing::BlockTypes;
using testing::InputFile;
using testing::ReadRecord;
using testing::RecordingOutput;

class TargetDP2ATest : public ::testing::Test {
protected:
    RecordingOutput output;
    TTargetDP2A target{output};
    TConfiguration configuration;
};

TEST_F(TargetDP2ATest, ParametersAloneGoIntoTheConfiguration) {
    EXPECT_EQ(target.addTargetDataToConfiguration(configuration), 0); // nothing selected
    target.SetSelection(true, BlockType::Parameters);
    EXPECT_EQ(target.addTargetDataToConfiguration(configuration), AddResult::ParametersMissing);
    EXPECT_TRUE(configuration.GetBlocks().empty());

    ASSERT_EQ(target.loadPAR(InputFile("dp2a_par.ahex")), 0);
    EXPECT_EQ(target.GetIDModel().GetValue(0, 1), "0x96D5"); // the image's checksum
    EXPECT_EQ(target.addTargetDataToConfiguration(configuration), AddResult::Parameters);
    EXPECT_EQ(BlockTypes(configuration), std::vector<uint32_t>{3});
    EXPECT_TRUE(AddResult::CanSave(AddResult::Parameters));
}

TEST_F(TargetDP2ATest, UnavailableImagesAndMissingFiles) {
    EXPECT_THROW(target.loadFW(InputFile("dp2a_par.ahex")), ImageNotAvailableError);
    EXPECT_THROW(target.loadPATCH(InputFile("dp2a_par.ahex")), ImageNotAvailableError);
    EXPECT_EQ(target.loadPAR("/nonexistent/p.ahex"), -1);
    EXPECT_EQ(output.messages, StringList{"File /nonexistent/p.ahex does not exist"});
    EXPECT_EQ(target.GetIDModel().GetValue(0, 1), "0x0000"); // nothing loaded: checksum 0
}

TEST_F(TargetDP2ATest, ConfigurationOfItsFamilyOnly) {
    configuration.SetTargetType(TTargetFamily::DP2B);
    configuration.AddNewBlock(BlockType::Parameters, Bytes{0, 0xF0, 2, 0, 0x34, 0x12});
    EXPECT_EQ(target.LoadConfigurationFile(configuration),
              TConfigurationTakeOver::Foreign(TTargetFamily::DP2B));
    EXPECT_FALSE(target.GetPar().loaded());
    EXPECT_EQ(target.GetSelection(), 0u);

    configuration.SetTargetType(TTargetFamily::DP2A);
    EXPECT_TRUE(target.LoadConfigurationFile(configuration).IsTakenOver());
    EXPECT_TRUE(target.GetPar().loaded());
    EXPECT_TRUE(target.CheckSelection(BlockType::Parameters));
    const Bytes payload{0x34, 0x12};
    EXPECT_EQ(target.GetIDModel().GetValueInt(0, 1), ComputeCrc16(payload));
}

TEST_F(TargetDP2ATest, ChipParameterIdAndFields) {
    TProcessTargetSendId record = ReadRecord(0, CHANNEL_PASSED);
    record.dp2AIds.parameterID = 0x00AB;
    ASSERT_TRUE(target.setReadID(record));
    target.SetTableIDsFromDevice();
    EXPECT_EQ(target.GetIDModel().GetValue(0, 0), "0x00AB");
    StringList fields;
    target.getFields(0, fields);
    target.getFields(1, fields); // never read
    EXPECT_EQ(fields, (StringList{"00AB", "-"}));
    StringList names;
    target.getFieldsName(names);
    EXPECT_EQ(names, StringList{"Parameters"});

    record.dp2AIds.parameterID = 0;
    ASSERT_TRUE(target.setReadID(record));
    target.SetTableIDsFromDevice();
    EXPECT_EQ(target.GetIDModel().GetValue(0, 0), "XXXX"); // any parameter ID before burning
}

} // namespace
} // namespace ardent
