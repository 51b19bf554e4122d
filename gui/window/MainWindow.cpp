#include "MainWindow.h"

#include "AboutWindow.h"
#include "DetectedIdsWindow.h"
#include "Dialogs.h"
#include "ExpertPanelDP2A.h"
#include "ExpertPanelDP2B.h"
#include "ExpertPanelDP3B.h"
#include "HelpWindow.h"
#include "NotificationEvent.h"
#include "OperatorPanelLogger.h"
#include "Pictures.h"
#include "ProductionWindow.h"
#include "Settings.h"
#include "flows/ProgramObjects.h"
#include "model/LoggerDP2B.h"
#include "model/LoggerDP3B.h"
#include "targets/TargetFactory.h"
#include "utils/Text.h"
#include "utils/VersionText.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <algorithm>

namespace ardent {

const char* const TMainWindow::kCaption = "Corvana - Orvik\u2122 Ardent for SMPS";

namespace {

constexpr int kWindowWidth = 613;

std::shared_ptr<TLogger> CreateLogger(TTargetFamily family, const std::string& header,
                                      const TSettingsModel& settings,
                                      const TLoggerEnvironment& environment) {
    switch (family) {
    case TTargetFamily::DP2B:
        return std::make_shared<TLoggerDP2B>(header, settings, environment);
    case TTargetFamily::DP3B:
        return std::make_shared<TLoggerDP3B>(header, settings, environment);
    default:
        return std::make_shared<TLogger>(header, settings, environment);
    }
}

} // namespace

TMainWindow::TMainWindow(TProgramObjects& app, IDialogs& dialogs)
    : QMainWindow(nullptr), fApp(app), fDialogs(dialogs) {
    fSink = std::make_unique<TWindowNotificationSink>(this);
    fHost = std::make_unique<TPanelHost>(TPanelHost{fApp, fDialogs, *fSink});
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon::fromTheme(QStringLiteral("ardent"), PictureIcon(TPicture::Expert)));

    // The layout is measured for a small dialog font (8 pt), as line PCs show it.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    // FormCreate.
    appRun = true;
    fApp.deviceSetup.SetUSBConnectionStatus(false);
    setWindowTitle(QString::fromUtf8(kCaption) + QStringLiteral(" Ver. ") +
                   QString::fromStdString(GetProgramVersion()));
    CreateMenu();
    CreateStatusBar();
    fPanelArea = new QWidget(this);
    setCentralWidget(fPanelArea);
    Settings = new TSettings(this, *fApp.settings, fDialogs);
    TTargetFamily family =
        TargetFamilyFromNumber(static_cast<uint32_t>(fApp.settings->GetTargetType()));
    if (family == TTargetFamily::NotRecognised) {
        family = TTargetFamily::DP2A; // a family this program does not know: the first one
    }
    createTarget(family);
    createPanels(family);

    fDetectedIdsWindow = new TDetectedIdsWindow(this);
    fAboutWindow = new TAboutWindow(this);
    fHelpWindow = new THelpWindow(this);
    fProductionWindow =
        new TProductionWindow(this, fApp.recording.DatabasePath(), *fApp.settings, fApp.recording);
    setFixedSize(kWindowWidth, operatorPanel->getHeight());
}

TMainWindow::~TMainWindow() {
    FormClose();
    // No thread may post to or read through this window's objects once they are gone.
    fApp.Shutdown();
}

INotificationSink& TMainWindow::Sink() {
    return *fSink;
}

void TMainWindow::ShowMessage(const std::string& text) {
    // The core's messages carry file names and file contents.
    fDialogs.Information(this, QString::fromStdString(ShowableText(text)));
}

