#include "operations/TargetHandler.h"
#include "FakeProgrammer.h"

#include <gtest/gtest.h>

#include <string>

namespace ardent::testing {
namespace {

using std::chrono::milliseconds;

struct TargetFixture : ::testing::Test {
    TFakeProgrammer programmer;
    std::string output;
    TTargetHandler tool{{programmer, TRequestTimeouts::CommandLine(), TWaitClock{},
                         [this](std::string_view text) { output.append(text); }}};
    TTargetHandler window{{programmer, TRequestTimeouts::Windowed()}};
};

TEST_F(TargetFixture, ReadIdLinesOfEachFamily) {
    struct Case {
        const char* name;
        TProcessTargetSendId reply;
        uint8_t family;
        const char* line;
        int32_t result;
    };
    TProcessTargetSendId dp2a = Passed();
    dp2a.dp2AIds.parameterID = 0x12AB;
    TProcessTargetSendId dp2b = Passed();
    dp2b.channelNumber = 1;
    dp2b.dp2BIds = {1, 2, 3, 4, 5, 6};
    TProcessTargetSendId dp3b = Passed();
    dp3b.dp3BIds.chipId = 0xABCDEF;
    dp3b.dp3BIds.patchID = 0x0102030405060708;
    dp3b.dp3BIds.parameterID = 0xBEEF;
    dp3b.dp3BIds.firmwareIdSize = 12;
    for (uint8_t i = 0; i < 12; ++i)
        dp3b.dp3BIds.firmwareID[i] = static_cast<uint8_t>(0xA0 + i);
    TProcessTargetSendId dp3bNoFirmwareId = dp3b;
    dp3bNoFirmwareId.dp3BIds.firmwareIdSize = 0;
    TProcessTargetSendId dp3bOversized = dp3b;
    dp3bOversized.dp3BIds.firmwareIdSize = 200; // never more than the record holds
    TProcessTargetSendId sync = Failed(4);
    sync.channelNumber = 2;
    TProcessTargetSendId inactive = Failed(45);
    inactive.channelState = CHANNEL_INACTIVE;

    const Case cases[] = {
        {"DP2A", dp2a, 1, "Channel[1]: 0x12AB\r\n", 0},
        {"DP2B", dp2b, 2,
         "Channel[2]:  0x00000001 0x0000000000000002 0x00000003 0x0004 0x0005 0x0006\r\n", 0},
        {"DP3B", dp3b, 3,
         "Channel[1]:  0x0000000000ABCDEF 0xA0A1A2A3A4A5A6A7A8A9AAAB 0x0807060504030201 0xBEEF\r\n",
         0},
        {"DP3B no firmware ID", dp3bNoFirmwareId, 3,
         "Channel[1]:  0x0000000000ABCDEF 0x 0x0807060504030201 0xBEEF\r\n", 0},
        {"DP3B firmware ID size beyond the record", dp3bOversized, 3,
         "Channel[1]:  0x0000000000ABCDEF 0xA0A1A2A3A4A5A6A7A8A9AAAB 0x0807060504030201 0xBEEF\r\n",
         0},
        {"unknown family prints the prefix only", dp2a, 7, "Channel[1]: ", 0},
        {"failed with SYNC", sync, 3, "Channel[3]: Error = SYNC\r\n", -252},
        {"inactive", inactive, 2, "Channel[1]: INACTIVE\r\n", -211},
        {"unknown code", Failed(300), 2, "Channel[1]: Unrecognized errors\r\n",
         static_cast<int32_t>(0xFFFFFF2C)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        output.clear();
        EXPECT_EQ(tool.WriteReadIdResult(c.reply, c.family), c.result);
        EXPECT_EQ(output, c.line);
    }
}

TEST_F(TargetFixture, BurningStatusLines) {
    TBurningStatusOverall status{};
    status.isCardUsed = 1;
    status.channels[0].state = CHANNEL_PASSED;
    status.channels[1].state = CHANNEL_INACTIVE;
    status.channels[2].state = CHANNEL_FAILED;
    status.channels[2].errorCode = 61;
    tool.WriteBurningStatus(status);
    EXPECT_EQ(output, "SD card config was used during burning.\r\n"
                      "Status channel [1] : OK\r\n"
                      "Status channel [2] : INACTIVE\r\n"
                      "Status channel [3] : Error = CRC_NOT_CORRECT\r\n"
                      "Status channel [4] : \r\n");

    output.clear();
    status.isCardUsed = 0;
    status.overallErrorCode = 200;
    tool.WriteBurningStatus(status);
    EXPECT_EQ(output, "Unrecognized errors\r\n");
}

TEST_F(TargetFixture, ToolReadIdSendsTheRequestAndPrintsAnyAnswer) {
    programmer.channels[1] = Failed(4);
    programmer.faults[0] = TFault::Refuse; // a non-zero status is still an answer to print
    const TReadIDRequest request{1, 2, 1, 1};
    EXPECT_EQ(tool.ReadID(request), -252);
    EXPECT_EQ(output, "Channel[2]: Error = SYNC\r\n");
    const TPacketFormat& sent = programmer.requests.at(0);
    EXPECT_EQ(sent.header.module, MODULE_TARGET);
    EXPECT_EQ(sent.header.opCode, TargetOp::ReadID);
    EXPECT_EQ(sent.header.dataSize, 4);
    EXPECT_EQ((Bytes(sent.data, sent.data + 4)), (Bytes{1, 2, 1, 1}));
    EXPECT_EQ(programmer.waits.at(0), milliseconds(30000));

    output.clear();
    programmer.faults[1] = TFault::LinkLost;
    EXPECT_EQ(tool.ReadID(request), std::nullopt);
    EXPECT_EQ(output, "");
    EXPECT_EQ(programmer.notedFailures, std::vector<TReplyCheck>{TReplyCheck::LinkLost});
}

TEST_F(TargetFixture, ToolTriggerWaitsForTheBurnResult) {
    programmer.burnStatus.channels[0].state = CHANNEL_PASSED;
    TBurningStatusOverall status{};
    EXPECT_TRUE(tool.TriggerTarget(0, status));
    EXPECT_EQ(+status.channels[0].state, CHANNEL_PASSED);
    const TPacketFormat& sent = programmer.requests.at(0);
    EXPECT_EQ(sent.header.opCode, TargetOp::TriggerTarget);
    EXPECT_EQ(sent.header.dataSize, 1);
    EXPECT_EQ(sent.data[0], 0);
    EXPECT_EQ(programmer.waits.at(0), milliseconds(30000));

    programmer.burnReplyStatus = 3; // burn not executed
    EXPECT_FALSE(tool.TriggerTarget(0, status));
}

TEST_F(TargetFixture, WindowTriggerOnlyHandsTheRequestOverThenWaitsForTheBurnResult) {
    programmer.burnReplyStatus = 5;
    programmer.burnStatus.channels[3].errorCode = 77;
    ASSERT_TRUE(window.TriggerTarget(1));
    EXPECT_TRUE(programmer.waits.empty());
    EXPECT_EQ(programmer.requests.at(0).data[0], 1);
    TBurningStatusOverall status{};
    EXPECT_EQ(window.WaitTriggerStatus(status), 5);
    EXPECT_EQ(+status.channels[3].errorCode, 77);
    EXPECT_EQ(programmer.waits.at(0), milliseconds(30000));

    // Nothing arrives: -124 and a zero record.
    EXPECT_EQ(window.WaitTriggerStatus(status), -124);
    EXPECT_EQ(+status.channels[3].errorCode, 0);

    // The programmer is unplugged during the wait: the marker is no burn result.
    TPacketFormat marker = MakeMarker(MARKER_DISCONNECTED);
    window.ParseResponse(marker);
    EXPECT_EQ(window.WaitTriggerStatus(status), -123);
    EXPECT_EQ(+status.overallErrorCode, 0);
}

TEST_F(TargetFixture, WindowReadsDemandStatusZero) {
    programmer.channels[0] = Passed();
    programmer.channels[0].dp2AIds.parameterID = 0x55;
    TProcessTargetSendId ids{};
    EXPECT_TRUE(window.ReadID({0, 1, 1, 1}, ids));
    EXPECT_EQ(+ids.dp2AIds.parameterID, 0x55);
    EXPECT_TRUE(window.GetLoggerInformation(0, ids));
    programmer.faults[2] = TFault::Refuse;
    programmer.faults[3] = TFault::Refuse;
    EXPECT_FALSE(window.ReadID({0, 1, 1, 1}, ids));
    EXPECT_FALSE(window.GetLoggerInformation(2, ids));
    EXPECT_EQ(programmer.requests.at(1).header.opCode, TargetOp::GetLoggerInformation);
    EXPECT_EQ(programmer.requests.at(1).header.dataSize, 1);
    EXPECT_EQ(programmer.waits, std::vector<milliseconds>(4, milliseconds(10000)));
    EXPECT_TRUE(output.empty());
}

} // namespace
} // namespace ardent::testing
