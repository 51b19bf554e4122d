// The main window against the simulated programmer: start with and without a programmer or a
// stored configuration, unplugging, the operator's burn cycle, mode and target switching, the
// notification handler and the single-instance rule.

#include "window/MainWindow.h"
#include "SimulatedProgrammer.h"
#include "WindowFixture.h"
#include "flows/ProgramObjects.h"
#include "targets/Target.h"
#include "window/ExpertPanel.h"
#include "window/NotificationEvent.h"
#include "window/OperatorPanelLogger.h"
#include "window/ProductionWindow.h"

#include <QActionGroup>
#include <QBarSet>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QMenu>
#include <QTableWidget>
#include <QtTest>
#include <sqlite3.h>

#include <memory>

using namespace ardent;

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        fSim = std::make_unique<SimulatedProgrammer>();
        QVERIFY(fSim->Started());
    }

    void cleanup() {
        fFixture.reset();
        fSim.reset();
    }

    void startWithoutProgrammer() {
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        Start("[TARGET]\nTYPE=1\n");
        QCOMPARE(fWindow->CurrentPanel(), static_cast<TMainPanel*>(fWindow->OperatorPanel()));
        QCOMPARE(fWindow->StatusText(0), QString("DP2A"));
        QCOMPARE(fWindow->StatusText(2), QString("FW version:"));
        QCOMPARE(fWindow->StatusText(3), QString());
        QVERIFY(!fWindow->ShowsUsbConnected());
        QVERIFY(!fWindow->ShowsSdCard());
        QVERIFY(!fWindow->TargetMenu().isEnabled());
        QTest::qWait(200); // nothing may happen without a programmer
        QCOMPARE(OperatorText(), QString());
        QVERIFY(Dialogs().boxes.isEmpty());
        QVERIFY(fWindow->windowTitle().endsWith(" Ver. 1.3.8"));
    }

    void programmerWithConfigurationInitialisesAndStartsLogger() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        Start("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\n");
        QTRY_VERIFY(fWindow->Initialised());
        QCOMPARE(OperatorText(), QString("Initialization is over.\r\n"));
        QCOMPARE(fWindow->StatusText(3), QString("1.7.0"));
        QVERIFY(fWindow->ShowsUsbConnected());
        QVERIFY(Dialogs().boxes.isEmpty());
        QCOMPARE(fApp->currentLogger->LogFilePath(), fFixture->LogFile().toStdString());
        QCOMPARE(ReadAll(fFixture->LogFile()), ReadAll(ARDENT_HEADERS_DIR "/header_DP2B.hdr"));
        QVERIFY(fWindow->OperatorPanel()->FwCrcBox().isVisibleTo(fWindow));
        QVERIFY(!fWindow->OperatorPanel()->ParamIdBox().isVisibleTo(fWindow)); // DP2B
    }

    void programmerWithoutConfigurationLeadsToExpertMode() {
        QCOMPARE(fSim->Control("clear-config"), QString("ok"));
        Start("[TARGET]\nTYPE=3\n");
        QTRY_VERIFY(fWindow->Initialised());
        QCOMPARE(Dialogs().boxes,
                 QStringList{"error: You don't have config file in programmer!!! You will be "
                             "transferred to expert mode."});
        QCOMPARE(fWindow->CurrentPanel(), static_cast<TMainPanel*>(fWindow->ExpertPanel()));
        QVERIFY(fWindow->TargetMenu().isEnabled());
        QCOMPARE(fWindow->ExpertPanel()->MessageBox().Text(),
                 QString("Initialization is over.\r\n"));
        QCOMPARE(fWindow->StatusText(0), QString("DP3B"));
    }

    void unplugEmptiesFirmwareAndHidesCrc() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        // Logging off hides the CRC; serial fields only for the stored channels 1, 2 and 4.
        Start("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\nINACTIVESEL=1\n");
        QTRY_VERIFY(fWindow->Initialised());
        QVERIFY(fWindow->OperatorPanel()->FwCrcBox().isVisibleTo(fWindow));
        TOperatorPanelLogger& panel = *fWindow->OperatorPanel();
        QTest::keyClicks(&panel.SerialField(3), "S4");
        QCOMPARE(panel.ConnectionLine().text(), QString("Programmer connected"));
        QCOMPARE(panel.ConfigurationNameBox().text(), QString("Golden line"));
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        QTRY_VERIFY(!fWindow->ShowsUsbConnected());
        QCOMPARE(fWindow->StatusText(3), QString());
        QVERIFY(!fWindow->OperatorPanel()->FwCrcBox().isVisibleTo(fWindow));
        // Nothing read from the programmer that went away is shown as if it were still there.
        QCOMPARE(panel.ConnectionLine().text(), QString("Programmer not connected"));
        QCOMPARE(panel.ConfigurationNameBox().text(), QString("No config"));
        QCOMPARE(fWindow->ExpertPanel()->NameInProgrammer().text(), QString("No config"));
        QVERIFY(!fApp->deviceSetup.CheckCanCreateLogger());
        QCOMPARE(panel.SerialField(3).text(), QString("S4")); // what the operator typed stays
    }

    void startWithoutProgrammerSaysSo() {
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        Start("[TARGET]\nTYPE=1\n");
        QCOMPARE(fWindow->OperatorPanel()->ConnectionLine().text(),
                 QString("Programmer not connected"));
        QVERIFY(fWindow->OperatorPanel()->ConnectionLine().isVisibleTo(fWindow));
        QCOMPARE(fSim->Control("plug"), QString("ok"));
        QTRY_COMPARE(fWindow->OperatorPanel()->ConnectionLine().text(),
                     QString("Programmer connected"));
    }

    // The status line: the chosen programmer's serial while connected, why there is none while
    // there is none (in full in the tool tip), and the serial again once it is connected.
    void statusLineShowsTheProgrammerOrWhyThereIsNone() {
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        Start("[TARGET]\nTYPE=1\n");
        QCOMPARE(fWindow->StatusText(1), QString());
        fWindow->SetChosenProgrammer("SIM00000001");
        QCOMPARE(fWindow->StatusText(1), QString("Programmer SIM00000001"));
        const QString problem =
            "No programmer: programmer SIM00000001 is held by another process: pid 7 (ArdentCmd)";
        fWindow->SetConnectProblem(problem);
        QCOMPARE(fWindow->StatusText(1), problem);
        QCOMPARE(fWindow->StatusToolTip(1), problem);
        QCOMPARE(fSim->Control("plug"), QString("ok"));
        QTRY_VERIFY(fWindow->ShowsUsbConnected());
        QCOMPARE(fWindow->StatusText(1), QString("Programmer SIM00000001"));
    }

    void externalTriggerBurnKeepsTheTriggerButtonDisabled() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        QCOMPARE(fSim->Control("burn-time 1500"), QString("ok"));
        Start("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\n");
        QTRY_VERIFY(fWindow->Initialised());
        TOperatorPanelLogger& panel = *fWindow->OperatorPanel();
        QTest::keyClicks(&panel.SerialField(0), "S1");
        QCOMPARE(fSim->Control("trigger"), QString("ok"));
        QTRY_VERIFY(OperatorText().startsWith("External trigger started..."));
        // Every notification repaints the panel; none may offer the trigger during the burn.
        QCoreApplication::postEvent(fWindow, new TNotificationEvent(12, 0));
        QCoreApplication::sendPostedEvents(fWindow);
        QVERIFY(!panel.getCanChange());
        QVERIFY(!panel.TriggerButton().isEnabled());
        QTest::mouseClick(&panel.TriggerButton(), Qt::LeftButton);
        QTest::keyClick(&panel.TriggerButton(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(panel.getCanChange(), 10000);
        QVERIFY(panel.TriggerButton().isEnabled());
        QCOMPARE(OperatorText().count("Status channel [1] : PASS"), 1);
        // One burn, one line per burned channel: the serial is not logged twice.
        const QByteArray log = ReadAll(fFixture->LogFile());
        QCOMPARE(log.count(",S1,CH1,"), 1);
        QCOMPARE(log.split('\n').size(), 4);
    }

    void externalTriggerDuringAManualBurnKeepsItsLines() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        QCOMPARE(fSim->Control("burn-time 800"), QString("ok"));
        Start("[TARGET]\nTYPE=2\n");
        QTRY_VERIFY(fWindow->Initialised());
        TOperatorPanelLogger& panel = *fWindow->OperatorPanel();
        QTRY_VERIFY(panel.TriggerButton().isEnabled());
        QTest::mouseClick(&panel.TriggerButton(), Qt::LeftButton);
        QCOMPARE(fSim->Control("trigger"), QString("ok"));
        QTRY_VERIFY(OperatorText().contains("External trigger started...\r\n"));
        QVERIFY2(OperatorText().startsWith("Trigger operation started...\r\n"),
                 qPrintable(OperatorText()));
        // Both results are shown; while only one of them is in, the panel stays busy.
        QElapsedTimer waited;
        waited.start();
        while (OperatorText().count("Status channel [4] : PASS") < 2 && waited.elapsed() < 10000) {
            QTest::qWait(10);
            if (OperatorText().count("Status channel [4] : PASS") == 1) {
                QVERIFY(!panel.getCanChange());
                QVERIFY(!panel.TriggerButton().isEnabled());
            }
        }
        QCOMPARE(OperatorText().count("Status channel [4] : PASS"), 2);
        QTRY_VERIFY(panel.getCanChange());
        QVERIFY(OperatorText().startsWith("Trigger operation started...\r\n"));
    }

    void lostProgrammerDuringABurnIsReported() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        QCOMPARE(fSim->Control("burn-time 3000"), QString("ok"));
        Start("[TARGET]\nTYPE=2\n");
        QTRY_VERIFY(fWindow->Initialised());
        TOperatorPanelLogger& panel = *fWindow->OperatorPanel();
        panel.btnTriggerClick();
        QVERIFY(OperatorText().startsWith("Trigger operation started..."));
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        QTRY_VERIFY(panel.getCanChange());
        QCOMPARE(OperatorText(),
                 QString("Trigger operation started...\r\nThe programmer was disconnected during "
                         "burning: the state of the chips is unknown.\r\n"));
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(panel.ResultBox(i).text(), QString("????"));
        }
        QVERIFY(Dialogs().boxes.isEmpty());
    }

    void burnWithoutResultWithinTheGuardSaysTheChipsAreUnknown() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        QCOMPARE(fSim->Control("burn-time 60000"), QString("ok"));
        Start("[TARGET]\nTYPE=2\n");
        QTRY_VERIFY(fWindow->Initialised());
        TOperatorPanelLogger& panel = *fWindow->OperatorPanel();
        panel.btnTriggerClick();
        QVERIFY(!panel.getCanChange());
        panel.operationGuardTimeout(); // 30 seconds without a result
        QCOMPARE(OperatorText(),
                 QString("Trigger operation started...\r\nOperation timeout is expired.\r\n"
                         "No burn result arrived: the state of the chips is unknown.\r\n"));
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(panel.ResultBox(i).text(), QString("????"));
        }
        QVERIFY(panel.getCanChange());
    }

    void outdatedFirmwareIsToldAtConnectAndLeavesTheExternalTriggerOff() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        QCOMPARE(fSim->Control("firmware 1.6.2"), QString("ok 1.6.2"));
        Start("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\n");
        QTRY_VERIFY(fWindow->Initialised());
        QCOMPARE(Dialogs().boxes,
                 QStringList{"error: Firmware of the connected programmer needs to be updated to "
                             "version 1.6.3 or higher.\r\nRefer to the user manual chapter 6 to "
                             "get more information."});
        QCOMPARE(OperatorText(),
                 QString("Programmer firmware 1.6.2: the external trigger is switched off.\r\n"
                         "Initialization is over.\r\n"));
        QVERIFY(fSim->Control("status").contains("external trigger off"));
        // Pressed on the programmer, it burns nothing that would go unlogged.
        QCOMPARE(fSim->Control("trigger"), QString("ok external trigger is off"));
    }

    void operatorBurnCycleShowsVerdictsAndLogsEveryChannel() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        QCOMPARE(fSim->Control("verdict 2 fail 3"), QString("ok"));
        Start("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\n");
        QTRY_VERIFY(fWindow->Initialised());
        TOperatorPanelLogger& panel = *fWindow->OperatorPanel();
        QTest::keyClicks(&panel.CommentField(), "LOT7");
        QTest::keyClicks(&panel.SerialField(0), "S1");
        QTRY_VERIFY(panel.TriggerButton().isEnabled());
        QTest::mouseClick(&panel.TriggerButton(), Qt::LeftButton);
        QVERIFY(!panel.getCanChange());
        QTRY_VERIFY(panel.getCanChange());
        QVERIFY(OperatorText().startsWith("Trigger operation started...\r\n"));
        QVERIFY(OperatorText().contains("Status channel [1] : PASS\r\n"));
        QVERIFY(OperatorText().contains("Status channel [2] : Error = UART_GND_SHORT\r\n"));
        QVERIFY(OperatorText().contains("Status channel [3] : INACTIVE\r\n"));
        QCOMPARE(panel.ResultBox(0).text(), QString("PASS"));
        QCOMPARE(panel.ResultBox(1).text(), QString("FAIL"));
        QCOMPARE(panel.ResultBox(2).text(), QString("----"));
        QCOMPARE(panel.ResultTimer().interval(), 5000);
        QVERIFY(panel.ResultTimer().isActive());
        panel.resultTimerTimeout(); // the 5 seconds have passed
        QCOMPARE(panel.ResultBox(0).text(), QString("----"));
        QCOMPARE(panel.ResultBox(1).text(), QString("FAIL"));
        const QList<QByteArray> lines = ReadAll(fFixture->LogFile()).split('\n');
        QCOMPARE(lines.size(), 4); // header and channels 1, 2 and 4 of the stored configuration
        QVERIFY(lines[1].contains(",LOT7,S1,CH1,"));
        QVERIFY(lines[1].trimmed().endsWith(",Golden line,PASS"));
        QVERIFY(lines[2].trimmed().endsWith("FAIL(Error = UART_GND_SHORT)"));
        QVERIFY(lines[3].contains(",CH4,"));
    }

    void logWriteFailureIsShownToTheOperator() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        Start("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\n");
        QTRY_VERIFY(fWindow->Initialised());
        fFixture->failWrites = true; // the disk is full from now on
        fWindow->OperatorPanel()->btnTriggerClick();
        QTRY_VERIFY(fWindow->OperatorPanel()->getCanChange());
        QVERIFY(OperatorText().contains("Status channel [1] : PASS"));
        QVERIFY(OperatorText().contains("Burn log: Log write to "));
        QCOMPARE(Dialogs().boxes.size(), 1);
        QVERIFY(Dialogs().boxes[0].startsWith("error: Burn log: "));
        QVERIFY(Dialogs().boxes[0].contains("No space left on device"));
        QCOMPARE(ReadAll(fFixture->LogFile()), ReadAll(ARDENT_HEADERS_DIR "/header_DP2B.hdr"));
    }

    void burnIsRecordedAndTheOpenProductionWindowShowsIt() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        QCOMPARE(fSim->Control("verdict 2 fail 3"), QString("ok"));
        Start("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\n[RECORDS]\nSTATION=line-9\n");
        QTRY_VERIFY(fWindow->Initialised());
        fWindow->ShowProduction();
        TProductionWindow& production = fWindow->ProductionWindow();
        QVERIFY(production.isVisible());
        QCOMPARE(production.Figures().chips, 0);
        TOperatorPanelLogger& panel = *fWindow->OperatorPanel();
        QTest::keyClicks(&panel.CommentField(), "LOT7");
        QTest::keyClicks(&panel.SerialField(0), "S1");
        QTRY_VERIFY(panel.TriggerButton().isEnabled());
        QTest::mouseClick(&panel.TriggerButton(), Qt::LeftButton);
        QTRY_VERIFY(panel.getCanChange());
        QCOMPARE(panel.ResultBox(1).text(), QString("FAIL"));
        QCOMPARE(Records("SELECT program, station, config_name, family, channel, verdict,"
                         " operator_comment, serial_number, chip_ids LIKE 'Device=0x%'"
                         " FROM burn_record ORDER BY seq"),
                 QStringList({"Ardent|line-9|Golden line|DP2B|1|PASS|LOT7|S1|1",
                              "Ardent|line-9|Golden line|DP2B|2|FAIL|LOT7||0",
                              "Ardent|line-9|Golden line|DP2B|4|PASS|LOT7||1"}));
        // The same IDs as the log's line: the chip is found by what the log shows.
        const QList<QByteArray> lines = ReadAll(fFixture->LogFile()).split('\n');
        const QStringList device = Records("SELECT value FROM record_chip_id WHERE seq = 1"
                                           " AND name = 'Device'");
        QCOMPARE(device.size(), 1);
        QVERIFY2(lines[1].contains(device[0].toLatin1()), lines[1].constData());
        // Refreshed by the burn, without another click.
        QCOMPARE(production.Figures().chips, 3);
        QCOMPARE(production.PassRates().at(0), 100.0);
        QCOMPARE(production.PassRates().at(1), 0.0);
        QCOMPARE(production.Failures().rowCount(), 1);
        QCOMPARE(production.Failures().item(0, 0)->text(), QString("Error = UART_GND_SHORT"));
        QVERIFY(Dialogs().boxes.isEmpty());
    }

    void lostRecordsAreShownBesideTheVerdict() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        QTemporaryDir folder;
        // Not a database: the records cannot be stored, and the file is left as it is.
        WriteAll(folder.filePath("records.sqlite"), "station notes\n");
        fFixture = std::make_unique<WindowFixture>("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\n",
                                                   folder.path());
        fWindow = fFixture->window.get();
        fApp = fFixture->app.get();
        fFixture->StartTransport();
        QTRY_VERIFY(fWindow->Initialised());
        fWindow->OperatorPanel()->btnTriggerClick();
        QTRY_VERIFY(fWindow->OperatorPanel()->getCanChange());
        QVERIFY(OperatorText().contains("Status channel [1] : PASS"));
        QCOMPARE(fWindow->OperatorPanel()->ResultBox(0).text(), QString("PASS"));
        QVERIFY(OperatorText().contains("Burn records not stored: "));
        QCOMPARE(Dialogs().boxes.size(), 1);
        QVERIFY(Dialogs().boxes[0].startsWith("error: Burn records not stored: "));
        QVERIFY(Dialogs().boxes[0].contains("records.sqlite"));
        QCOMPARE(ReadAll(folder.filePath("records.sqlite")), QByteArray("station notes\n"));
        // The log is untouched by the lost records: its lines are all there.
        QCOMPARE(ReadAll(fFixture->LogFile()).split('\n').size(), 4);
    }

    void externalTriggerRunsTheCycleWithoutAClick() {
        QCOMPARE(fSim->Control("store " ARDENT_TEST_DATA_DIR "/cfg/current.cfg"), QString("ok"));
        Start("[TARGET]\nTYPE=2\n");
        QTRY_VERIFY(fWindow->Initialised());
        QCOMPARE(fSim->Control("trigger"), QString("ok"));
        QTRY_VERIFY2(OperatorText().contains("Status channel [4] : PASS"),
                     qPrintable(OperatorText()));
        QVERIFY(OperatorText().startsWith("External trigger started...\r\n"));
        QTRY_VERIFY(fWindow->OperatorPanel()->getCanChange());
        QCOMPARE(fWindow->OperatorPanel()->ResultBox(3).text(), QString("PASS"));
    }

    void triggerWithoutProgrammerShowsOnlyTheConnectionBox() {
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        Start("[TARGET]\nTYPE=1\n");
        fWindow->OperatorPanel()->btnTriggerClick();
        QCOMPARE(Dialogs().boxes,
                 QStringList{"error: Can not connect to programmer. Check usb connection!"});
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(fWindow->OperatorPanel()->ResultBox(i).text(), QString("----"));
        }
        QVERIFY(fWindow->OperatorPanel()->getCanChange());
    }

    void guardEndsABusyPanel() {
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        Start("[TARGET]\nTYPE=1\n");
        TOperatorPanelLogger& panel = *fWindow->OperatorPanel();
        panel.buttDisable();
        QVERIFY(!panel.getCanChange());
        QCOMPARE(panel.OperationGuard().interval(), TMainPanel::kOperationGuardMs);
        fWindow->mniExpert1Click(); // busy: refused without a word
        QVERIFY(Dialogs().boxes.isEmpty());
        panel.operationGuardTimeout(); // 30 seconds without a notification
        QVERIFY(panel.getCanChange());
        QCOMPARE(OperatorText(), QString("Operation timeout is expired.\r\n"));
    }

    void modeSwitching() {
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        Start("[TARGET]\nTYPE=1\n");
        Dialogs().answerYes = false;
        fWindow->mniExpert1Click();
        QCOMPARE(Dialogs().boxes, (QStringList{"information: You are entering expert mode!",
                                               "confirm: Are you sure you want to do this?"}));
        QCOMPARE(fWindow->CurrentPanel(), static_cast<TMainPanel*>(fWindow->OperatorPanel()));
        fWindow->mniOperator1Click(); // already operator: nothing
        Dialogs().answerYes = true;
        fWindow->mniExpert1Click();
        QCOMPARE(fWindow->CurrentPanel(), static_cast<TMainPanel*>(fWindow->ExpertPanel()));
        QVERIFY(fWindow->TargetMenu().isEnabled());
        Dialogs().boxes.clear();
        fWindow->mniExpert1Click(); // already expert: nothing
        QVERIFY(Dialogs().boxes.isEmpty());
        fWindow->mniOperator1Click();
        QCOMPARE(fWindow->CurrentPanel(), static_cast<TMainPanel*>(fWindow->OperatorPanel()));
        QVERIFY(!fWindow->TargetMenu().isEnabled());
    }

    void fileOpenInOperatorModeActsOnTheExpertPanel() {
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        Start("[TARGET]\nTYPE=1\n");
        Dialogs().openFile = ARDENT_TEST_DATA_DIR "/cfg/current.cfg";
        fWindow->OpenItem().trigger();
        QCOMPARE(fWindow->ExpertPanel()->MessageBox().Text(),
                 QString("Please select DP2B as target device and reload CFG file\r\n"));
        QCOMPARE(fWindow->ExpertPanel()->ConfigurationName().text(), QString("Golden line"));
        QCOMPARE(OperatorText(), QString());
    }

    void targetSelectionRebuildsOnceAndLandsInExpertMode() {
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        Start("[TARGET]\nTYPE=2\n");
        QVERIFY(!fWindow->TargetItem(2).isChecked());
        TOperatorPanelLogger* oldPanel = fWindow->OperatorPanel();
        fWindow->TargetItem(2).trigger(); // the family in use: rebuilt all the same
        QVERIFY(fWindow->OperatorPanel() != oldPanel);
        QCOMPARE(fWindow->CurrentPanel(), static_cast<TMainPanel*>(fWindow->ExpertPanel()));
        QVERIFY(fWindow->TargetItem(2).isChecked());
        TExpertPanel* expert = fWindow->ExpertPanel();
        fWindow->TargetItem(2).trigger(); // already checked: nothing
        QCOMPARE(fWindow->ExpertPanel(), expert);
        QVERIFY(fWindow->TargetItem(2).isChecked());
        expert->buttDisable();
        fWindow->TargetItem(3).trigger(); // busy: nothing
        QCOMPARE(fWindow->ExpertPanel(), expert);
        QVERIFY(!fWindow->TargetItem(3).isChecked());
        expert->buttEnable();
        fWindow->TargetItem(3).trigger();
        QCOMPARE(fWindow->StatusText(0), QString("DP3B"));
        QVERIFY(fWindow->TargetItem(3).isChecked() && !fWindow->TargetItem(2).isChecked());
        QCOMPARE(fApp->settings->GetTargetType(), 3);
    }

    void windowIsCentredAndTargetItemsAreRadioItems() {
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        Start("[TARGET]\nTYPE=2\n");
        const QRect screen = fWindow->screen()->availableGeometry();
        const QPoint offset = fWindow->frameGeometry().center() - screen.center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 qPrintable(QString("%1, %2").arg(offset.x()).arg(offset.y())));
        // Drawn as radio items: one exclusive group.
        QActionGroup* group = fWindow->TargetItem(1).actionGroup();
        QVERIFY(group != nullptr && group->isExclusive());
        for (int type : {2, 3}) {
            QCOMPARE(fWindow->TargetItem(type).actionGroup(), group);
        }
        QVERIFY(group->checkedAction() == nullptr); // none checked at start
        fWindow->TargetItem(1).trigger();
        fWindow->ExpertPanel()->buttDisable();
        fWindow->TargetItem(3).trigger(); // busy: the check stays with DP2A
        QCOMPARE(group->checkedAction(), &fWindow->TargetItem(1));
        fWindow->ExpertPanel()->buttEnable();
        fWindow->TargetItem(3).trigger();
        QCOMPARE(group->checkedAction(), &fWindow->TargetItem(3));
    }

    void notificationsWithoutMeaningOnlyRepaint() {
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        Start("[TARGET]\nTYPE=1\n");
        fWindow->OperatorPanel()->addLines("kept", false);
        for (int code : {0, 9, 11, 12, 13}) {
            QCoreApplication::postEvent(fWindow, new TNotificationEvent(code, 1));
        }
        QCoreApplication::sendPostedEvents(fWindow);
        QCOMPARE(OperatorText(), QString("kept\r\n"));
        QVERIFY(Dialogs().boxes.isEmpty());
    }

    void secondCopyRaisesTheFirstAndExitsZero() {
        const QString name =
            QStringLiteral("ardent-test-%1").arg(QCoreApplication::applicationPid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ARDENT_INSTANCE_NAME", name);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        QTemporaryDir settings;
        env.insert("ARDENT_SETTINGS_FILE", settings.filePath("Ardent.ini"));
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(ARDENT_BIN_DIR "/Ardent", {});
        QVERIFY(first.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(Listening(name), 10000);
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(ARDENT_BIN_DIR "/Ardent", {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

private:
    void Start(const QByteArray& settings) {
        fFixture = std::make_unique<WindowFixture>(settings);
        fWindow = fFixture->window.get();
        fApp = fFixture->app.get();
        fFixture->StartTransport();
    }

    FakeDialogs& Dialogs() { return fFixture->dialogs; }

    // The rows of `sql` against the window's records, each "a|b|c".
    QStringList Records(const char* sql) const {
        QStringList rows;
        sqlite3* handle = nullptr;
        const std::string path = (fFixture->base + "/records.sqlite").toStdString();
        if (sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_exec(
                handle, sql,
                [](void* out, int count, char** values, char**) {
                    QStringList row;
                    for (int i = 0; i < count; ++i)
                        row << QString::fromUtf8(values[i] ? values[i] : "NULL");
                    static_cast<QStringList*>(out)->append(row.join('|'));
                    return 0;
                },
                &rows, nullptr);
        }
        sqlite3_close(handle);
        return rows;
    }

    QString OperatorText() const { return fWindow->OperatorPanel()->MessageBox().Text(); }

    static bool Listening(const QString& name) {
        QLocalSocket socket;
        socket.connectToServer(name);
        return socket.waitForConnected(100);
    }

    std::unique_ptr<SimulatedProgrammer> fSim;
    std::unique_ptr<WindowFixture> fFixture;
    TMainWindow* fWindow = nullptr;
    TProgramObjects* fApp = nullptr;
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
