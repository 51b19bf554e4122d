#include "TargetReport.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>

namespace ardent {

namespace {

// Upper-case hexadecimal digits of `value`, zero-padded to `width`.
std::string Hex(uint64_t value, int width) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*" PRIX64, width, value);
    return text;
}

// The value a failed channel reads as: its code's low byte under 24 one bits.
int32_t ChannelErrorResult(uint16_t code) {
    if (code == 0)
        return 0;
    return static_cast<int32_t>(0xFFFFFF00u | (code & 0xFFu));
}

// "0x" and the hexadecimal digits of `value`, as the ID lines show it.
TIdFacts Id(std::string name, uint64_t value, int width) {
    return {std::move(name), "0x" + Hex(value, width), value};
}

std::string FirmwareIdHex(const TChannelDP3BId& ids) {
    // The programmer may announce more firmware ID bytes than the record holds.
    const size_t firmwareBytes = std::min<size_t>(ids.firmwareIdSize, sizeof ids.firmwareID);
    std::string text;
    for (size_t i = 0; i < firmwareBytes; ++i)
        text += Hex(ids.firmwareID[i], 2);
    return text;
}

// The DP3B patch ID as the line shows it: its bytes from the lowest up.
std::string PatchIdHex(uint64_t patchID) {
    std::string text;
    for (int i = 0; i < 8; ++i)
        text += Hex((patchID >> (8 * i)) & 0xFFu, 2);
    return text;
}

} // namespace

TChannelIds ChannelIdFacts(const TProcessTargetSendId& reply, TTargetFamily family) {
    TChannelIds facts;
    facts.channel = reply.channelNumber + 1;
    facts.family = std::string(TargetFamilyName(family));
    facts.state = reply.channelState;
    facts.code = CodeFacts(reply.channelErrorCode);
    if (reply.channelState != CHANNEL_PASSED)
        return facts;
    switch (family) {
    case TTargetFamily::DP2A:
        facts.ids = {Id("parameterID", reply.dp2AIds.parameterID, 4)};
        break;
    case TTargetFamily::DP2B: {
        const TChannelDP2BId& ids = reply.dp2BIds;
        facts.ids = {Id("deviceID", ids.deviceID, 8),       Id("firmwareID", ids.firmwareID, 16),
                     Id("customerID", ids.customerID, 8),   Id("patchID", ids.patchID, 4),
                     Id("parameterID", ids.parameterID, 4), Id("romID", ids.romID, 4)};
        break;
    }
    case TTargetFamily::DP3B: {
        const TChannelDP3BId& ids = reply.dp3BIds;
        facts.ids = {Id("chipId", ids.chipId, 16),
                     {"firmwareID", "0x" + FirmwareIdHex(ids), std::nullopt},
                     // A copy: the packed field is not aligned for the optional's reference.
                     {"patchID", "0x" + PatchIdHex(ids.patchID),
                      static_cast<uint64_t>(ids.patchID)},
                     Id("parameterID", ids.parameterID, 4)};
        break;
    }
    case TTargetFamily::NotRecognised:
        break;
    }
    return facts;
}

TBurnFacts BurnFacts(const TBurningStatusOverall& burningStatus) {
    TBurnFacts facts;
    facts.sdCardUsed = burningStatus.isCardUsed != 0;
    facts.overall = CodeFacts(burningStatus.overallErrorCode);
    if (burningStatus.overallErrorCode != 0)
        return facts;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const TBurningStatusChannelSingle& single = burningStatus.channels[channel];
        facts.channels.push_back({channel + 1, single.state, CodeFacts(single.errorCode)});
    }
    return facts;
}

int32_t TTargetReport::WriteReadIdResult(const TProcessTargetSendId& reply, TTargetFamily family) {
    fConsole.Write("Channel[" + std::to_string(reply.channelNumber + 1) + "]: ");
    if (reply.channelState == CHANNEL_PASSED) {
        switch (family) {
        case TTargetFamily::DP2A:
            WriteDP2AIds(reply.dp2AIds);
            break;
        case TTargetFamily::DP2B:
            WriteDP2BIds(reply.dp2BIds);
            break;
        case TTargetFamily::DP3B:
            WriteDP3BIds(reply.dp3BIds);
            break;
        case TTargetFamily::NotRecognised:
            break;
        }
    } else {
        fConsole.WriteLine(ErrorCodeText(reply.channelErrorCode));
    }
    return ChannelErrorResult(reply.channelErrorCode);
}

void TTargetReport::WriteDP2AIds(const TChannelDP2AId& ids) {
    fConsole.WriteLine("0x" + Hex(ids.parameterID, 4));
}

void TTargetReport::WriteDP2BIds(const TChannelDP2BId& ids) {
    fConsole.WriteLine(" 0x" + Hex(ids.deviceID, 8) + " 0x" + Hex(ids.firmwareID, 16) + " 0x" +
                       Hex(ids.customerID, 8) + " 0x" + Hex(ids.patchID, 4) + " 0x" +
                       Hex(ids.parameterID, 4) + " 0x" + Hex(ids.romID, 4));
}

void TTargetReport::WriteDP3BIds(const TChannelDP3BId& ids) {
    std::string line = " 0x" + Hex(ids.chipId, 16) + " 0x" + FirmwareIdHex(ids) + " 0x" +
                       PatchIdHex(ids.patchID) + " 0x" + Hex(ids.parameterID, 4);
    fConsole.WriteLine(line);
}

void TTargetReport::WriteBurningStatus(const TBurningStatusOverall& burningStatus) {
    if (burningStatus.isCardUsed != 0)
        fConsole.WriteLine("SD card config was used during burning.");
    if (burningStatus.overallErrorCode != 0) {
        fConsole.WriteLine(ErrorCodeText(burningStatus.overallErrorCode));
        return;
    }
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const TBurningStatusChannelSingle& single = burningStatus.channels[channel];
        std::string line = "Status channel [" + std::to_string(channel + 1) + "] : ";
        switch (single.state) {
        case CHANNEL_PASSED:
            line += "OK";
            break;
        case CHANNEL_INACTIVE:
            line += "INACTIVE";
            break;
        case CHANNEL_FAILED:
            line += ErrorCodeText(single.errorCode);
            break;
        default:
            break;
        }
        fConsole.WriteLine(line);
    }
}

} // namespace ardent