void TMainWindow::CreateMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    mniOpen1 = file->addAction(PictureIcon(TPicture::Open), QStringLiteral("Open"));
    mniSave1 = file->addAction(PictureIcon(TPicture::Save), QStringLiteral("Save"));
    QAction* exit = file->addAction(PictureIcon(TPicture::Exit), QStringLiteral("E&xit"));
    connect(mniOpen1, &QAction::triggered, this, &TMainWindow::mniOpen1Click);
    connect(mniSave1, &QAction::triggered, this, &TMainWindow::mniSave1Click);
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* mode = menuBar()->addMenu(QStringLiteral("Mode"));
    mniOperator1 = mode->addAction(PictureIcon(TPicture::Operator), QStringLiteral("Operator"));
    mniExpert1 = mode->addAction(PictureIcon(TPicture::Expert), QStringLiteral("Expert"));
    connect(mniOperator1, &QAction::triggered, this, &TMainWindow::mniOperator1Click);
    connect(mniExpert1, &QAction::triggered, this, &TMainWindow::mniExpert1Click);

    mniTarget1 = menuBar()->addMenu(QStringLiteral("Target"));
    // One radio group (drawn as radio items): selecting the checked item again leaves it
    // checked, and setSelectedTarget puts the check back where it was when a panel is busy.
    auto* group = new QActionGroup(this);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (int i = 0; i < 3; ++i) {
        const TTargetFamily family = TargetFamilyFromNumber(static_cast<uint32_t>(i + 1));
        const std::string_view name = TargetFamilyName(family);
        QAction* item = mniTarget1->addAction(
            QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())) +
            QStringLiteral(" based"));
        item->setCheckable(true);
        group->addAction(item);
        fTargetItems[static_cast<size_t>(i)] = item;
        connect(item, &QAction::triggered, this,
                [this, item, family] { setSelectedTarget(item, family); });
    }
    mniTarget1->setEnabled(false);

    mniLogger = menuBar()->addAction(QStringLiteral("Settings"));
    connect(mniLogger, &QAction::triggered, this, &TMainWindow::showSettings);
    QAction* production = menuBar()->addAction(QStringLiteral("Production"));
    connect(production, &QAction::triggered, this, &TMainWindow::ShowProduction);
    QAction* about = menuBar()->addAction(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, &TMainWindow::mniAbout1Click);
    QAction* help = menuBar()->addAction(QStringLiteral("Help"));
    connect(help, &QAction::triggered, this, &TMainWindow::Help1Click);
}

void TMainWindow::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(21);
    QFont font = bar->font();
    font.setPointSize(9);
    bar->setFont(font);
    const int widths[6] = {45, 400, 70, 50, 25, 20};
    for (int i = 0; i < 6; ++i) {
        auto* panel = new QLabel(bar);
        panel->setFixedWidth(widths[i]);
        panel->setMargin(i >= 4 ? 1 : 0);
        panel->setFrameStyle(i == 1 ? QFrame::NoFrame : QFrame::Panel | QFrame::Sunken);
        panel->setAlignment(i >= 4 ? Qt::AlignLeft | Qt::AlignTop
                                   : Qt::AlignLeft | Qt::AlignVCenter);
        bar->addWidget(panel);
        fStatusPanels[static_cast<size_t>(i)] = panel;
    }
    fStatusPanels[2]->setText(QStringLiteral("FW version:"));
    // The caption must be readable in whatever font the desktop gives.
    fStatusPanels[2]->setFixedWidth(std::max(widths[2], fStatusPanels[2]->sizeHint().width() + 4));
    RepaintStatusBar();
}

QString TMainWindow::StatusText(int panel) const {
    return fStatusPanels[static_cast<size_t>(panel)]->text();
}

QString TMainWindow::StatusToolTip(int panel) const {
    return fStatusPanels[static_cast<size_t>(panel)]->toolTip();
}

void TMainWindow::SetChosenProgrammer(const QString& serial) {
    fChosenProgrammer = serial;
    RepaintStatusBar();
}

void TMainWindow::SetConnectProblem(const QString& problem) {
    fConnectProblem = problem;
    RepaintStatusBar();
}

void TMainWindow::RepaintStatusBar() {
    fShowsSdCard = fApp.deviceSetup.GetBurnerInfo().cardInserted != 0;
    fShowsUsb = fApp.deviceSetup.GetUSBConnectionStatus();
    // Two windows on one line PC each drive their own programmer: the serial says which; while
    // none is connected, the line says why (in full in the tool tip when cut).
    QString line;
    if (!fShowsUsb && !fConnectProblem.isEmpty()) {
        line = fConnectProblem;
    } else if (!fChosenProgrammer.isEmpty()) {
        line = QStringLiteral("Programmer ") + fChosenProgrammer;
    }
    fStatusPanels[1]->setText(line);
    fStatusPanels[1]->setToolTip(line);
    fStatusPanels[4]->setPixmap(DrawPicture(fShowsSdCard ? TPicture::SdCard : TPicture::NoSdCard));
    fStatusPanels[5]->setPixmap(
        DrawPicture(fShowsUsb ? TPicture::UsbConnected : TPicture::UsbNotConnected));
}

