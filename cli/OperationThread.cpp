#include "OperationThread.h"

#include "CalibrationHandler.h"
#include "ConfigurationHandler.h"
#include "ErrorLine.h"
#include "ResultCodes.h"
#include "ServiceCommands.h"
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

// The stored configuration as the programmer describes it.
TConfigurationFacts DescribedConfiguration(const TDeviceConfigurationStruct& description) {
    std::string configName(description.configName, sizeof description.configName);
    TrimAtNul(configName);
    TConfigurationFacts facts;
    facts.source = "programmer";
    facts.name = configName;
    facts.size = description.configSize;
    facts.crc = description.crc;
    facts.targetType = description.targetType;
    facts.channelSelection = description.chSelection;
    return facts;
}

// A service command as sent: its row, the family its first item names (every one but -setVoltage
// and -sync starts with the chip family), the data bytes of the request and the answer.
TServiceFacts ServiceFacts(uint16_t command, const std::vector<std::string>& items,
                           const TPacketFormat& request, bool sent, uint32_t result) {
    TServiceFacts facts;
    if (const TSpecialCommandInfo* row = FindSpecialCommand(command)) {
        facts.command = std::string(row->name);
        facts.module = row->module;
        facts.opCode = row->opCode;
    }
    if (command != CMD_SET_VOLTAGE && command != CMD_SYNC && !items.empty()) {
        if (const TTargetFamily family = TargetFamilyFromName(items.front());
            family != TTargetFamily::NotRecognised)
            facts.device = std::string(TargetFamilyName(family));
    }
    if (sent) {
        const size_t count = std::min<size_t>(request.header.dataSize, sizeof request.data);
        facts.requestData.assign(request.data, request.data + count);
    }
    facts.sent = sent;
    facts.answer = static_cast<int32_t>(result);
    return facts;
}

// Progress of a transfer under the name `what`.
TTransferProgress TransferProgress(TProgress& progress, std::string_view what) {
    if (!progress.Shown())
        return {};
    return [&progress, what](size_t done, size_t total) { progress.Transfer(what, done, total); };
}

} // namespace

TOperationThread::TOperationThread(std::string threadName, int operation,
                                   TOperationHandlers handlers, TOperationInput input,
                                   TConsole& console, const TRunResult& runResult,
                                   TRunReport& report, TProgress& progress)
    : name(std::move(threadName)), fHandlers(handlers), fInput(std::move(input)), fConsole(console),
      fReport(console), fRunResult(runResult), fRunReport(report), fProgress(progress) {
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
        ReportError(ErrorLine(error));
    } catch (...) {
        ReportError(UnknownErrorLine());
    }
}

void TOperationThread::ReportError(const std::string& line) {
    // A transfer or burn broken off ends its progress line before the error's line.
    fProgress.End();
    fConsole.WriteLine(line);
    fRunReport.SetMessage(line);
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
    if (fHandlers.deviceSetup.SetBaudRate(static_cast<uint32_t>(value))) {
        SetResult(0);
        fRunReport.SetBaudRate(static_cast<uint32_t>(value));
    }
}

void TOperationThread::DoGetFirmwareVersion() {
    TDeviceBurnerInfo info{};
    const bool ok = fHandlers.deviceSetup.GetDeviceSetup(info);
    if (ok) {
        fConsole.WriteLine("Firmware version is " + FormatVersion(info.firmwareVersion));
        fRunReport.SetFirmware({info.firmwareVersion, IsFirmwareSupported(info.firmwareVersion),
                                info.cardInserted == 1});
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
        fRunReport.SetConfiguration(DescribedConfiguration(description));
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
        TConfigurationFacts stored = DescribedConfiguration(description);
        fConsole.WriteLine(ShowableText(stored.name));
        SetResult(0);
        fRunReport.SetConfiguration(std::move(stored));
    } else {
        SetResult(kCfgNotLoaded);
    }
    ReportResult(ok);
}

void TOperationThread::DoTriggerBehavior() {
    if (!fInput.parameters.empty()) {
        const uint8_t enable = EqualsIgnoringCase(Item(0), "enable") ? 1 : 0;
        if (fHandlers.deviceSetup.SetTriggerBehavior(enable)) {
            SetResult(0);
            fRunReport.SetTriggerEnabled(enable == 1);
        }
        return;
    }
    uint8_t flag = 0;
    if (fHandlers.deviceSetup.GetTriggerBehavior(flag)) {
        operationResult = (flag ^ 1u) & 0x7Fu;
        fRunReport.SetTriggerEnabled(flag == 1);
    }
}

