#include "operations/TargetHandler.h"
#include "EngineExchange.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

namespace ardent::testing {
namespace {

using simtest::ImageCrc;
using simtest::MakeImage;
using std::chrono::milliseconds;

struct TargetFixture : ::testing::Test {
    TEngineExchange programmer;

    // The programmer holds a configuration for all four channels.
    TargetFixture() { EXPECT_EQ(programmer.engine.StoreImage(MakeImage(130)), 0); }
    TTargetHandler tool{{programmer, TRequestTimeouts::CommandLine()}};
    TTargetHandler window{{programmer, TRequestTimeouts::Windowed()}};
};

TEST_F(TargetFixture, ReadIdGivesAnyAnswerWithItsRecord) {
    programmer.engine.Chip(1) = sim::TVirtualChip::Absent(); // answers SYNC (4)
    programmer.faults[0] = TFault::Refuse; // a non-zero status is still an answer to show
    const TReadIDRequest request{1, 2, 1, 1};
    TTargetIdReply reply = tool.ReadID(request);
    EXPECT_EQ(reply.check, TReplyCheck::Refused);
    EXPECT_TRUE(reply.Answered());
    EXPECT_EQ(+reply.ids.channelNumber, 1);
    EXPECT_EQ(+reply.ids.channelErrorCode, 4);
    const TPacketFormat& sent = programmer.requests.at(0);
    EXPECT_EQ(sent.header.module, MODULE_TARGET);
    EXPECT_EQ(sent.header.opCode, TargetOp::ReadID);
    EXPECT_EQ(sent.header.dataSize, 4);
    EXPECT_EQ((Bytes(sent.data, sent.data + 4)), (Bytes{1, 2, 1, 1}));
    EXPECT_EQ(programmer.waits.at(0), milliseconds(30000));

    // The marker is no answer: no record, and the failure is noted for the tool's result.
    programmer.faults[1] = TFault::LinkLost;
    reply = tool.ReadID(request);
    EXPECT_FALSE(reply.Answered());
    EXPECT_EQ(+reply.ids.channelErrorCode, 0);
    EXPECT_EQ(programmer.notedFailures, std::vector<TReplyCheck>{TReplyCheck::LinkLost});
}

TEST_F(TargetFixture, ToolTriggerHandsTheBurnOverAndWaitsTheToolsWait) {
    ASSERT_TRUE(tool.TriggerTarget(kToolTriggerByte));
    TBurningStatusOverall status{};
    EXPECT_EQ(tool.WaitTriggerStatus(status), 0);
    EXPECT_EQ(+status.channels[0].state, CHANNEL_PASSED);
    const TPacketFormat& sent = programmer.requests.at(0);
    EXPECT_EQ(sent.header.opCode, TargetOp::TriggerTarget);
    EXPECT_EQ(sent.header.dataSize, 1);
    EXPECT_EQ(sent.data[0], 0);
    EXPECT_EQ(programmer.waits.at(0), milliseconds(30000));

    programmer.engine.Faults().StatusNext(3, 1); // burn not executed
    ASSERT_TRUE(tool.TriggerTarget(kToolTriggerByte));
    EXPECT_EQ(tool.WaitTriggerStatus(status), 3);
    // A refusal is an answer: nothing is noted.
    EXPECT_TRUE(programmer.notedFailures.empty());
}

TEST_F(TargetFixture, TriggerFailuresWithoutAnswerAreNoted) {
    programmer.faults[0] = TFault::NotSent;
    EXPECT_FALSE(tool.TriggerTarget(kToolTriggerByte));
    TBurningStatusOverall status{};
    EXPECT_EQ(tool.WaitTriggerStatus(status), kResultNoAnswer);
    EXPECT_EQ(programmer.notedFailures,
              (std::vector<TReplyCheck>{TReplyCheck::NotSent, TReplyCheck::NoReply}));
}

TEST_F(TargetFixture, WindowTriggerOnlyHandsTheRequestOverThenWaitsForTheBurnResult) {
    programmer.engine.Faults().StatusNext(5, 1);
    programmer.engine.Chip(3).SetVerdicts({{sim::TBurnVerdict::Kind::Fail, 77}});
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
    programmer.engine.Chip(0).Ids().parameterID = 0x55;
    TProcessTargetSendId ids{};
    EXPECT_TRUE(window.ReadID({0, 1, 1, 1}, ids));
    EXPECT_EQ(+ids.dp2AIds.parameterID, 0x55);
    EXPECT_TRUE(window.GetLoggerInformation(0, ids));
    programmer.faults[2] = TFault::Refuse;
    programmer.faults[3] = TFault::Refuse;
    // A refused read leaves the record the window holds as it was, though the answer has one.
    ids = {};
    EXPECT_FALSE(window.ReadID({0, 1, 1, 1}, ids));
    EXPECT_FALSE(window.GetLoggerInformation(2, ids));
    EXPECT_EQ(+ids.dp2AIds.parameterID, 0);
    EXPECT_EQ(+ids.channelState, 0);
    EXPECT_EQ(programmer.requests.at(1).header.opCode, TargetOp::GetLoggerInformation);
    EXPECT_EQ(programmer.requests.at(1).header.dataSize, 1);
    EXPECT_EQ(programmer.waits, std::vector<milliseconds>(4, milliseconds(10000)));
}

} // namespace
} // namespace ardent::testing
