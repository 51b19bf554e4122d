#include "OperationThread.h"

#include "CalibrationHandler.h"
#include "ConfigurationHandler.h"
#include "ErrorLine.h"
#include "ResultCodes.h"
#include "configuration/ConfigurationLoader.h"
#include "utils/Errors.h"
#include "utils/Files.h"
#include "utils/NumberChecks.h"
#include "utils/Text.h"
#include "utils/VersionText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <exception>

namespace ardent {

namespace {

// Codes of the programmer's message table that some operations give as their result.
constexpr int32_t kCfgNotLoaded = 53; // "Info  = CFG_NOT_LOADED"
constexpr int32_t kInactive = 45;     // "INACTIVE"

// A channel item (1..4) as the channel index 0..3; nothing for any other text or number (the
// whole number counts: 65537 is not channel 1).
std::optional<uint16_t> ChannelIndex(const std::string& item) {
    int32_t value = 0;
    if (!StrToIntChecked(item, value) || value < 1 || value > 4)
        return std::nullopt;
    return static_cast<uint16_t>(value - 1);
}

} // namespace

TOperationThread::TOperationThread(std::string threadName, int operation,
                                   TOperationHandlers handlers, TOperationInput input,
                                   TConsole& console, const TRunResult& runResult)
    : name(std::move(threadName)), fHandlers(handlers), fInput(std::move(input)), fConsole(console),
      fReport(console), fRunResult(runResult) {
    // Indexed by the operation number.
    static constexpr std::array<TProcedure, 12> kProcedures = {
        &TOperationThread::DoSetBaudRate,
        &TOperationThread::DoGetFirmwareVersion,
        &TOperationThread::DoGetCrc,
        &TOperationThread::DoGetName,
        &TOperationThread::DoTriggerBehavior,
        &TOperationThread::DoStoreConfiguration,
        &TOperationThread::DoReadConfiguration,
        &TOperationThread::DoReadID,
        &TOperationThread::DoTrigger,
        &TOperationThread::DoSpecialCommand,
        &TOperationThread::DoSetChannel,
        &TOperationThread::DoDetectID,
    };
    if (operation >= 0 && static_cast<size_t>(operation) < kProcedures.size())
        execFunction = kProcedures[static_cast<size_t>(operation)];
}

TOperationThread::~TOperationThread() {
    WaitFor();
}

void TOperationThread::Start() {
    if (!fThread.joinable())
        fThread = std::thread([this] { Execute(); });
}

void TOperationThread::WaitFor() {
    if (fThread.joinable())
        fThread.join();
}

void TOperationThread::Execute() {
    operationResult = kNoResult;
    if (execFunction == nullptr)
        return;
    // An error ends the operation with the result of this moment, which the run reports; the
    // line says why, as the top-level handler's line does.
    try {
        (this->*execFunction)();
    } catch (const std::exception& error) {
        fConsole.WriteLine(ErrorLine(error));
    } catch (...) {
        fConsole.WriteLine(UnknownErrorLine());
    }
}

void TOperationThread::ReportResult(bool ok) {
    fConsole.WriteLine(ok ? kOperationSucceeded : kOperationFailed);
}

uint32_t TOperationThread::FailureResult() const {
    const int32_t code = fRunResult.Get();
    return code != 0 ? static_cast<uint32_t>(code) : kNoResult;
}

const std::string& TOperationThread::Item(size_t index) const {
    if (index >= fInput.parameters.size())
        throw IndexOutOfRangeError("List index out of bounds (" + std::to_string(index) + ")");
    return fInput.parameters[index];
}

void TOperationThread::DoSetBaudRate() {
    int32_t value = 0;
    // The whole number counts: 75136 is not 9600 although its low 16 bits are.
    if (!StrToIntChecked(Item(0), value) ||
        (value != 9600 && value != 19200 && value != 38400 && value != 57600)) {
        SetResult(ERROR_UNEX_INPUT);
        return;
    }
    if (fHandlers.deviceSetup.SetBaudRate(static_cast<uint32_t>(value)))
        SetResult(0);
}

void TOperationThread::DoGetFirmwareVersion() {
    TDeviceBurnerInfo info{};
    const bool ok = fHandlers.deviceSetup.GetDeviceSetup(info);
    if (ok) {
        fConsole.WriteLine("Firmware version is " + FormatVersion(info.firmwareVersion));
        SetResult(0);
        if (!IsFirmwareSupported(info.firmwareVersion))
            fConsole.WriteLine("Minimum required FW version is " + MinimumFirmwareVersionText());
    }
    ReportResult(ok);
}

void TOperationThread::DoGetCrc() {
    TDeviceConfigurationStruct description{};
    const bool ok = fHandlers.deviceSetup.GetConfigurationInfo(description);
    if (ok) {
        operationResult = static_cast<uint32_t>(description.crc) << 16;
        char text[8];
        std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(description.crc));
        fConsole.WriteLine(std::string("CRC = ") + text);
    } else {
        SetResult(kCfgNotLoaded);
    }
    ReportResult(ok);
}

void TOperationThread::DoGetName() {
    TDeviceConfigurationStruct description{};
    const bool ok = fHandlers.deviceSetup.GetConfigurationInfo(description);
    if (ok) {
        std::string configName(description.configName, sizeof description.configName);
        TrimAtNul(configName);
        fConsole.WriteLine(ShowableText(configName));
        SetResult(0);
    } else {
        SetResult(kCfgNotLoaded);
    }
    ReportResult(ok);
}