void TMainWindow::createTarget(TTargetFamily family) {
    fApp.currentTarget.reset();
    fApp.currentLogger.reset();
    fApp.currentTarget = std::shared_ptr<TTarget>(CreateTarget(family, *this));
    fApp.currentLogger = CreateLogger(family, fApp.currentTarget->getHeaderName(), *fApp.settings,
                                      fApp.options.logEnvironment);
    fApp.settings->SetTargetType(FamilyNumber(family));
    fStatusPanels[0]->setText(QString::fromStdString(fApp.currentTarget->GetTargetName()));
    startLogger();
}

void TMainWindow::startLogger() {
    if (!fApp.deviceSetup.CheckCanCreateLogger()) {
        return;
    }
    fApp.StartLogger(fApp.settings->GetConfiguration().loggerEnabled);
}

void TMainWindow::createPanels(TTargetFamily family) {
    currentPanel = nullptr;
    DiscardPanels();
    operatorPanel = new TOperatorPanelLogger(fPanelArea, *fHost);
    switch (family) {
    case TTargetFamily::DP2B:
        expertPanel = new TExpertPanelDP2B(fPanelArea, *fHost);
        break;
    case TTargetFamily::DP3B:
        expertPanel = new TExpertPanelDP3B(fPanelArea, *fHost);
        break;
    default:
        expertPanel = new TExpertPanelDP2A(fPanelArea, *fHost);
        break;
    }
    for (QWidget* panel :
         {static_cast<QWidget*>(operatorPanel), static_cast<QWidget*>(expertPanel)}) {
        panel->setGeometry(0, 0, kWindowWidth, 470);
        panel->hide();
    }
}

void TMainWindow::showPanel(TMainPanel* panel) {
    setFixedSize(kWindowWidth, panel->getHeight());
    currentPanel = panel;
    panel->clearMsgBox();
    panel->paintAgain();
    for (TMainPanel* other :
         {static_cast<TMainPanel*>(operatorPanel), static_cast<TMainPanel*>(expertPanel)}) {
        if (other != panel) {
            other->hide();
        }
    }
    panel->setGeometry(0, 0, kWindowWidth, fPanelArea->height() > 0 ? fPanelArea->height() : 470);
    panel->show();
    panel->raise();
    panel->setEnabled(true);
    mniTarget1->setEnabled(panel != operatorPanel);
}

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (fFirstShow) {
        fFirstShow = false;
        showPanel(operatorPanel); // FormShow
        RepaintStatusBar();
        CentreOnScreen();
    }
}

void TMainWindow::CentreOnScreen() {
    const QScreen* shownOn = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shownOn == nullptr) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(shownOn->availableGeometry().center());
    move(frame.topLeft());
}

void TMainWindow::mniOperator1Click() {
    if (currentPanel != nullptr && currentPanel->getCanChange() && currentPanel != operatorPanel) {
        showPanel(operatorPanel);
        mniTarget1->setEnabled(false);
    }
}

void TMainWindow::mniExpert1Click() {
    if (currentPanel != operatorPanel || !currentPanel->getCanChange()) {
        return;
    }
    fDialogs.Information(this, QStringLiteral("You are entering expert mode!"));
    if (fDialogs.Confirm(this, QStringLiteral("Are you sure you want to do this?"))) {
        showPanel(expertPanel);
    }
}

void TMainWindow::setSelectedTarget(QAction* item, TTargetFamily family) {
    if (item == fCheckedTarget) {
        item->setChecked(true);
        return;
    }
    if (currentPanel != nullptr && !currentPanel->getCanChange()) {
        // Busy: the selection does nothing, and the check stays with the family in use.
        item->setChecked(false);
        if (fCheckedTarget != nullptr) {
            fCheckedTarget->setChecked(true);
        }
        return;
    }
    createTarget(family);
    createPanels(family);
    showPanel(expertPanel);
    markTargetChecked(item);
}

void TMainWindow::markTargetChecked(QAction* item) {
    for (QAction* other : fTargetItems) {
        other->setChecked(other == item);
    }
    fCheckedTarget = item;
}

