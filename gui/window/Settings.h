#pragma once
// TSettings: the logger-settings dialog. Closing it, in any way, stores its boxes in the
// settings model; there is no cancel.

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>

namespace ardent {

class IDialogs;
class TSettingsModel;

class TSettings : public QDialog {
    Q_OBJECT
public:
    TSettings(QWidget* parent, TSettingsModel& settings, IDialogs& dialogs);

    // Fills the boxes from the settings model (FormShow).
    void FormShow();
    // Stores the boxes in the settings model (FormClose).
    void FormClose();
    void edtDestFolderDblClick();

    QCheckBox& LogOnStart() { return *chkLogOnStart; }
    QCheckBox& Config() { return *chkConfig; }
    QCheckBox& AppendLogFile() { return *chkAppendLogFile; }
    QCheckBox& InactiveChannel() { return *chkInactiveChannel; }
    QCheckBox& Short() { return *chkShort; }
    QLineEdit& DestFolder() { return *edtDestFolder; }
    QLineEdit& FileName() { return *edtFileName; }
    bool IsShortChange() const { return isShortChange; }

public slots:
    void chkShortClick();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TSettingsModel& fSettings;
    IDialogs& fDialogs;
    QCheckBox* chkLogOnStart;
    QCheckBox* chkConfig;
    QCheckBox* chkTimeStamp;
    QCheckBox* chkAppendLogFile;
    QCheckBox* chkInactiveChannel;
    QLineEdit* edtDestFolder;
    QLineEdit* edtFileName;
    QCheckBox* chkShort;
    QString fLastBrowsed;
    bool isShortChange = false;
};

} // namespace ardent