void TOperationThread::DoStoreConfiguration() {
    Bytes image;
    uint16_t crc = 0;
    TConfigurationHandler file(fInput.cfgName);
    if (!file.prepareConfigurationForSend(image, crc)) {
        SetResult(ERROR_FILE_CFG);
        return;
    }
    if (std::optional<TConfigurationFacts> facts = file.Facts()) {
        // The image as sent, whatever became of the file since it was read.
        facts->size = static_cast<uint32_t>(image.size());
        facts->crc = crc;
        fRunReport.SetConfiguration(std::move(*facts));
    }
    // The bar shows at once: the announcement alone may take a while to be answered.
    if (fProgress.Shown())
        fProgress.Transfer("Storing", 0, image.size());
    const bool ok = fHandlers.deviceSetup.StoreConfigurationImage(
        image, crc, TransferProgress(fProgress, "Storing"));
    fProgress.End();
    operationResult = ok ? 0u : FailureResult();
    if (ok)
        fRunReport.SetTransferred(image.size());
    ReportResult(ok);
}

void TOperationThread::DoReadConfiguration() {
    Bytes image;
    const TDeviceSetupHandler::TReadOutcome outcome =
        fHandlers.deviceSetup.ReadConfigurationImage(image, TransferProgress(fProgress, "Reading"));
    fProgress.End();
    switch (outcome) {
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
        if (std::optional<TConfigurationFacts> facts =
                TConfigurationHandler(fInput.cfgName).Facts()) {
            facts->source = "programmer";
            facts->size = static_cast<uint32_t>(image.size());
            fRunReport.SetConfiguration(std::move(*facts));
        }
        fRunReport.SetTransferred(image.size());
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
    if (reply.Answered()) {
        fRunReport.AddChannelIds(ChannelIdFacts(reply.ids, device));
        if (fRecords != nullptr)
            fRecords->RecordReadId(reply.ids, device);
    }
    operationResult = reply.Answered()
                          ? static_cast<uint32_t>(fReport.WriteReadIdResult(reply.ids, device))
                          : FailureResult();
}

void TOperationThread::DoTrigger() {
    // Like every request, the burn first drops what came for earlier ones.
    TBurningStatusOverall status{};
    fHandlers.target.ClearQueueBeforeOperation();
    bool burned = false;
    {
        const TWaitTicker ticker(fProgress, "Burning");
        burned = fHandlers.target.TriggerTarget(kToolTriggerByte) &&
                 fHandlers.target.WaitTriggerStatus(status) == 0;
    }
    if (!burned) {
        operationResult = FailureResult();
        return;
    }
    // The records are on disk before the verdict is printed: a script that reads the lines
    // finds the burn's records.
    if (fRecords != nullptr)
        fRecords->RecordBurn(status);
    fReport.WriteBurningStatus(status);
    fRunReport.SetBurn(BurnFacts(status));
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
    const bool sent =
        fHandlers.calibration.SendCalibrationCommand(fInput.command, fInput.parameters, result);
    operationResult = result;
    fRunReport.SetService(ServiceFacts(fInput.command, fInput.parameters,
                                       fHandlers.calibration.Request(), sent, result));
}

void TOperationThread::DoSetChannel() {
    const std::optional<uint16_t> channel = ChannelIndex(Item(0));
    if (!channel) {
        SetResult(ERROR_UNEX_INPUT);
        return;
    }
    const bool ok = fHandlers.deviceSetup.SetActiveChannel(*channel);
    operationResult = ok ? 0u : FailureResult();
    if (ok)
        fRunReport.SetActiveChannel(*channel + 1);
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
        if (reply.Answered())
            fRunReport.AddChannelIds(ChannelIdFacts(reply.ids, device));
        if (!reply.Answered() || fReport.WriteReadIdResult(reply.ids, device) != 0)
            failedChannels |= 1u << channel;
    }
    if (const int32_t reason = fRunResult.Get(); reason != 0)
        SetResult(reason);
    else if (failedChannels != 0)
        operationResult = failedChannels | 0xFFFF0000u;
}

} // namespace ardent
