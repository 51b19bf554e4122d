#include "Settings.h"

#include "Dialogs.h"
#include "model/SettingsModel.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>

namespace ardent {

TSettings::TSettings(QWidget* parent, TSettingsModel& settings, IDialogs& dialogs)
    : QDialog(parent), fSettings(settings), fDialogs(dialogs) {
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(379, 228);

    auto* loggerGroup = new QGroupBox(QStringLiteral("Logger Settings"), this);
    loggerGroup->setGeometry(8, 8, 363, 150);
    const auto box = [loggerGroup](const QString& text, int y) {
        auto* check = new QCheckBox(text, loggerGroup);
        check->move(10, y);
        check->adjustSize();
        return check;
    };
    chkLogOnStart = box(QStringLiteral("Enable logger on app start"), 20);
    chkConfig = box(QStringLiteral("Use programmer setup as log file name"), 40);
    chkTimeStamp = box(QStringLiteral("Append Timestamp to log file name"), 60);
    chkAppendLogFile =
        box(QStringLiteral("Append to existing log file (off: a new file beside it)"), 80);
    chkAppendLogFile->setToolTip(
        QStringLiteral("Ticked: new lines go to the end of the log file (one of another "
                       "target family gets a new file beside it).\nNot ticked: a log file "
                       "that already holds burn lines is kept as it is, and logging goes on in a "
                       "new file beside it (logfile_2.csv, logfile_3.csv, ...)."));
    chkInactiveChannel = box(QStringLiteral("Skip inactive channels"), 100);
    auto* lblDestFolder = new QLabel(QStringLiteral("Destination folder:"), loggerGroup);
    lblDestFolder->move(10, 124);
    lblDestFolder->adjustSize();
    edtDestFolder = new QLineEdit(loggerGroup);
    edtDestFolder->setGeometry(lblDestFolder->x() + lblDestFolder->width() + 4, 121, 110, 21);
    edtDestFolder->setToolTip(QStringLiteral("Default folder is where app is placed"));
    edtDestFolder->installEventFilter(this);
    auto* lblFileName = new QLabel(QStringLiteral("File Name:"), loggerGroup);
    lblFileName->move(246, 104);
    lblFileName->adjustSize();
    edtFileName = new QLineEdit(QStringLiteral("logFile"), loggerGroup);
    edtFileName->setGeometry(246, 121, 108, 21);
    edtFileName->setToolTip(QStringLiteral("Default name is logfile"));

    auto* shortDetectionGroup = new QGroupBox(QStringLiteral("Short Detection"), this);
    shortDetectionGroup->setGeometry(8, 166, 363, 52);
    chkShort = new QCheckBox(QStringLiteral("Enable UART short detection"), shortDetectionGroup);
    chkShort->move(10, 22);
    chkShort->adjustSize();
    chkShort->setChecked(true);
    chkShort->setToolTip(QStringLiteral("Unchecking this checkbox disable Uart short detection."));
    connect(chkShort, &QCheckBox::clicked, this, &TSettings::chkShortClick);
}

void TSettings::FormShow() {
    const TLoggerConfiguration c = fSettings.GetConfiguration();
    chkLogOnStart->setChecked(c.loggerEnabled);
    chkConfig->setChecked(c.useConfigFilaName);
    chkTimeStamp->setChecked(c.addTimestamp);
    chkAppendLogFile->setChecked(c.appendLog);
    chkInactiveChannel->setChecked(c.skipInactive);
    edtFileName->setText(QString::fromStdString(fSettings.GetFileName()));
    edtDestFolder->setText(QString::fromStdString(fSettings.GetFolderPath()));
    isShortChange = false;
}

void TSettings::FormClose() {
    TLoggerConfiguration c = fSettings.GetConfiguration();
    c.loggerEnabled = chkLogOnStart->isChecked();
    c.useConfigFilaName = chkConfig->isChecked();
    c.addTimestamp = chkTimeStamp->isChecked();
    c.appendLog = chkAppendLogFile->isChecked();
    c.skipInactive = chkInactiveChannel->isChecked();
    fSettings.SetFileName(edtFileName->text().toStdString());
    fSettings.SetFolderPath(edtDestFolder->text().toStdString());
    fSettings.SetConfiguration(c);
}

void TSettings::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TSettings::done(int result) {
    // Esc, the close box and accept all end here: every way of closing stores.
    FormClose();
    QDialog::done(result);
}

bool TSettings::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtDestFolder && event->type() == QEvent::MouseButtonDblClick) {
        edtDestFolderDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TSettings::edtDestFolderDblClick() {
    const QString start = edtDestFolder->text().isEmpty() ? fLastBrowsed : edtDestFolder->text();
    const QString chosen = fDialogs.BrowseFolder(this, QStringLiteral("Output Folder"), start);
    if (chosen.isEmpty()) {
        return; // cancelled: the folder stays what it was
    }
    fLastBrowsed = chosen;
    edtDestFolder->setText(chosen);
}

void TSettings::chkShortClick() {
    isShortChange = !isShortChange;
    if (!chkShort->isChecked()) {
        fDialogs.Information(
            this, QStringLiteral(
                      "You will disable short detection which may cause unexpected behavior."));
    }
}

} // namespace ardent
