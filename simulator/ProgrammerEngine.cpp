#include "ProgrammerEngine.h"

#include "utils/Bytes.h"
#include "utils/VersionText.h"

#include <algorithm>
#include <cstring>

namespace ardent::sim {

namespace {

constexpr uint8_t kExecuted = 0;

TPacketFormat ReplyTo(const TPacketFormat& request) {
    TPacketFormat reply{};
    reply.header.module = request.header.module;
    reply.header.opCode = request.header.opCode;
    return reply;
}

template <PacketValue T> void PutRecord(TPacketFormat& reply, const T& record) {
    std::memcpy(reply.data, &record, sizeof record);
    reply.header.dataSize = static_cast<uint8_t>(sizeof record);
}

// The request carries at least `count` meaningful data bytes.
bool Carries(const TPacketFormat& request, size_t count) {
    return request.header.dataSize >= count && count <= kPacketDataSize;
}

TPacketFormat BurnResultReport(const TBurningStatusOverall& status) {
    TPacketFormat report{};
    report.header.module = MODULE_TARGET;
    report.header.opCode = TargetOp::TriggerTarget;
    PutRecord(report, status);
    return report;
}

} // namespace

TProgrammerEngine::TProgrammerEngine(const TScenario& scenario)
    : mFirmwareVersion(scenario.firmwareVersion), mCardInserted(scenario.cardInserted),
      mBurnTimeMs(scenario.burnTimeMs), mChips(scenario.chips) {}

TEngineOutput TProgrammerEngine::HandleRequest(std::span<const uint8_t> report) {
    TEngineOutput output;
    switch (mFaults.OnRequest()) {
    case TFaultPlan::Action::Disconnect:
        output.dropLink = true;
        return output;
    case TFaultPlan::Action::Drop:
        return output;
    case TFaultPlan::Action::Execute:
        break;
    }
    TOutgoing reply = Execute(PacketFromBytes(report));
    mFaults.ShapeReply(reply);
    output.reports.push_back(reply);
    return output;
}

TOutgoing TProgrammerEngine::Execute(const TPacketFormat& request) {
    TOutgoing outgoing;
    outgoing.packet = ReplyTo(request);
    uint8_t status = kCodeIllegalCommand;
    switch (request.header.module) {
    case MODULE_PROGRAMMER:
        status = ExecuteProgrammer(request, outgoing.packet);
        break;
    case MODULE_TARGET:
        status = ExecuteTarget(request, outgoing.packet, outgoing.delayMs);
        break;
    case MODULE_VOLTAGE:
    case MODULE_SERVICE:
        status = ExecuteService(request, outgoing.packet);
        break;
    default:
        break;
    }
    outgoing.packet.header.status = status;
    return outgoing;
}

uint8_t TProgrammerEngine::ExecuteProgrammer(const TPacketFormat& request, TPacketFormat& reply) {
    switch (request.header.opCode) {
    case ProgrammerOp::GetDeviceSetup: {
        TDeviceBurnerInfo info{};
        info.firmwareVersion = mFirmwareVersion;
        info.cardInserted = mCardInserted ? 1 : 0;
        if (mStoredImage) {
            std::memcpy(info.configName, mSummary.rawName, sizeof mSummary.rawName);
        }
        PutRecord(reply, info);
        return kExecuted;
    }
    case ProgrammerOp::SetBaudRate:
        if (!Carries(request, 4)) {
            return kCodeIllegalCommand;
        }
        ReadValueAt(request, 0, mBaudRate);
        return kExecuted;
    case ProgrammerOp::StoreConfiguration: {
        if (!Carries(request, 6)) {
            return kCodeIllegalCommand;
        }
        TPendingStore pending;
        ReadValueAt(request, 0, pending.size);
        ReadValueAt(request, 4, pending.crc);
        mPendingStore.reset();
        if (pending.size < kSmallestImage || pending.size > kLargestImage) {
            return static_cast<uint8_t>(kCodeStoreConfig);
        }
        pending.bytes.reserve(pending.size);
        mPendingStore = std::move(pending);
        return kExecuted;
    }
    case ProgrammerOp::StoreConfigurationData:
        return StoreData(request);
    case ProgrammerOp::ReadConfiguration: {
        if (!Carries(request, 1)) {
            return kCodeIllegalCommand;
        }
        if (!mStoredImage) {
            return kCodeConfigNotLoaded;
        }
        if (request.data[0] == 1) {
            mReadPosition = 0;
        }
        const Bytes& image = *mStoredImage;
        const size_t count = std::min(kPacketDataSize, image.size() - mReadPosition);
        std::memcpy(reply.data, image.data() + mReadPosition, count);
        reply.header.dataSize = static_cast<uint8_t>(count);
        mReadPosition += count;
        return kExecuted;
    }
    case ProgrammerOp::GetConfigurationInfo: {
        TDeviceConfigurationStruct info{};
        if (mStoredImage) {
            std::memcpy(info.configName, mSummary.rawName, sizeof info.configName);
            info.configSize = mSummary.configSize;
            info.chSelection = mSummary.channelSelection;
            info.targetType = mSummary.targetType;
            info.crc = mSummary.crc;
            info.parameterId = mSummary.parameterId;
            info.firmwareCrc = mSummary.firmwareCrc;
        }
        PutRecord(reply, info);
        return kExecuted;
    }
    case ProgrammerOp::SetTriggerBehavior:
        if (!Carries(request, 3)) {
            return kCodeIllegalCommand;
        }
        std::memcpy(mTriggerBehavior.data(), request.data, mTriggerBehavior.size());
        return kExecuted;
    case ProgrammerOp::GetTriggerBehavior:
        reply.data[0] = mTriggerBehavior[0];
        reply.header.dataSize = 1;
        return kExecuted;
    case ProgrammerOp::SetActiveChannel: {
        uint16_t channel = 0;
        if (!Carries(request, 2) || !ReadValueAt(request, 0, channel) || channel >= kChannelCount) {
            return kCodeIllegalCommand;
        }
        mActiveChannel = channel;
        return kExecuted;
    }
    default:
        return kCodeIllegalCommand;
    }
}

uint8_t TProgrammerEngine::StoreData(const TPacketFormat& request) {
    const size_t count = request.header.dataSize;
    if (!mPendingStore || count == 0 || count > kPacketDataSize ||
        count > mPendingStore->size - mPendingStore->bytes.size()) {
        // Out of order or past the announced size: the whole store is void.
        mPendingStore.reset();
        return static_cast<uint8_t>(kCodeStoreConfig);
    }
    Bytes& bytes = mPendingStore->bytes;
    bytes.insert(bytes.end(), request.data, request.data + count);
    if (bytes.size() < mPendingStore->size) {
        return kExecuted;
    }
    // The whole image is here: it replaces the stored one only when it checks out, so a failed
    // store never leaves a damaged configuration behind.
    const TPendingStore pending = std::move(*mPendingStore);
    mPendingStore.reset();
    const uint16_t code = CheckImage(pending.bytes, pending.crc);
    if (code != 0) {
        return static_cast<uint8_t>(code);
    }
    mStoredImage = pending.bytes;
    mSummary = SummarizeImage(*mStoredImage);
    mReadPosition = 0;
    return kExecuted;
}

uint8_t TProgrammerEngine::ExecuteTarget(const TPacketFormat& request, TPacketFormat& reply,
                                         uint32_t& delayMs) {
    switch (request.header.opCode) {
    case TargetOp::ReadID: {
        TReadIDRequest read{};
        if (!Carries(request, sizeof read) || !ReadValueAt(request, 0, read) ||
            read.channelNumber >= kChannelCount) {
            return kCodeIllegalCommand;
        }
        PutRecord(reply, mChips[read.channelNumber].IdRecord(read.channelNumber, read.targetType));
        return kExecuted;
    }
    case TargetOp::TriggerTarget:
        if (!Carries(request, 1)) {
            return kCodeIllegalCommand;
        }
        PutRecord(reply, Burn());
        delayMs = mBurnTimeMs;
        return kExecuted;
    case TargetOp::GetLoggerInformation:
        if (!Carries(request, 1) || request.data[0] >= kChannelCount) {
            return kCodeIllegalCommand;
        }
        PutRecord(reply, LoggerRecord(request.data[0]));
        return kExecuted;
    default:
        return kCodeIllegalCommand;
    }
}

TBurningStatusOverall TProgrammerEngine::Burn() {
    TBurningStatusOverall status{};
    const uint32_t selection = mStoredImage ? mSummary.channelSelection & 0x0F : 0;
    const uint8_t family = static_cast<uint8_t>(mSummary.targetType);
    if (!mStoredImage) {
        status.overallErrorCode = kCodeConfigNotLoaded;
        return status;
    }
    if (selection == 0) {
        status.overallErrorCode = kCodeNoSelectedChannels;
        return status;
    }
    for (size_t channel = 0; channel < kChannelCount; ++channel) {
        const TVirtualChip& chip = mChips[channel];
        const bool selected = (selection >> channel) & 1U;
        if (TargetFamilyFromNumber(mSummary.targetType) == TTargetFamily::NotRecognised ||
            (selected && chip.IsPresent() && !chip.AcceptsFamily(family))) {
            status.overallErrorCode = kCodeWrongTargetType;
            return status;
        }
    }
    for (size_t channel = 0; channel < kChannelCount; ++channel) {
        TBurningStatusChannelSingle& result = status.channels[channel];
        result.channelNo = static_cast<uint8_t>(channel);
        TVirtualChip& chip = mChips[channel];
        if (((selection >> channel) & 1U) == 0) {
            result.state = CHANNEL_INACTIVE;
            result.errorCode = kCodeInactive;
        } else {
            const TBurnVerdict verdict = chip.TakeVerdict();
            if (!chip.IsPresent() || verdict.kind == TBurnVerdict::Kind::Absent) {
                result.state = CHANNEL_FAILED;
                result.errorCode = kCodeSync;
            } else if (verdict.kind == TBurnVerdict::Kind::Fail) {
                result.state = CHANNEL_FAILED;
                result.errorCode = verdict.errorCode;
            } else {
                if (chip.Family() == kBlankFamily) {
                    // A blank part of no stated family turns out to be the part the
                    // configuration expects: it carries the IDs expected before burning.
                    chip.ApplyBurn(family, mSummary.before);
                }
                chip.ApplyBurn(family, mSummary.after);
                result.state = CHANNEL_PASSED;
            }
        }
        mLastBurn[channel] = result;
    }
    return status;
}

TProcessTargetSendId TProgrammerEngine::LoggerRecord(uint8_t channel) const {
    const auto& last = mLastBurn[channel];
    if (last && last->state == CHANNEL_PASSED) {
        return mChips[channel].IdRecord(channel, mChips[channel].Family());
    }
    TProcessTargetSendId record{};
    record.channelNumber = channel;
    record.channelState = last ? last->state : CHANNEL_INACTIVE;
    record.channelErrorCode = last ? last->errorCode : kCodeInactive;
    return record;
}

uint8_t TProgrammerEngine::ExecuteService(const TPacketFormat& request, TPacketFormat& reply) {
    const bool voltage = request.header.module == MODULE_VOLTAGE;
    const uint8_t op = request.header.opCode;
    const bool known = voltage ? (op == VoltageOp::VoltageCycle || op == VoltageOp::SetVoltage)
                               : (op >= ServiceOp::Sync && op <= ServiceOp::WriteAparam);
    if (!known) {
        return kCodeIllegalCommand;
    }
    int32_t result = 0;
    const TVirtualChip& chip = mChips[mActiveChannel];
    auto& aparams = mAparams[mActiveChannel];
    uint16_t offset = 0;
    uint16_t value = 0;
    if (!voltage && !chip.IsPresent()) {
        result = kCodeSync; // the service commands talk to the chip, and nothing answers
    } else if (!voltage && (op == ServiceOp::BurnAparam || op == ServiceOp::WriteAparam) &&
               request.header.dataSize == 4) {
        ReadValueAt(request, 0, offset);
        ReadValueAt(request, 2, value);
        aparams[offset] = value;
    } else if (!voltage && op == ServiceOp::ReadAparam && request.header.dataSize == 2) {
        ReadValueAt(request, 0, offset);
        const auto found = aparams.find(offset);
        result = found == aparams.end() ? 0 : found->second;
    }
    result = mServiceResult.value_or(result);
    std::memcpy(reply.data, &result, sizeof result);
    reply.header.dataSize = sizeof result;
    return kExecuted;
}

TEngineOutput TProgrammerEngine::PressExternalTrigger() {
    TEngineOutput output;
    if (!ExternalTriggerArmed()) {
        return output; // a switched-off input starts no burn
    }
    TPacketFormat event{};
    event.header.module = MODULE_EVENT;
    event.header.opCode = EventOp::ExternalTriggerEvent;
    output.reports.push_back({event, 0});
    output.reports.push_back({BurnResultReport(Burn()), mBurnTimeMs});
    return output;
}

TEngineOutput TProgrammerEngine::SetCardInserted(bool inserted) {
    TEngineOutput output;
    if (inserted == mCardInserted) {
        return output;
    }
    mCardInserted = inserted;
    TPacketFormat event{};
    event.header.module = MODULE_EVENT;
    event.header.opCode = EventOp::SdCardEvent;
    event.header.dataSize = 1;
    event.data[0] = inserted ? 1 : 0;
    output.reports.push_back({event, 0});
    return output;
}

void TProgrammerEngine::OnLinkOpened() {
    mPendingStore.reset();
    mReadPosition = 0;
}

uint16_t TProgrammerEngine::StoreImage(std::span<const uint8_t> image) {
    if (image.size() < kSmallestImage) {
        return kCodeStoreConfig;
    }
    const uint16_t crc =
        static_cast<uint16_t>(image[image.size() - 2] | (image[image.size() - 1] << 8));
    const uint16_t code = CheckImage(image, crc);
    if (code == 0) {
        mStoredImage = Bytes(image.begin(), image.end());
        mSummary = SummarizeImage(*mStoredImage);
        mReadPosition = 0;
    }
    return code;
}

void TProgrammerEngine::ClearStoredImage() {
    mStoredImage.reset();
    mSummary = TImageSummary{};
    mReadPosition = 0;
}

std::string TProgrammerEngine::Describe() const {
    std::string text = std::string(mPlugged ? "plugged" : "unplugged") + ", firmware " +
                       FormatVersion(mFirmwareVersion) + ", SD card " +
                       (mCardInserted ? "inserted" : "removed") + ", burn time " +
                       std::to_string(mBurnTimeMs) + " ms, external trigger " +
                       (ExternalTriggerArmed() ? "armed" : "off") + "\n";
    if (mStoredImage) {
        text += "configuration \"" + mSummary.configName + "\", " +
                std::to_string(mSummary.configSize) + " bytes, " +
                FamilyName(static_cast<uint8_t>(mSummary.targetType)) + ", channel selection " +
                std::to_string(mSummary.channelSelection) + "\n";
    } else {
        text += "no configuration\n";
    }
    for (size_t channel = 0; channel < kChannelCount; ++channel) {
        const TVirtualChip& chip = mChips[channel];
        text += "channel " + std::to_string(channel + 1) + ": " + chip.Describe() + ", next " +
                VerdictText(chip.Verdicts().front()) + "\n";
    }
    text += "faults: " + mFaults.Describe();
    return text;
}

} // namespace ardent::sim
