#include "protocol/PacketFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace ardent {
namespace {

// Fields of the packed records are compared as copies: binding a reference (as EXPECT_EQ does)
// to a packed field that is not naturally aligned is undefined.
template <typename T> T Copy(T value) {
    return value;
}

// Fills a reply's data with the byte sequence 0, 1, 2, ... so each field's value shows where it
// was read from.
TPacketFormat CountingReply() {
    TPacketFormat reply{};
    for (size_t i = 0; i < kPacketDataSize; ++i)
        reply.data[i] = static_cast<uint8_t>(i);
    return reply;
}

TEST(PacketFormat, RecordsReadLittleEndianFieldsFromTheirOffsets) {
    const TPacketFormat reply = CountingReply();

    const auto info = ReadRecord<TDeviceConfigurationStruct>(reply);
    EXPECT_EQ(Copy(info.configName[31]), 31);
    EXPECT_EQ(Copy(info.configSize), 0x23222120u);
    EXPECT_EQ(Copy(info.chSelection), 0x27262524u);
    EXPECT_EQ(Copy(info.targetType), 0x2B2A2928u);
    EXPECT_EQ(Copy(info.crc), 0x2D2Cu);
    EXPECT_EQ(Copy(info.parameterId), 0x2F2Eu);
    EXPECT_EQ(Copy(info.firmwareCrc), 0x3130u);

    const auto burner = ReadRecord<TDeviceBurnerInfo>(reply);
    EXPECT_EQ(Copy(burner.firmwareVersion), 0x03020100u);
    EXPECT_EQ(Copy(burner.cardInserted), 4);
    EXPECT_EQ(Copy(burner.configName[0]), 5);

    const auto ids = ReadRecord<TProcessTargetSendId>(reply);
    EXPECT_EQ(Copy(ids.channelState), 1);
    EXPECT_EQ(Copy(ids.channelErrorCode), 0x0302u);
    EXPECT_EQ(Copy(ids.dp2AIds.parameterID), 0x0504u);
    EXPECT_EQ(Copy(ids.dp2BIds.deviceID), 0x07060504u);
    EXPECT_EQ(Copy(ids.dp2BIds.firmwareID), 0x0F0E0D0C0B0A0908ull);
    EXPECT_EQ(Copy(ids.dp2BIds.customerID), 0x13121110u);
    EXPECT_EQ(Copy(ids.dp2BIds.patchID), 0x1514u);
    EXPECT_EQ(Copy(ids.dp2BIds.parameterID), 0x1716u);
    EXPECT_EQ(Copy(ids.dp2BIds.romID), 0x1918u);
    EXPECT_EQ(Copy(ids.dp3BIds.chipId), 0x0B0A090807060504ull);
    EXPECT_EQ(Copy(ids.dp3BIds.patchID), 0x131211100F0E0D0Cull);
    EXPECT_EQ(Copy(ids.dp3BIds.parameterID), 0x1514u);
    EXPECT_EQ(Copy(ids.dp3BIds.firmwareIdSize), 0x16);
    EXPECT_EQ(Copy(ids.dp3BIds.firmwareID[0]), 0x17);
    EXPECT_EQ(Copy(ids.dp3BIds.firmwareID[11]), 0x22);

    const auto status = ReadRecord<TBurningStatusOverall>(reply);
    EXPECT_EQ(Copy(status.overallErrorCode), 0x0100u);
    EXPECT_EQ(Copy(status.isCardUsed), 2);
    EXPECT_EQ(Copy(status.channels[0].channelNo), 3);
    EXPECT_EQ(Copy(status.channels[0].state), 4);
    EXPECT_EQ(Copy(status.channels[0].errorCode), 0x0605u);
    EXPECT_EQ(Copy(status.channels[0].nackReason), 0x0807u);
    EXPECT_EQ(Copy(status.channels[3].channelNo), 21);
    EXPECT_EQ(Copy(status.channels[3].nackReason), 0x1A19u);
}

TEST(PacketFormat, ConfigurationNameFillsItsFieldWithoutTerminator) {
    TDeviceConfigurationStruct full{};
    const std::string name32(32, 'N');
    std::memcpy(full.configName, name32.data(), 32);
    TPacketFormat reply = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo, full);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply.data), 32), name32);
    EXPECT_EQ(reply.data[32], 0); // configSize, not a terminator of the name

    TDeviceConfigurationStruct shorter{};
    std::memcpy(shorter.configName, name32.data(), 31);
    reply = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo, shorter);
    EXPECT_EQ(reply.data[30], 'N');
    EXPECT_EQ(reply.data[31], 0);
}