void TOperationThread::DoTriggerBehavior() {
    if (!fInput.parameters.empty()) {
        const uint8_t enable = EqualsIgnoringCase(Item(0), "enable") ? 1 : 0;
        if (fHandlers.deviceSetup.SetTriggerBehavior(enable))
            SetResult(0);
        return;
    }
    uint8_t flag = 0;
    if (fHandlers.deviceSetup.GetTriggerBehavior(flag))
        operationResult = (flag ^ 1u) & 0x7Fu;
}

void TOperationThread::DoStoreConfiguration() {
    Bytes image;
    uint16_t crc = 0;
    if (!TConfigurationHandler(fInput.cfgName).prepareConfigurationForSend(image, crc)) {
        SetResult(ERROR_FILE_CFG);
        return;
    }
    const bool ok = fHandlers.deviceSetup.StoreConfigurationImage(image, crc);
    operationResult = ok ? 0u : FailureResult();
    ReportResult(ok);
}

void TOperationThread::DoReadConfiguration() {
    Bytes image;
    switch (fHandlers.deviceSetup.ReadConfigurationImage(image)) {
    case TDeviceSetupHandler::TReadOutcome::InfoFailed:
        SetResult(kCfgNotLoaded);
        return;
    case TDeviceSetupHandler::TReadOutcome::PieceFailed:
        ReportResult(false);
        return;
    case TDeviceSetupHandler::TReadOutcome::Read:
        // Only an image the tool would load as a .cfg file is written: an empty programmer, a
        // fragment or a damaged image must not replace a good backup.
        if (TConfiguration checked;
            !TConfigurationLoader().loadConfigurationFromBuffer(image, checked)) {
            SetResult(ERROR_CFG_NOT_LOADED);
            return;
        }
        SaveBufferToFile(fInput.cfgName, image);
        SetResult(0);
        ReportResult(true);
        return;
    }
}

void TOperationThread::DoReadID() {
    if (fInput.parameters.size() != 2) {
        SetResult(ERROR_UNEX_INPUT);
        return;
    }
    const TTargetFamily device = TargetFamilyFromName(Item(0));
    const std::optional<uint16_t> channel = ChannelIndex(Item(1));
    if (device == TTargetFamily::NotRecognised || !channel) {
        SetResult(ERROR_UNEX_INPUT);
        return;
    }
    const TReadIDRequest request{static_cast<uint8_t>(*channel), FamilyNumber(device), 1, 1};
    // Any answer is shown, a refused one too: its record says why the channel failed.
    const TTargetIdReply reply = fHandlers.target.ReadID(request);
    if (reply.Answered() && fRecords != nullptr)
        fRecords->RecordReadId(reply.ids, device);
    operationResult = reply.Answered()
                          ? static_cast<uint32_t>(fReport.WriteReadIdResult(reply.ids, device))
                          : FailureResult();
}

void TOperationThread::DoTrigger() {
    // Like every request, the burn first drops what came for earlier ones.
    TBurningStatusOverall status{};
    fHandlers.target.ClearQueueBeforeOperation();
    if (!fHandlers.target.TriggerTarget(kToolTriggerByte) ||
        fHandlers.target.WaitTriggerStatus(status) != 0) {
        operationResult = FailureResult();
        return;
    }
    // The records are on disk before the verdict is printed: a script that reads the lines
    // finds the burn's records.
    if (fRecords != nullptr)
        fRecords->RecordBurn(status);
    fReport.WriteBurningStatus(status);
    if (status.overallErrorCode != 0) {
        operationResult = status.overallErrorCode;
        return;
    }
    uint32_t result = 0;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const TBurningStatusChannelSingle& single = status.channels[channel];
        uint32_t value = kNoResult;
        switch (single.state) {
        case CHANNEL_PASSED:
            value = 0;
            break;
        case CHANNEL_INACTIVE:
            value = kInactive;
            break;
        case CHANNEL_FAILED:
            // Each channel owns one byte: a code of 256 or more is held at 255 rather than
            // reaching into the next channel's byte and failing a channel that passed.
            value = std::min<uint32_t>(single.errorCode, 0xFF);
            break;
        default:
            break;
        }
        result |= value << (8 * channel);
    }
    operationResult = result;
}

void TOperationThread::DoSpecialCommand() {
    uint32_t result = kNoResult;
    fHandlers.calibration.SendCalibrationCommand(fInput.command, fInput.parameters, result);
    operationResult = result;
}

void TOperationThread::DoSetChannel() {
    const std::optional<uint16_t> channel = ChannelIndex(Item(0));
    if (!channel) {
        SetResult(ERROR_UNEX_INPUT);
        return;
    }
    const bool ok = fHandlers.deviceSetup.SetActiveChannel(*channel);
    operationResult = ok ? 0u : FailureResult();
}

void TOperationThread::DoDetectID() {
    operationResult = 0;
    const TTargetFamily device = TargetFamilyFromName(Item(0));
    if (device == TTargetFamily::NotRecognised) {
        SetResult(ERROR_UNEX_INPUT);
        return;
    }
    uint32_t failedChannels = 0;
    for (uint8_t channel = 0; channel < kChannelCount; ++channel) {
        const TReadIDRequest request{channel, FamilyNumber(device),
                                     static_cast<uint8_t>(channel == 0),
                                     static_cast<uint8_t>(channel == kChannelCount - 1)};
        const TTargetIdReply reply = fHandlers.target.ReadID(request);
        if (!reply.Answered() || fReport.WriteReadIdResult(reply.ids, device) != 0)
            failedChannels |= 1u << channel;
    }
    if (const int32_t reason = fRunResult.Get(); reason != 0)
        SetResult(reason);
    else if (failedChannels != 0)
        operationResult = failedChannels | 0xFFFF0000u;
}

} // namespace ardent
