#include "operations/TargetHandler.h"

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

} // namespace

TTargetHandler::TTargetHandler(const THandlerSetup& setup) : fSetup(setup) {}

TExchangeResult TTargetHandler::ExecuteRequest(const TPacketFormat& request,
                                               std::chrono::milliseconds timeout) {
    return ardent::ExecuteRequest(fSetup.exchange, fSetup.clock, request, timeout);
}

bool TTargetHandler::ReadID(const TReadIDRequest& readRequest, TProcessTargetSendId& targetId) {
    const TExchangeResult result = ExecuteRequest(
        MakeRequest(MODULE_TARGET, TargetOp::ReadID, readRequest), fSetup.timeouts.readId);
    if (!result.Executed())
        return false;
    targetId = ReadRecord<TProcessTargetSendId>(result.reply);
    return true;
}

bool TTargetHandler::TriggerTarget(uint8_t disableTrigger) {
    return fSetup.exchange.Send(
        MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, disableTrigger));
}

int32_t TTargetHandler::WaitTriggerStatus(TBurningStatusOverall& burningStatus) {
    burningStatus = {};
    // Either burn's result is a TriggerTarget reply, the one of the external trigger too.
    const std::optional<TPacketFormat> packet =
        ReceiveAnswer(fSetup.exchange, MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget),
                      fSetup.clock.Wait(fSetup.timeouts.burnResult));
    if (!packet)
        return kResultNoAnswer;
    // The disconnect marker carries no burn result; taking its bytes for one could read as a
    // burn that passed.
    if (IsLinkLostMarker(*packet))
        return kResultLinkLost;
    burningStatus = ReadRecord<TBurningStatusOverall>(*packet);
    return packet->header.status;
}

bool TTargetHandler::GetLoggerInformation(uint8_t channelNumber, TProcessTargetSendId& targetId) {
    const TExchangeResult result =
        ExecuteRequest(MakeRequest(MODULE_TARGET, TargetOp::GetLoggerInformation, channelNumber),
                       fSetup.timeouts.loggerInformation);
    if (!result.Executed())
        return false;
    targetId = ReadRecord<TProcessTargetSendId>(result.reply);
    return true;
}

void TTargetHandler::ParseResponse(const TPacketFormat& packet) {
    fSetup.exchange.Deliver(packet);
}

void TTargetHandler::ClearQueueBeforeOperation() {
    fSetup.exchange.DiscardPending();
}

std::optional<int32_t> TTargetHandler::ReadID(const TReadIDRequest& readRequest) {
    const TExchangeResult result = ExecuteRequest(
        MakeRequest(MODULE_TARGET, TargetOp::ReadID, readRequest), fSetup.timeouts.readId);
    if (!result.Answered())
        return std::nullopt;
    return WriteReadIdResult(ReadRecord<TProcessTargetSendId>(result.reply),
                             readRequest.targetType);
}

bool TTargetHandler::TriggerTarget(uint8_t enableTrigger, TBurningStatusOverall& burningStatus) {
    const TExchangeResult result =
        ExecuteRequest(MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, enableTrigger),
                       fSetup.timeouts.burnResult);
    burningStatus = ReadRecord<TBurningStatusOverall>(result.reply);
    return result.Executed();
}

int32_t TTargetHandler::WriteReadIdResult(const TProcessTargetSendId& reply, uint8_t family) {
    Write("Channel[" + std::to_string(reply.channelNumber + 1) + "]: ");
    if (reply.channelState == CHANNEL_PASSED) {
        switch (TargetFamilyFromNumber(family)) {
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
        WriteLine(GetErrorText(reply.channelErrorCode));
    }
    return ChannelErrorResult(reply.channelErrorCode);
}

void TTargetHandler::WriteDP2AIds(const TChannelDP2AId& ids) {
    WriteLine("0x" + Hex(ids.parameterID, 4));
}

void TTargetHandler::WriteDP2BIds(const TChannelDP2BId& ids) {
    WriteLine(" 0x" + Hex(ids.deviceID, 8) + " 0x" + Hex(ids.firmwareID, 16) + " 0x" +
              Hex(ids.customerID, 8) + " 0x" + Hex(ids.patchID, 4) + " 0x" +
              Hex(ids.parameterID, 4) + " 0x" + Hex(ids.romID, 4));
}

void TTargetHandler::WriteDP3BIds(const TChannelDP3BId& ids) {
    std::string line = " 0x" + Hex(ids.chipId, 16) + " 0x";
    // The programmer may announce more firmware ID bytes than the record holds.
    const size_t firmwareBytes = std::min<size_t>(ids.firmwareIdSize, sizeof ids.firmwareID);
    for (size_t i = 0; i < firmwareBytes; ++i)
        line += Hex(ids.firmwareID[i], 2);
    line += " 0x";
    for (int i = 0; i < 8; ++i)
        line += Hex((ids.patchID >> (8 * i)) & 0xFFu, 2);
    line += " 0x" + Hex(ids.parameterID, 4);
    WriteLine(line);
}

void TTargetHandler::WriteBurningStatus(const TBurningStatusOverall& burningStatus) {
    if (burningStatus.isCardUsed != 0)
        WriteLine("SD card config was used during burning.");
    if (burningStatus.overallErrorCode != 0) {
        WriteLine(GetErrorText(burningStatus.overallErrorCode));
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
            line += GetErrorText(single.errorCode);
            break;
        default:
            break;
        }
        WriteLine(line);
    }
}

void TTargetHandler::Write(std::string_view text) {
    if (fSetup.output)
        fSetup.output(text);
}

void TTargetHandler::WriteLine(std::string_view text) {
    Write(text);
    Write("\r\n");
}

} // namespace ardent