void TMainWindow::checkStoredFamily() {
    const uint32_t stored = fApp.StoredFamilyMismatch();
    if (stored == 0 || currentPanel == nullptr || !currentPanel->getCanChange() ||
        fApp.TargetBusy()) {
        return; // a burn may be using the target: the refusal guards until the next store
    }
    const QString storedName = QString::fromStdString(TargetTypeName(stored));
    const QString targetName = QString::fromStdString(fApp.currentTarget->GetTargetName());
    const bool yes = fDialogs.Confirm(
        this, QStringLiteral("The configuration in the programmer is for %1, but the target is "
                             "%2. Switch the target to %1?")
                  .arg(storedName, targetName));
    if (!appRun) {
        return; // the window was closed while the box was open
    }
    if (!yes) {
        currentPanel->addLines(
            QStringLiteral("The target stays %2. While logging is on, burns are refused until "
                           "it matches the configuration in the programmer (%1).")
                .arg(storedName, targetName),
            false);
        return;
    }
    // The operator stays in the mode at hand; only the family's objects are made anew.
    const bool expert = currentPanel == expertPanel;
    createTarget(TargetFamilyFromNumber(stored));
    createPanels(TargetFamilyFromNumber(stored));
    showPanel(expert ? static_cast<TMainPanel*>(expertPanel)
                     : static_cast<TMainPanel*>(operatorPanel));
    markTargetChecked(fTargetItems[stored - 1]);
}

void TMainWindow::mniOpen1Click() {
    expertPanel->btnLoadCfgClick();
}

void TMainWindow::mniSave1Click() {
    expertPanel->btnSaveCfgClick();
}

void TMainWindow::mniAbout1Click() {
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->geometry()
                             : QRect(0, 0, 1024, 768);
    fAboutWindow->move((screen.width() - fAboutWindow->width()) / 2,
                       (screen.height() - fAboutWindow->height()) / 2);
    fAboutWindow->show();
}

void TMainWindow::Help1Click() {
    fHelpWindow->exec();
}

void TMainWindow::showSettings() {
    Settings->exec();
    // The box, the log inputs and the logger, which takes the new folder and name rules now.
    operatorPanel->setLoggerEnabled();
}

void TMainWindow::initializationDone() {
    if (fApp.deviceSetup.CheckExistConfigurationName()) {
        checkStoredFamily();
        if (!appRun) {
            return;
        }
        startLogger();
        operatorPanel->showCrc();
        operatorPanel->inputSerial();
    } else {
        mniTarget1->setEnabled(true);
        fDialogs.Error(this, QStringLiteral("You don't have config file in programmer!!! You will "
                                            "be transferred to expert mode."));
        if (!appRun) {
            return; // the window was closed while the box was open
        }
        showPanel(expertPanel);
    }
    fStatusPanels[3]->setText(QString::fromStdString(fApp.deviceSetup.GetFirmwareVersionString()));
    WarnOutdatedFirmware();
}

void TMainWindow::WarnOutdatedFirmware() {
    const TDeviceSetup& device = fApp.deviceSetup;
    if (device.GetFirmwareVersionString().empty() || device.CheckFwVersion() || !appRun) {
        return;
    }
    // The initialization has left the external trigger switched off: a burn nobody waits for
    // would go unlogged.
    currentPanel->addLines(QStringLiteral("Programmer firmware ") +
                               QString::fromStdString(device.GetFirmwareVersionString()) +
                               QStringLiteral(": the external trigger is switched off."),
                           false);
    fDialogs.Error(this, TMainPanel::FirmwareUpdateText());
}

void TMainWindow::ReportRefusedImport() {
    const TLoadVerdict verdict = fApp.LastImportVerdict();
    if (verdict != TLoadVerdict::Loaded) { // an image came, and the loader refused it
        expertPanel->ReportUnusableConfiguration(
            QStringLiteral("The configuration read from the programmer"), verdict);
    }
}

void TMainWindow::ProgrammerDisconnected() {
    fStatusPanels[3]->clear();
    fApp.deviceSetup.SetUSBConnectionStatus(false);
    // What was read from that programmer no longer describes the one that may come next.
    fApp.deviceSetup.ForgetProgrammer();
    operatorPanel->hideCRC();
}

void TMainWindow::ReportLogWriteError() {
    if (!fApp.currentLogger) {
        return;
    }
    const std::string error = fApp.currentLogger->TakeWriteError();
    if (error.empty()) {
        return;
    }
    // The reason names files from the settings file.
    const QString text = QStringLiteral("Burn log: ") + QString::fromStdString(ShowableText(error));
    currentPanel->addLines(text, false);
    fDialogs.Error(this, text);
    if (!appRun) {
        return;
    }
}

void TMainWindow::customEvent(QEvent* event) {
    if (event->type() == TNotificationEvent::EventType()) {
        const auto* notification = static_cast<TNotificationEvent*>(event);
        HandleNotification(notification->Code(), notification->Result());
        return;
    }
    QMainWindow::customEvent(event);
}

