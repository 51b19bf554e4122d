#include "MainPanel.h"

#include "Dialogs.h"
#include "flows/DeviceSetupThread.h"
#include "flows/ProgramObjects.h"
#include "flows/TargetThread.h"
#include "operations/PacketExchange.h"
#include "targets/Target.h"

namespace ardent {

namespace {

const char* TargetLine(int command) {
    switch (command) {
    case TTargetThread::Trigger:
        return "Trigger operation started...";
    case TTargetThread::ExternalTrigger:
        return "External trigger started...";
    case TTargetThread::ReadFirstChannel:
        return "Read IDs from first channel started...";
    case TTargetThread::DetectAllChannels:
        return "Detect IDs on all channels started...";
    default:
        return nullptr;
    }
}

const char* DeviceSetupLine(int command) {
    switch (command) {
    case TDeviceSetupThread::SetBaudRate:
        return "Set baud rate...";
    case TDeviceSetupThread::Initialization:
        return "Initialization...";
    case TDeviceSetupThread::SetTriggerBehavior:
        return "Set trigger behavior...";
    case TDeviceSetupThread::StoreConfiguration:
        return "Store configuration started...";
    case TDeviceSetupThread::ReadConfiguration:
        return "Read configuration started...";
    default:
        return nullptr;
    }
}

} // namespace

TMainPanel::TMainPanel(QWidget* parent, TPanelHost& host) : QFrame(parent), fHost(host) {
    operationGuard.setSingleShot(true);
    connect(&operationGuard, &QTimer::timeout, this, &TMainPanel::operationGuardTimeout);
}

QString TMainPanel::getErrorText(uint32_t code) {
    const std::string_view text = ErrorCodeText(code);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString TMainPanel::StatusLine(int channel, uint8_t state, uint32_t errorCode) {
    QString line = QStringLiteral("Status channel [%1] : ").arg(channel);
    if (state == CHANNEL_PASSED) {
        line += QLatin1String("PASS");
    } else if (state == CHANNEL_INACTIVE) {
        line += QLatin1String("INACTIVE");
    } else if (state == CHANNEL_FAILED) {
        line += getErrorText(errorCode);
    }
    return line;
}

const char* const TMainPanel::kNoBurnResultLine =
    "No burn result arrived: the state of the chips is unknown.";
const char* const TMainPanel::kLinkLostDuringBurnLine =
    "The programmer was disconnected during burning: the state of the chips is unknown.";

QString TMainPanel::FirmwareUpdateText() {
    return QStringLiteral("Firmware of the connected programmer needs to be updated to version ") +
           QString::fromStdString(TDeviceSetup::MinimumFirmwareVersionString()) +
           QStringLiteral(" or higher.") + QStringLiteral("\r\n") +
           QStringLiteral("Refer to the user manual chapter 6 to get more information.");
}

bool TMainPanel::CanReachProgrammer() {
    if (!fHost.app.IsConnected()) {
        fHost.dialogs.Error(this,
                            QStringLiteral("Can not connect to programmer. Check usb connection!"));
        return false;
    }
    if (!fHost.app.deviceSetup.CheckFwVersion()) {
        fHost.dialogs.Error(this, FirmwareUpdateText());
        return false;
    }
    return true;
}

bool TMainPanel::checkCanSend() {
    if (!CanReachProgrammer()) {
        return false;
    }
    clearMsgBox();
    buttDisable();
    return true;
}

bool TMainPanel::burnLoggedUnderWrongFamily(int command) {
    TProgramObjects& app = fHost.app;
    const uint32_t stored = app.StoredFamilyMismatch();
    if (command != TTargetThread::Trigger || stored == 0 || !app.currentLogger ||
        !app.currentLogger->isStarted()) {
        return false;
    }
    const QString storedName = QString::fromStdString(TargetTypeName(stored));
    fHost.dialogs.Error(
        this, QStringLiteral("The configuration in the programmer is for %1, but the target is "
                             "%2: the burn would be logged under the wrong family. Select %1 in "
                             "the Target menu (expert mode) first.")
                  .arg(storedName, QString::fromStdString(app.currentTarget->GetTargetName())));
    return true;
}

bool TMainPanel::SendTargetCommand(int command) {
    const char* line = TargetLine(command);
    if (line == nullptr || burnLoggedUnderWrongFamily(command) || !checkCanSend()) {
        return false;
    }
    return StartTargetFlow(command, line);
}

bool TMainPanel::StartTargetFlow(int command, const char* line) {
    addLines(QString::fromLatin1(line), false);
    TProgramObjects& app = fHost.app;
    if (!TTargetThread::Start(app.runner, "target", app.Context(fHost.sink), command,
                              app.currentTarget, app.currentLogger)) {
        if (fBurnsAwaited == 0) {
            buttEnable();
        }
        return false;
    }
    if (command == TTargetThread::Trigger || command == TTargetThread::ExternalTrigger) {
        // Until its result is shown no repaint may offer the trigger again: a second press would
        // burn the same chips twice.
        ++fBurnsAwaited;
        fBurnTimeoutReported = false;
        canPaintAgain = false;
    }
    return true;
}

void TMainPanel::ExternalTriggerPressed() {
    if (canChPanel) {
        SendTargetCommand(TTargetThread::ExternalTrigger);
        return;
    }
    // Busy with an operation of its own: that operation's lines stay, and the guard now waits
    // for this burn too.
    if (!CanReachProgrammer()) {
        return;
    }
    buttDisable();
    StartTargetFlow(TTargetThread::ExternalTrigger, TargetLine(TTargetThread::ExternalTrigger));
}

void TMainPanel::BurnReported() {
    if (fBurnsAwaited > 0) {
        --fBurnsAwaited;
    }
    if (fBurnsAwaited == 0) {
        canPaintAgain = true;
        buttEnable();
    }
}

bool TMainPanel::SendDeviceSetupCommand(int command) {
    const char* line = DeviceSetupLine(command);
    if (line == nullptr || !checkCanSend()) {
        return false;
    }
    addLines(QString::fromLatin1(line), false);
    if (!TDeviceSetupThread::Start(fHost.app.runner, "setup", fHost.app.Context(fHost.sink),
                                   command)) {
        buttEnable();
        return false;
    }
    return true;
}

void TMainPanel::InitializationFromDevice() {
    TDeviceSetupThread::Start(fHost.app.runner, "initialization", fHost.app.Context(fHost.sink),
                              TDeviceSetupThread::Initialization);
}

void TMainPanel::buttDisable() {
    setButtonsEnabled(false);
    canChPanel = false;
    operationGuard.start(kOperationGuardMs);
}

void TMainPanel::buttEnable() {
    if (!canPaintAgain) {
        return;
    }
    operationGuard.stop();
    setButtonsEnabled(true);
    canChPanel = true;
}

void TMainPanel::operationGuardTimeout() {
    const bool burnLost = fBurnsAwaited > 0;
    fBurnsAwaited = 0;
    canPaintAgain = true;
    buttEnable();
    paintAgain();
    writeUnsuccessMsg();
    if (burnLost) {
        fBurnTimeoutReported = true;
        ReportUnknownBurnResult(QString::fromLatin1(kNoBurnResultLine));
    }
}

void TMainPanel::writeUnsuccessMsg() {
    addLines(QStringLiteral("Operation timeout is expired."), false);
}

void TMainPanel::SetBurningStatus() {
    const auto& target = fHost.app.currentTarget;
    if (!target) {
        return;
    }
    TBurningStatusOverall status{};
    const int32_t response = target->GetBurningStatus(status);
    // No result arrived (the wait ran out, or the programmer went away): its zero record holds
    // no verdicts, and the chips may or may not have been burned.
    if (response == kResultNoAnswer) {
        if (!fBurnTimeoutReported) {
            ReportUnknownBurnResult(QString::fromLatin1(kNoBurnResultLine));
        }
        fBurnTimeoutReported = false;
        return;
    }
    if (response == kResultLinkLost) {
        ReportUnknownBurnResult(QString::fromLatin1(kLinkLostDuringBurnLine));
        return;
    }
    if (status.isCardUsed != 0) {
        addLines(QStringLiteral("SD card config was used during burning."), false);
    }
    if (status.overallErrorCode != 0) {
        addLines(getErrorText(status.overallErrorCode), false);
        return;
    }
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const auto& entry = status.channels[channel];
        addLines(StatusLine(channel + 1, entry.state, entry.errorCode), false);
    }
}

void TMainPanel::ReportUnknownBurnResult(const QString& line) {
    addLines(line, false);
}

void TMainPanel::SetDetectStatus() {
    const auto& target = fHost.app.currentTarget;
    if (!target) {
        return;
    }
    for (int channel = 0; channel < kChannelCount; ++channel) {
        TProcessTargetSendId ids{};
        target->GetReadIds(channel, ids);
        addLines(StatusLine(channel + 1, ids.channelState, ids.channelErrorCode), false);
    }
}

} // namespace ardent
