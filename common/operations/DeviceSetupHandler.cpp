#include "operations/DeviceSetupHandler.h"

#include <algorithm>
#include <cstring>

namespace ardent {

namespace {

TPacketFormat ProgrammerRequest(uint8_t opCode) {
    return MakeRequest(MODULE_PROGRAMMER, opCode);
}

} // namespace

TDeviceSetupHandler::TDeviceSetupHandler(const THandlerSetup& setup) : fSetup(setup) {}

TExchangeResult TDeviceSetupHandler::ExecuteRequest(const TPacketFormat& request,
                                                    std::chrono::milliseconds timeout) {
    return ardent::ExecuteRequest(fSetup.exchange, fSetup.clock, request, timeout);
}

bool TDeviceSetupHandler::Execute(const TPacketFormat& request, std::chrono::milliseconds timeout) {
    return ExecuteRequest(request, timeout).Executed();
}

bool TDeviceSetupHandler::GetDeviceSetup(TDeviceBurnerInfo& burnerInfo) {
    const TExchangeResult result = ExecuteRequest(ProgrammerRequest(ProgrammerOp::GetDeviceSetup),
                                                  fSetup.timeouts.getDeviceSetup);
    burnerInfo = ReadRecord<TDeviceBurnerInfo>(result.reply);
    return result.Executed();
}

bool TDeviceSetupHandler::SetBaudRate(uint32_t baudRate) {
    return Execute(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::SetBaudRate, baudRate),
                   fSetup.timeouts.setBaudRate);
}

bool TDeviceSetupHandler::SetTriggerBehavior(uint8_t triggerFlag, uint8_t temporarily,
                                             uint8_t useSd) {
    const uint8_t flags[3] = {triggerFlag, temporarily, useSd};
    TPacketFormat request = ProgrammerRequest(ProgrammerOp::SetTriggerBehavior);
    AppendData(request, flags, sizeof flags);
    return Execute(request, fSetup.timeouts.setTriggerBehavior);
}

bool TDeviceSetupHandler::SetTriggerBehavior(uint8_t enableTrigger) {
    return SetTriggerBehavior(enableTrigger, 1, 1);
}

bool TDeviceSetupHandler::GetTriggerBehavior(uint8_t& enableTrigger) {
    const TExchangeResult result = ExecuteRequest(
        ProgrammerRequest(ProgrammerOp::GetTriggerBehavior), fSetup.timeouts.getTriggerBehavior);
    if (!result.Executed())
        return false;
    enableTrigger = result.reply.data[0];
    return true;
}

bool TDeviceSetupHandler::StoreConfiguration(uint16_t size, uint16_t crc) {
    TPacketFormat request = ProgrammerRequest(ProgrammerOp::StoreConfiguration);
    AppendValue(request, static_cast<uint32_t>(size));
    AppendValue(request, crc);
    return Execute(request, fSetup.timeouts.storeConfiguration);
}

bool TDeviceSetupHandler::StoreConfigurationData(std::span<const uint8_t> piece) {
    TPacketFormat request = ProgrammerRequest(ProgrammerOp::StoreConfigurationData);
    if (!AppendData(request, piece.data(), piece.size()))
        return false;
    return Execute(request, fSetup.timeouts.storeConfigurationData);
}

bool TDeviceSetupHandler::ReadConfiguration(uint8_t start, Bytes& buffer, size_t position) {
    const TExchangeResult result =
        ExecuteRequest(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::ReadConfiguration, start),
                       fSetup.timeouts.readConfiguration);
    if (!result.Executed())
        return false;
    if (buffer.size() < position + kPacketDataSize)
        buffer.resize(position + kPacketDataSize);
    std::memcpy(buffer.data() + position, result.reply.data, kPacketDataSize);
    return true;
}

bool TDeviceSetupHandler::GetConfigurationInfo(TDeviceConfigurationStruct& configInfo) {
    const TExchangeResult result =
        ExecuteRequest(ProgrammerRequest(ProgrammerOp::GetConfigurationInfo),
                       fSetup.timeouts.getConfigurationInfo);
    configInfo = ReadRecord<TDeviceConfigurationStruct>(result.reply);
    return result.Executed();
}

bool TDeviceSetupHandler::SetActiveChannel(uint16_t channel) {
    return Execute(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::SetActiveChannel, channel),
                   fSetup.timeouts.setActiveChannel);
}

bool TDeviceSetupHandler::StoreConfigurationImage(std::span<const uint8_t> image, uint16_t crc,
                                                  const TTransferProgress& progress) {
    if (image.size() > kMaxImageSize)
        return false;
    if (!StoreConfiguration(static_cast<uint16_t>(image.size()), crc))
        return false;
    for (size_t offset = 0; offset < image.size();) {
        const size_t count = std::min(image.size() - offset, kPacketDataSize);
        if (!StoreConfigurationData(image.subspan(offset, count)))
            return false;
        offset += count;
        if (progress)
            progress(offset, image.size());
    }
    return true;
}

TDeviceSetupHandler::TReadOutcome
TDeviceSetupHandler::ReadConfigurationImage(Bytes& image, const TTransferProgress& progress) {
    TDeviceConfigurationStruct info{};
    if (!GetConfigurationInfo(info) || info.configSize > kMaxImageSize)
        return TReadOutcome::InfoFailed;
    const size_t size = info.configSize;
    const size_t pieces = (size + kPacketDataSize - 1) / kPacketDataSize;
    Bytes buffer(pieces * kPacketDataSize);
    for (size_t piece = 0; piece < pieces; ++piece) {
        const uint8_t start = piece == 0 ? 1 : 0;
        if (!ReadConfiguration(start, buffer, piece * kPacketDataSize))
            return TReadOutcome::PieceFailed;
        if (progress)
            progress(std::min(size, (piece + 1) * kPacketDataSize), size);
    }
    buffer.resize(size);
    image = std::move(buffer);
    return TReadOutcome::Read;
}

void TDeviceSetupHandler::ParseResponse(const TPacketFormat& packet) {
    fSetup.exchange.Deliver(packet);
}

void TDeviceSetupHandler::ClearQueueBeforeOperation() {
    fSetup.exchange.DiscardPending();
}

} // namespace ardent