void TMainWindow::HandleNotification(TNotification notification, uint8_t result) {
    if (!appRun || currentPanel == nullptr) {
        return;
    }
    const bool ok = result != 0;
    switch (notification) {
    case TNotification::Initialized:
        OnInitialized();
        break;
    case TNotification::ConfigurationRead:
        OnConfigurationRead(ok);
        break;
    case TNotification::ConfigurationStored:
        OnConfigurationStored(ok);
        break;
    case TNotification::FirstChannelRead:
    case TNotification::BaudRateSet:
        AddResultWord(ok);
        break;
    case TNotification::ChannelsDetected:
        OnChannelsDetected(ok);
        break;
    case TNotification::Connected:
        OnConnected();
        break;
    case TNotification::Disconnected:
        ProgrammerDisconnected();
        break;
    case TNotification::BurnReported:
        OnBurnReported();
        break;
    case TNotification::ExternalTrigger:
        currentPanel->ExternalTriggerPressed();
        break;
    case TNotification::TransferProgress:
        expertPanel->ShowTransferProgress(result);
        return; // progress repaints only its bar
    case TNotification::NoAction:
    case TNotification::SdCardChanged:
        break;
    }
    // A handler may have closed the window (a box answered by quitting).
    if (!appRun) {
        return;
    }
    // Every line of the next burn names what the programmer holds now.
    fApp.RefreshLoggerSetup();
    RepaintStatusBar();
    currentPanel->paintAgain();
}

void TMainWindow::AddResultWord(bool ok) {
    currentPanel->addLines(ok ? QStringLiteral("OK") : QStringLiteral("FAIL"), true);
}

void TMainWindow::OnInitialized() {
    initializationDone();
    fInitialised = true;
    if (!appRun) {
        return;
    }
    currentPanel->addLines(QStringLiteral("Initialization is over."), false);
}

void TMainWindow::OnConfigurationRead(bool ok) {
    expertPanel->ShowTransferProgress(100);
    AddResultWord(ok);
    if (ok) {
        expertPanel->ReloadConfiguration();
    } else {
        currentPanel->addLines(QStringLiteral("Can't read config file."), false);
        ReportRefusedImport();
    }
}

void TMainWindow::OnConfigurationStored(bool ok) {
    expertPanel->ShowTransferProgress(100);
    if (ok) {
        checkStoredFamily(); // may make the panels anew
        if (!appRun) {
            return;
        }
    }
    currentPanel->addLines(ok ? QStringLiteral("Store operation success.")
                              : QStringLiteral("Store operation failed."),
                           false);
}

void TMainWindow::OnChannelsDetected(bool ok) {
    AddResultWord(ok);
    if (ok) {
        currentPanel->SetDetectStatus();
        fDetectedIdsWindow->FillDetectWindow(*fApp.currentTarget);
    }
}

void TMainWindow::OnConnected() {
    fApp.deviceSetup.SetUSBConnectionStatus(true);
    currentPanel->InitializationFromDevice();
}

void TMainWindow::OnBurnReported() {
    currentPanel->BurnReported();
    currentPanel->SetBurningStatus();
    fApp.currentTarget->setTriggEn(true);
    ReportLogWriteError();
    ReportLostRecords();
    if (fProductionWindow->isVisible()) {
        fProductionWindow->Refresh();
    }
}

void TMainWindow::ShowProduction() {
    fProductionWindow->Refresh();
    fProductionWindow->show();
    fProductionWindow->raise();
}

void TMainWindow::ReportLostRecords() {
    const std::string warning = fApp.recording.TakeWarning();
    if (warning.empty() || currentPanel == nullptr) {
        return;
    }
    // The verdict is already shown; this only says that the station's records miss the burn.
    const QString text = QString::fromStdString(ShowableText(warning));
    currentPanel->addLines(text, false);
    fDialogs.Error(this, text);
}

void TMainWindow::FormClose() {
    if (!appRun) {
        return;
    }
    appRun = false;
    fSink->Detach();
    currentPanel = nullptr;
    DiscardPanels();
}

void TMainWindow::DiscardPanels() {
    // A panel may be inside one of its own modal boxes further up the stack (a nested event
    // loop): it goes once control is back in the loop, never under its own feet.
    for (QWidget* panel :
         {static_cast<QWidget*>(expertPanel), static_cast<QWidget*>(operatorPanel)}) {
        if (panel != nullptr) {
            panel->hide();
            panel->deleteLater();
        }
    }
    expertPanel = nullptr;
    operatorPanel = nullptr;
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    // Running operations are waited for (and woken) when the transport stops, not by a pause.
    FormClose();
    QMainWindow::closeEvent(event);
}

} // namespace ardent
