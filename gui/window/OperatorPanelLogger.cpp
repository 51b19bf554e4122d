#include "OperatorPanelLogger.h"

#include "Dialogs.h"
#include "flows/ProgramObjects.h"
#include "targets/Target.h"

#include <QEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

namespace ardent {

namespace {

QLineEdit* CrcBox(QWidget* parent, int x) {
    auto* box = new QLineEdit(parent);
    box->setGeometry(x, 24, 78, 37);
    box->setFrame(false);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    QFont font = box->font();
    font.setPointSize(18);
    box->setFont(font);
    return box;
}

QLabel* CrcLabel(QWidget* parent, const QString& text, int x) {
    auto* label = new QLabel(text, parent);
    label->move(x, 5);
    label->adjustSize();
    label->hide();
    return label;
}

QLineEdit* InputField(QWidget* parent, const QString& title, int x, int width) {
    auto* label = new QLabel(title, parent);
    label->move(x, 15);
    label->adjustSize();
    auto* field = new QLineEdit(parent);
    field->setGeometry(x, 30, width, 21);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Disabled, QPalette::Base, palette.color(QPalette::Midlight));
    field->setPalette(palette);
    return field;
}

QString Hex4(uint16_t value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

TOperatorPanelLogger::TOperatorPanelLogger(QWidget* parent, TPanelHost& host)
    : TOperatorPanel(parent, host) {
    lblPar = CrcLabel(this, QStringLiteral("Param ID"), 361);
    parameterIdBox = CrcBox(this, 360);
    lblFw = CrcLabel(this, QStringLiteral("FW CRC"), 478);
    firmwareCrcBox = CrcBox(this, 477);

    logInputGroup = new QGroupBox(this);
    logInputGroup->setGeometry(48, 357, 507, 63);
    logInputGroup->setToolTip(
        QStringLiteral("Start the logging process by ticking the \"Start Logging\" checkbox. "));
    logInputGroup->setAutoFillBackground(true);
    chkLogFile = new QCheckBox(QStringLiteral("Start logging"), this);
    chkLogFile->setGeometry(59, 349, chkLogFile->sizeHint().width(), 17);
    chkLogFile->setFocusPolicy(Qt::NoFocus);
    chkLogFile->raise();
    connect(chkLogFile, &QCheckBox::clicked, this, &TOperatorPanelLogger::chkLogFileClick);

    // A comma would split a log line's columns and a control byte its lines: neither can be
    // typed or pasted into a log input.
    auto* validator = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^,\\x00-\\x1f\\x7f]*")), this);
    edtComment = InputField(logInputGroup, QStringLiteral("Comment"), 10, 107);
    ConnectLogInput(*edtComment, 3, *validator);
    const int serialX[4] = {137, 227, 317, 408};
    for (int i = 0; i < 4; ++i) {
        QLineEdit* field =
            InputField(logInputGroup, QStringLiteral("Serial%1").arg(i + 1), serialX[i], 75);
        ConnectLogInput(*field, i + 4, *validator);
        serialArray[static_cast<size_t>(i)] = field;
    }
    setTabOrder(edtComment, serialArray[0]);
    for (size_t i = 0; i + 1 < serialArray.size(); ++i) {
        setTabOrder(serialArray[i], serialArray[i + 1]);
    }

    if (fHost.app.currentTarget) {
        fHost.app.currentTarget->setTriggEn(true);
    }
    allChEnable = !fHost.app.settings->GetConfiguration().skipInactive;
    setLoggerEnabled();
}

void TOperatorPanelLogger::setLoggerEnabled() {
    const bool enabled = fHost.app.settings->GetConfiguration().loggerEnabled;
    setCheckBoxFromCode(enabled);
    QPalette palette = logInputGroup->palette();
    palette.setColor(QPalette::Window, enabled ? this->palette().color(QPalette::Window)
                                               : this->palette().color(QPalette::Button));
    logInputGroup->setPalette(palette);
    if (!enabled) {
        hideCRC();
    }
    logInputGroup->setEnabled(chkLogFile->isChecked());
    fHost.app.StartLogger(enabled);
}

void TOperatorPanelLogger::chkLogFileClick() {
    bool state = chkLogFile->isChecked();
    if (state && !setFromCode &&
        !fHost.dialogs.Confirm(this, QStringLiteral("Are you sure you want to start logger?"))) {
        state = false;
    }
    fHost.app.settings->SetLoggerStarted(state);
    setLoggerEnabled();
}

void TOperatorPanelLogger::setCheckBoxFromCode(bool enable) {
    setFromCode = true;
    chkLogFile->setChecked(enable);
    setFromCode = false;
}

void TOperatorPanelLogger::paintAgain() {
    TOperatorPanel::paintAgain();
    showCrc();
    if (!allChEnable) {
        enableSerialInput();
    }
}

bool TOperatorPanelLogger::ChannelOffered(int channel) const {
    const uint32_t selection = fHost.app.deviceSetup.GetConfigurationInfo().chSelection;
    return allChEnable || (selection & (1u << channel)) != 0;
}

void TOperatorPanelLogger::enableSerialInput() {
    for (int i = 0; i < 4; ++i) {
        QLineEdit* field = serialArray[static_cast<size_t>(i)];
        const bool offered = ChannelOffered(i);
        field->setEnabled(offered);
        if (!offered) {
            field->clear();
        }
    }
}

void TOperatorPanelLogger::setCRC(uint16_t fwCRC, uint16_t parameterId) {
    firmwareCrcBox->setText(Hex4(fwCRC));
    parameterIdBox->setText(Hex4(parameterId));
}

void TOperatorPanelLogger::hideCRC() {
    lblFw->hide();
    firmwareCrcBox->hide();
    parameterIdBox->hide();
    lblPar->hide();
}

void TOperatorPanelLogger::showCrc() {
    parameterIdBox->hide();
    lblPar->hide();
    const auto& target = fHost.app.currentTarget;
    if (target && target->getFamily() == TTargetFamily::DP2A &&
        fHost.app.deviceSetup.GetUSBConnectionStatus()) {
        parameterIdBox->show();
        lblPar->show();
    }
}

void TOperatorPanelLogger::inputSerial() {
    if (fHost.app.currentTarget) {
        fHost.app.currentTarget->setTriggEn(true);
    }
}

void TOperatorPanelLogger::focusNextSerial(int i) {
    for (int channel = i; channel < 4; ++channel) {
        QLineEdit* field = serialArray[static_cast<size_t>(channel)];
        if (ChannelOffered(channel)) {
            field->setFocus();
            return;
        }
    }
    btnTrigger->setFocus();
}

void TOperatorPanelLogger::ConnectLogInput(QLineEdit& field, int index, QValidator& validator) {
    field.setValidator(&validator);
    field.installEventFilter(this);
    // Whatever changes the text - keys, the mouse's paste, a scanner, clearing a field that is
    // not offered - the logger holds what the field shows.
    connect(&field, &QLineEdit::textChanged, this, [this, index](const QString& text) {
        if (fHost.app.currentLogger) {
            fHost.app.currentLogger->setKey(text.toStdString(), index);
        }
    });
    connect(&field, &QLineEdit::inputRejected, this, &TOperatorPanelLogger::inputRefused);
}

void TOperatorPanelLogger::inputRefused() {
    // Said once in the message box, not in a box that would take the operator's next key.
    const QString text = QStringLiteral("Input contains illegal char \",\" !");
    if (!messages->Text().endsWith(text + QStringLiteral("\r\n"))) {
        addLines(text, false);
    }
}

bool TOperatorPanelLogger::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == edtComment) {
                focusNextSerial(0);
            }
            for (int i = 0; i < 4; ++i) {
                if (watched == serialArray[static_cast<size_t>(i)]) {
                    focusNextSerial(i + 1);
                }
            }
        }
    }
    return TOperatorPanel::eventFilter(watched, event);
}

} // namespace ardent
