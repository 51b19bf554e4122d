#pragma once
// TMainWindow: the main window of Ardent. It holds the menu, the status bar and one panel at a time
// (operator, or the expert panel of the current target family), creates the current target,
// logger and panels, and is the one receiver of the programmer's notifications.

#include "PanelHost.h"
#include "input/MessageOutput.h"
#include "protocol/NotificationSink.h"
#include "utils/TargetFamily.h"

#include <QActionGroup>
#include <QLabel>
#include <QMainWindow>

#include <array>
#include <memory>

namespace ardent {

class TExpertPanel;
class TDetectedIdsWindow;
class TAboutWindow;
class THelpWindow;
class TProductionWindow;
class TMainPanel;
class TOperatorPanelLogger;
class TProgramObjects;
class TSettings;
class TWindowNotificationSink;

class TMainWindow : public QMainWindow, private IMessageOutput {
    Q_OBJECT
public:
    // The window's caption before the version is appended.
    static const char* const kCaption;

    // FormCreate: caption, settings dialog, target and panels of the saved family; then the
    // detected-IDs, about and help windows.
    TMainWindow(TProgramObjects& app, IDialogs& dialogs);
    // Stops the transport and waits for running operations before the panels go.
    ~TMainWindow() override;

    // The sink the receive thread and the operations post to.
    INotificationSink& Sink();

    // Handles one notification and its result byte (0 failed, else succeeded; the percent of a
    // transfer's progress).
    void HandleNotification(TNotification notification, uint8_t result);
    void createTarget(TTargetFamily family);
    void createPanels(TTargetFamily family);
    void showPanel(TMainPanel* panel);
    void setSelectedTarget(QAction* item, TTargetFamily family);
    void initializationDone();
    void showSettings();
    void startLogger();
    // The programmer holds a configuration of another family than the target: the operator is
    // asked whether to switch the target to it (keeping the mode); otherwise burns stay refused
    // while logging is on.
    void checkStoredFamily();

    TMainPanel* CurrentPanel() const { return currentPanel; }
    TOperatorPanelLogger* OperatorPanel() const { return operatorPanel; }
    TExpertPanel* ExpertPanel() const { return expertPanel; }
    QMenu& TargetMenu() { return *mniTarget1; }
    QAction& TargetItem(int type) { return *fTargetItems[static_cast<size_t>(type - 1)]; }
    QAction& OpenItem() { return *mniOpen1; }
    QString StatusText(int panel) const;
    QString StatusToolTip(int panel) const;
    // Which picture panels 4 and 5 show now.
    bool ShowsSdCard() const { return fShowsSdCard; }
    bool ShowsUsbConnected() const { return fShowsUsb; }
    TSettings& SettingsDialog() { return *Settings; }
    // The status line (panel 1): the chosen programmer's serial number while connected, and why
    // there is no programmer while there is none (empty `problem`: nothing to say).
    void SetChosenProgrammer(const QString& serial);
    void SetConnectProblem(const QString& problem);
    TDetectedIdsWindow& DetectWindow() { return *fDetectedIdsWindow; }
    TAboutWindow& AboutWindow() { return *fAboutWindow; }
    THelpWindow& HelpWindow() { return *fHelpWindow; }
    TProductionWindow& ProductionWindow() { return *fProductionWindow; }
    // The Production menu entry: the shift's figures, read now.
    void ShowProduction();
    // The notification that the initialization ended has been handled.
    bool Initialised() const { return fInitialised; }

public slots:
    void mniOperator1Click();
    void mniExpert1Click();
    void mniOpen1Click();
    void mniSave1Click();
    void mniAbout1Click();
    void Help1Click();

protected:
    void customEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowMessage(const std::string& text) override;
    void CreateMenu();
    void CreateStatusBar();
    // The window in the middle of the screen it is shown on (FormShow).
    void CentreOnScreen();
    void RepaintStatusBar();
    void FormClose();
    void DiscardPanels();
    void markTargetChecked(QAction* item);
    // Lines or a box for a burn log that lost a line.
    void ReportLogWriteError();
    // Shows why the last burn's records were lost, if they were.
    void ReportLostRecords();
    // Initialization found firmware older than the host works with: the operator is told.
    void WarnOutdatedFirmware();
    // One method per notification.
    void OnInitialized();
    void OnConfigurationRead(bool ok);
    void OnConfigurationStored(bool ok);
    void OnChannelsDetected(bool ok);
    void OnConnected();
    void OnBurnReported();
    // The programmer went away: nothing known about it is kept.
    void ProgrammerDisconnected();
    // "OK" or "FAIL" after the line of the operation that ended.
    void AddResultWord(bool ok);
    // Reading the configuration failed: why, when the programmer's image came but could not be
    // used.
    void ReportRefusedImport();

    TProgramObjects& fApp;
    IDialogs& fDialogs;
    std::unique_ptr<TWindowNotificationSink> fSink;
    std::unique_ptr<TPanelHost> fHost;
    bool appRun = false;
    TSettings* Settings = nullptr;
    TOperatorPanelLogger* operatorPanel = nullptr;
    TExpertPanel* expertPanel = nullptr;
    TMainPanel* currentPanel = nullptr;
    TDetectedIdsWindow* fDetectedIdsWindow = nullptr;
    TAboutWindow* fAboutWindow = nullptr;
    THelpWindow* fHelpWindow = nullptr;
    TProductionWindow* fProductionWindow = nullptr;
    QWidget* fPanelArea = nullptr;

    QAction* mniOpen1 = nullptr;
    QAction* mniSave1 = nullptr;
    QAction* mniOperator1 = nullptr;
    QAction* mniExpert1 = nullptr;
    QAction* mniLogger = nullptr;
    QMenu* mniTarget1 = nullptr;
    std::array<QAction*, 3> fTargetItems{};
    QAction* fCheckedTarget = nullptr;
    std::array<QLabel*, 6> fStatusPanels{};
    bool fShowsSdCard = false;
    bool fShowsUsb = false;
    QString fChosenProgrammer;
    QString fConnectProblem;
    bool fFirstShow = true;
    bool fInitialised = false;
};

} // namespace ardent