TEST(PacketFormat, RequestIsZeroFilledAndCarriesItsDataSize) {
    TPacketFormat request = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::StoreConfiguration);
    EXPECT_TRUE(AppendValue<uint32_t>(request, 0x00001234));
    EXPECT_TRUE(AppendValue<uint16_t>(request, 0xBEEF));
    const TArrayByte bytes = PacketToBytes(request);
    const TArrayByte expected = {1, 3, 0, 6, 0x34, 0x12, 0, 0, 0xEF, 0xBE};
    EXPECT_EQ(bytes, expected);

    const TReadIDRequest read{2, 3, 1, 0};
    const TPacketFormat readId = MakeRequest(MODULE_TARGET, TargetOp::ReadID, read);
    EXPECT_EQ(PacketToBytes(readId), (TArrayByte{2, 1, 0, 4, 2, 3, 1, 0}));
}

TEST(PacketFormat, DataPastSixtyBytesIsRefusedAndLeavesTheRequestAlone) {
    TPacketFormat request = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::StoreConfigurationData);
    const std::array<uint8_t, 59> piece{};
    ASSERT_TRUE(AppendData(request, piece.data(), piece.size()));
    EXPECT_FALSE(AppendValue<uint16_t>(request, 7));
    EXPECT_EQ(request.header.dataSize, 59);
    EXPECT_TRUE(AppendValue<uint8_t>(request, 7));
    EXPECT_EQ(request.header.dataSize, 60);
    EXPECT_FALSE(AppendValue<uint8_t>(request, 8));

    uint32_t value = 0;
    EXPECT_TRUE(ReadValueAt(request, 56, value));
    EXPECT_FALSE(ReadValueAt(request, 57, value));
    EXPECT_FALSE(ReadValueAt(request, 1000, value));
}

TEST(PacketFormat, ReplyMatchingAndSuccess) {
    const TPacketFormat request = MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget);
    struct Case {
        uint8_t module, opCode, status;
        bool matches, succeeds;
    } cases[] = {
        {MODULE_TARGET, TargetOp::TriggerTarget, 0, true, true},
        {MODULE_TARGET, TargetOp::TriggerTarget, 1, true, false}, // failed, not a mismatch
        {MODULE_TARGET, TargetOp::ReadID, 0, false, false},
        {MODULE_PROGRAMMER, TargetOp::TriggerTarget, 0, false, false},
        {MARKER_LINK_LOST, 0, 0, false, false},
    };
    for (const Case& c : cases) {
        TPacketFormat reply{};
        reply.header = {c.module, c.opCode, c.status, 0};
        EXPECT_EQ(ReplyMatches(request, reply), c.matches) << int(c.module) << "/" << int(c.opCode);
        EXPECT_EQ(ReplySucceeded(request, reply), c.succeeds) << int(c.status);
    }
}

TEST(PacketFormat, OnlyTheAnswerForTheChannelAskedForAnswersAReadOfIds) {
    const TReadIDRequest readChannel2{2, 3, 1, 1};
    const TPacketFormat readId = MakeRequest(MODULE_TARGET, TargetOp::ReadID, readChannel2);
    const TPacketFormat logInfo =
        MakeRequest(MODULE_TARGET, TargetOp::GetLoggerInformation, uint8_t{2});
    const TPacketFormat trigger = MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, uint8_t{0});
    struct Case {
        const char* name;
        const TPacketFormat& request;
        uint8_t opCode, status, replyChannel;
        bool answers;
    } cases[] = {
        {"ReadID, same channel", readId, TargetOp::ReadID, 0, 2, true},
        {"ReadID refused, same channel", readId, TargetOp::ReadID, 58, 2, true},
        {"ReadID, late reply for channel 1", readId, TargetOp::ReadID, 0, 1, false},
        {"log information, same channel", logInfo, TargetOp::GetLoggerInformation, 0, 2, true},
        {"log information, channel 3", logInfo, TargetOp::GetLoggerInformation, 0, 3, false},
        {"ReadID reply to a log request", logInfo, TargetOp::ReadID, 0, 2, false},
        // The burn result names no channel of its own: byte 0 is its overall error code.
        {"burn result", trigger, TargetOp::TriggerTarget, 0, 7, true},
    };
    for (const Case& c : cases) {
        TPacketFormat reply{};
        reply.header = {MODULE_TARGET, c.opCode, c.status, 0};
        reply.data[0] = c.replyChannel;
        EXPECT_EQ(AnswersRequest(c.request, reply), c.answers) << c.name;
    }
    EXPECT_TRUE(IsLinkLostMarker(MakeMarker(MARKER_LINK_LOST)));
    EXPECT_TRUE(IsLinkLostMarker(MakeMarker(MARKER_DISCONNECTED)));
    EXPECT_FALSE(IsLinkLostMarker(MakeMarker(MARKER_CONNECTED)));
    EXPECT_FALSE(AnswersRequest(readId, MakeMarker(MARKER_LINK_LOST)));
}

