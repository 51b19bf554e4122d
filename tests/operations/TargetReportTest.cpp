#include "TargetReport.h"
#include "protocol/PacketFormat.h"

#include <gtest/gtest.h>

namespace ardent::testing {
namespace {

// The reply record of a channel that passed (IDs all zero) or failed with `code`.
TProcessTargetSendId Passed() {
    TProcessTargetSendId ids{};
    ids.channelState = CHANNEL_PASSED;
    return ids;
}
TProcessTargetSendId Failed(uint16_t code) {
    TProcessTargetSendId ids{};
    ids.channelState = CHANNEL_FAILED;
    ids.channelErrorCode = code;
    return ids;
}

TEST(TargetReport, ReadIdLinesOfEachFamily) {
    struct Case {
        const char* name;
        TProcessTargetSendId reply;
        TTargetFamily family;
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
        {"DP2A", dp2a, TTargetFamily::DP2A, "Channel[1]: 0x12AB\r\n", 0},
        {"DP2B", dp2b, TTargetFamily::DP2B,
         "Channel[2]:  0x00000001 0x0000000000000002 0x00000003 0x0004 0x0005 0x0006\r\n", 0},
        {"DP3B", dp3b, TTargetFamily::DP3B,
         "Channel[1]:  0x0000000000ABCDEF 0xA0A1A2A3A4A5A6A7A8A9AAAB 0x0807060504030201 0xBEEF\r\n",
         0},
        {"DP3B no firmware ID", dp3bNoFirmwareId, TTargetFamily::DP3B,
         "Channel[1]:  0x0000000000ABCDEF 0x 0x0807060504030201 0xBEEF\r\n", 0},
        {"DP3B firmware ID size beyond the record", dp3bOversized, TTargetFamily::DP3B,
         "Channel[1]:  0x0000000000ABCDEF 0xA0A1A2A3A4A5A6A7A8A9AAAB 0x0807060504030201 0xBEEF\r\n",
         0},
        {"unknown family prints the prefix only", dp2a, TTargetFamily::NotRecognised,
         "Channel[1]: ", 0},
        {"failed with SYNC", sync, TTargetFamily::DP3B, "Channel[3]: Error = SYNC\r\n", -252},
        {"inactive", inactive, TTargetFamily::DP2B, "Channel[1]: INACTIVE\r\n", -211},
        {"unknown code", Failed(300), TTargetFamily::DP2B, "Channel[1]: Unrecognized errors\r\n",
         static_cast<int32_t>(0xFFFFFF2C)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TStringConsole lines;
        EXPECT_EQ(TTargetReport(lines).WriteReadIdResult(c.reply, c.family), c.result);
        EXPECT_EQ(lines.Text(), c.line);
    }
}

TEST(TargetReport, BurningStatusLines) {
    TBurningStatusOverall status{};
    status.isCardUsed = 1;
    status.channels[0].state = CHANNEL_PASSED;
    status.channels[1].state = CHANNEL_INACTIVE;
    status.channels[2].state = CHANNEL_FAILED;
    status.channels[2].errorCode = 61;
    TStringConsole console;
    TTargetReport(console).WriteBurningStatus(status);
    EXPECT_EQ(console.Text(), "SD card config was used during burning.\r\n"
                              "Status channel [1] : OK\r\n"
                              "Status channel [2] : INACTIVE\r\n"
                              "Status channel [3] : Error = CRC_NOT_CORRECT\r\n"
                              "Status channel [4] : \r\n");

    TStringConsole overall;
    status.isCardUsed = 0;
    status.overallErrorCode = 200;
    TTargetReport(overall).WriteBurningStatus(status);
    EXPECT_EQ(overall.Text(), "Unrecognized errors\r\n");
}

} // namespace
} // namespace ardent::testing
