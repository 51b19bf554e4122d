#include "OperatorPanel.h"

#include "flows/ProgramObjects.h"
#include "flows/TargetThread.h"
#include "targets/Target.h"

namespace ardent {

namespace {
const QColor kPassColour(0, 128, 0);
const QColor kFailColour(255, 0, 0);
const QColor kIdleColour(0, 0, 0);
// A burn whose result never came: the chips must be checked before they go on.
const char* const kUnknownVerdict = "????";

QLineEdit* ReadOnlyBox(QWidget* parent, const QRect& place, int pointSize) {
    auto* box = new QLineEdit(parent);
    box->setGeometry(place);
    box->setFrame(false);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    QFont font = box->font();
    font.setPointSize(pointSize);
    box->setFont(font);
    return box;
}

// 24 pt, or less where the desktop's font would cut "PASS" off in the 75-pixel box.
void FitVerdictFont(QLineEdit& box) {
    QFont font = box.font();
    for (int size = 24; size > 8; --size) {
        font.setPointSize(size);
        if (QFontMetrics(font).horizontalAdvance(QStringLiteral("PASS")) <= box.width() - 8) {
            break;
        }
    }
    box.setFont(font);
}

QLabel* Label(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}
} // namespace

TOperatorPanel::TOperatorPanel(QWidget* parent, TPanelHost& host) : TMainPanel(parent, host) {
    configurationNameBox = ReadOnlyBox(this, QRect(48, 23, 265, 23), 10);
    configurationNameBox->setMaxLength(32);
    configurationNameBox->setText(QStringLiteral("No config"));
    lblConnection = new QLabel(this);
    lblConnection->setGeometry(48, 5, 265, 16);
    paintConnection();
    Label(this, QStringLiteral("Messages"), 48, 52);
    messages = new TMessageBox(this);
    messages->setGeometry(48, 71, 507, 180);

    btnTrigger = new QPushButton(QStringLiteral("Trigger programmer"), this);
    btnTrigger->setGeometry(48, 271, 117, 62);
    btnTrigger->setToolTip(
        QStringLiteral("This button only triggers the setup within programmer HW."));
    // Enter burns as well as Space and a click: the scanner's Enter after the last serial number
    // moves the focus here, and the next Enter starts the burn.
    btnTrigger->setAutoDefault(true);
    connect(btnTrigger, &QPushButton::clicked, this, &TOperatorPanel::btnTriggerClick);

    const int labelX[4] = {185, 275, 368, 456};
    const int boxX[4] = {185, 275, 365, 456};
    for (int i = 0; i < 4; ++i) {
        Label(this, QStringLiteral("CH %1").arg(i + 1), labelX[i], 271);
        QLineEdit* box = ReadOnlyBox(this, QRect(boxX[i], 290, 75, 37), 24);
        box->setAlignment(Qt::AlignCenter);
        FitVerdictFont(*box);
        arrayList[static_cast<size_t>(i)] = box;
    }
    resultTimer.setSingleShot(true);
    connect(&resultTimer, &QTimer::timeout, this, &TOperatorPanel::resultTimerTimeout);
}

void TOperatorPanel::addLines(const QString& text, bool append) {
    if (append) {
        messages->AppendText(text);
    } else {
        messages->AddLine(text);
    }
}

void TOperatorPanel::clearMsgBox() {
    messages->Clear();
}

void TOperatorPanel::setButtonsEnabled(bool enable) {
    btnTrigger->setEnabled(enable);
}

void TOperatorPanel::paintAgain() {
    const TDeviceSetup& device = fHost.app.deviceSetup;
    configurationNameBox->setText(QString::fromLatin1(device.GetConfigurationName().c_str()));
    const TDeviceConfigurationStruct info = device.GetConfigurationInfo();
    setCRC(info.firmwareCrc, info.parameterId);
    paintConnection();
    const auto& target = fHost.app.currentTarget;
    // Repaints come with every notification, also while a burn runs: only an idle panel offers
    // the trigger, and it does not take the keyboard from an operator typing a serial number.
    const bool enabled = target && target->getTriggEn() && getCanChange();
    btnTrigger->setEnabled(enabled);
    if (enabled && !OperatorIsTyping()) {
        btnTrigger->setFocus();
    }
}

void TOperatorPanel::paintConnection() {
    const bool connected = fHost.app.deviceSetup.GetUSBConnectionStatus();
    lblConnection->setText(connected ? QStringLiteral("Programmer connected")
                                     : QStringLiteral("Programmer not connected"));
    QPalette palette = lblConnection->palette();
    palette.setColor(QPalette::WindowText, connected ? kPassColour : kFailColour);
    lblConnection->setPalette(palette);
}

bool TOperatorPanel::OperatorIsTyping() const {
    // The window's own focus, whether or not the window is active now.
    const auto* field = qobject_cast<const QLineEdit*>(window()->focusWidget());
    return field != nullptr && !field->isReadOnly() && isAncestorOf(field);
}

void TOperatorPanel::btnTriggerClick() {
    clearStatus();
    SendTargetCommand(TTargetThread::Trigger);
}

void TOperatorPanel::clearStatus() {
    resultTimer.stop();
    for (int i = 0; i < 4; ++i) {
        SetResultBox(i, QStringLiteral("----"), kIdleColour);
        boolStatus[static_cast<size_t>(i)] = false;
    }
}

void TOperatorPanel::SetResultBox(int channel, const QString& text, const QColor& colour) {
    QLineEdit* box = arrayList[static_cast<size_t>(channel)];
    box->setText(text);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Text, colour);
    box->setPalette(palette);
}

void TOperatorPanel::SetBurningStatus() {
    TMainPanel::SetBurningStatus();
    resultTimer.start(kPassShownMs);
    const auto& target = fHost.app.currentTarget;
    if (!target) {
        return;
    }
    TBurningStatusOverall status{};
    if (target->GetBurningStatus(status) != 0 || status.overallErrorCode != 0) {
        return;
    }
    for (int i = 0; i < 4; ++i) {
        const uint8_t state = status.channels[i].state;
        if (state == CHANNEL_PASSED) {
            SetResultBox(i, QStringLiteral("PASS"), kPassColour);
            boolStatus[static_cast<size_t>(i)] = true;
        } else if (state == CHANNEL_INACTIVE) {
            SetResultBox(i, QStringLiteral("----"), kIdleColour);
        } else {
            SetResultBox(i, QStringLiteral("FAIL"), kFailColour);
        }
    }
}

void TOperatorPanel::ReportUnknownBurnResult(const QString& line) {
    TMainPanel::ReportUnknownBurnResult(line);
    resultTimer.stop();
    for (int i = 0; i < 4; ++i) {
        SetResultBox(i, QString::fromLatin1(kUnknownVerdict), kFailColour);
        boolStatus[static_cast<size_t>(i)] = false;
    }
}

void TOperatorPanel::resultTimerTimeout() {
    resultTimer.stop();
    for (int i = 0; i < 4; ++i) {
        if (boolStatus[static_cast<size_t>(i)]) {
            SetResultBox(i, QStringLiteral("----"), kIdleColour);
            boolStatus[static_cast<size_t>(i)] = false;
        }
    }
}

void TOperatorPanel::setCRC(uint16_t, uint16_t) {}
void TOperatorPanel::hideCRC() {}
void TOperatorPanel::showCrc() {}

} // namespace ardent