// The shortest report that carries each reply: the 4 header bytes and the reply's record.
TEST(PacketFormat, AReportShorterThanTheReplyItNamesIsIncomplete) {
    struct Case {
        const char* name;
        uint8_t module, opCode;
        size_t shortest;
    } cases[] = {
        {"GetDeviceSetup: TDeviceBurnerInfo", MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup, 44},
        {"SetBaudRate: no data", MODULE_PROGRAMMER, ProgrammerOp::SetBaudRate, 4},
        {"StoreConfiguration", MODULE_PROGRAMMER, ProgrammerOp::StoreConfiguration, 4},
        {"StoreConfigurationData", MODULE_PROGRAMMER, ProgrammerOp::StoreConfigurationData, 4},
        {"ReadConfiguration: 60 image bytes", MODULE_PROGRAMMER, ProgrammerOp::ReadConfiguration,
         64},
        {"GetConfigurationInfo: TDeviceConfigurationStruct", MODULE_PROGRAMMER,
         ProgrammerOp::GetConfigurationInfo, 56},
        {"SetTriggerBehavior", MODULE_PROGRAMMER, ProgrammerOp::SetTriggerBehavior, 4},
        {"GetTriggerBehavior: the flag", MODULE_PROGRAMMER, ProgrammerOp::GetTriggerBehavior, 5},
        {"SetActiveChannel", MODULE_PROGRAMMER, ProgrammerOp::SetActiveChannel, 4},
        {"ReadID: TProcessTargetSendId", MODULE_TARGET, TargetOp::ReadID, 39},
        {"TriggerTarget: TBurningStatusOverall", MODULE_TARGET, TargetOp::TriggerTarget, 31},
        {"GetLoggerInformation", MODULE_TARGET, TargetOp::GetLoggerInformation, 39},
        {"voltageCycle: 32-bit result", MODULE_VOLTAGE, VoltageOp::VoltageCycle, 8},
        {"getInfo: 32-bit result", MODULE_SERVICE, ServiceOp::GetInfo, 8},
        {"ExternalTriggerEvent", MODULE_EVENT, EventOp::ExternalTriggerEvent, 4},
        {"SdCardEvent: the card state", MODULE_EVENT, EventOp::SdCardEvent, 5},
        {"an opCode of no request", MODULE_PROGRAMMER, 7, 4},
        {"no module", 0x60, 1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::array<uint8_t, kPacketSize> report{};
        report[0] = c.module;
        report[1] = c.opCode;
        EXPECT_EQ(ReportSizeNeeded(c.module, c.opCode), c.shortest);
        EXPECT_FALSE(ReportIsComplete(std::span(report.data(), c.shortest - 1)));
        EXPECT_TRUE(ReportIsComplete(std::span(report.data(), c.shortest)));
        EXPECT_TRUE(ReportIsComplete(report));
    }
    EXPECT_FALSE(ReportIsComplete({}));
}

TEST(PacketFormat, ShortByteSequencesBecomeZeroPaddedPackets) {
    const uint8_t bytes[] = {5, 2, 1};
    const TPacketFormat packet = PacketFromBytes(bytes);
    EXPECT_EQ(PacketToBytes(packet), (TArrayByte{5, 2, 1}));
    EXPECT_EQ(PacketToBytes(MakeMarker(MARKER_STOP)), (TArrayByte{0xAA}));
}

TEST(PacketFormat, ErrorCodeTexts) {
    EXPECT_EQ(CodeMessages.size(), 88u);
    const std::pair<uint32_t, std::string_view> cases[] = {
        {0, "Operation completed."},
        {45, "INACTIVE"},
        {50, "Info  = SD_NO_CFG"},
        {51, "Info  = SD_EMPTY"},
        {53, "Info  = CFG_NOT_LOADED"},
        {64, "Status = BLANK_DEVICE"},
        {68, "FW only suspend"},
        {86, "Error = ERROR_ACK_FRAME_CRC"},
        {87, "Error = ERROR_ACK_FRAME_WRONG"},
        {88, "Unrecognized errors"},
        {65535, "Unrecognized errors"},
        {0xFFFFFFFF, "Unrecognized errors"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(ErrorCodeText(code), text) << code;
    EXPECT_EQ(ResultWords[0], "FAIL");
    EXPECT_EQ(ResultWords[1], "OK");
}

TEST(PacketFormat, FirmwareVersionBounds) {
    EXPECT_FALSE(IsFirmwareSupported(0x010602));
    EXPECT_FALSE(IsFirmwareSupported(0x010500));
    EXPECT_FALSE(IsFirmwareSupported(0));
    EXPECT_TRUE(IsFirmwareSupported(0x010603));
    EXPECT_TRUE(IsFirmwareSupported(0x010700));
    EXPECT_TRUE(IsFirmwareSupported(0x020000));
    EXPECT_EQ(MinimumFirmwareVersionText(), "1.6.3");
}

} // namespace
} // namespace ardent
