// The production log as the line sees it, driven through the windows against the simulated
// programmer: which file the lines go to, what they name, that no file holding burn lines is
// emptied, what the operator typed or pasted, Settings taking effect, recovery from a failed
// write, and no line under another family's header.

#include "SimulatedProgrammer.h"
#include "WindowFixture.h"
#include "configuration/Configuration.h"
#include "configuration/ConfigurationLoader.h"
#include "model/Logger.h"
#include "targets/Target.h"
#include "window/ExpertPanelDP3B.h"
#include "window/NotificationEvent.h"
#include "window/OperatorPanelLogger.h"
#include "window/Settings.h"

#include <QDir>
#include <QMenu>
#include <QRegularExpression>
#include <QtTest>

#include <cstring>
#include <functional>
#include <memory>

using namespace ardent;

namespace {

const QString kGolden = QStringLiteral(ARDENT_TEST_DATA_DIR "/cfg/current.cfg");

// current.cfg (DP2B, channels 1, 2 and 4) under another name.
QString CfgNamed(const QString& path, const std::string& name) {
    TConfiguration configuration;
    TConfigurationLoader().loadConfigurationFromFile(kGolden.toStdString(), configuration);
    configuration.SetName(name);
    configuration.WriteConfigurationToFile(path.toStdString());
    return path;
}

QByteArray Header(const char* family) {
    return ReadAll(QStringLiteral(ARDENT_HEADERS_DIR "/header_%1.hdr").arg(family));
}

} // namespace

class ProductionLogTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        fFolder = std::make_unique<QTemporaryDir>();
        fSim = std::make_unique<SimulatedProgrammer>();
        QVERIFY(fSim->Started());
    }

    void cleanup() {
        fFixture.reset();
        fSim.reset();
        fFolder.reset();
    }

    // Logger settings x the ways logging gets started: the lines go to a file with a real name
    // and carry the configuration name, the firmware version and what the operator entered
    // (the serial pasted, not typed). Every other file in the folder holds only a header.
    void fileNameAndColumnsForEveryStart_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("file");
        const QList<std::pair<const char*, QByteArray>> settings = {
            {"file name", ""},
            {"programmer setup", "USECONFIG=1\n"},
            {"programmer setup and time", "USECONFIG=1\nTIMESTAMP=1\n"},
        };
        const QStringList files = {"logfile\\.csv", "Golden line\\.csv",
                                   "Golden line_\\d{8}_\\d{6}\\.csv"};
        for (const char* start : {"on at start", "empty programmer, then reconnected",
                                  "ticked after start", "switched on in Settings"}) {
            for (int i = 0; i < settings.size(); ++i) {
                QTest::addRow("%s, %s", settings[i].first, start)
                    << settings[i].second << QString(start) << files[i];
            }
        }
    }

    void fileNameAndColumnsForEveryStart() {
        QFETCH(QByteArray, settings);
        QFETCH(QString, start);
        QFETCH(QString, file);
        const bool onAtStart = start == "on at start" || start.startsWith("empty");
        const bool empty = start.startsWith("empty");
        QCOMPARE(fSim->Control(empty ? "clear-config" : "store " + kGolden), QString("ok"));
        Start("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=" + QByteArray(onAtStart ? "1" : "0") + "\n" +
              settings);
        QTRY_VERIFY(fWindow->Initialised());
        if (empty) {
            QCOMPARE(fSim->Control("unplug"), QString("ok"));
            QTRY_VERIFY(!fWindow->ShowsUsbConnected());
            QCOMPARE(fSim->Control("store " + kGolden), QString("ok"));
            QCOMPARE(fSim->Control("plug"), QString("ok"));
            QTRY_COMPARE(
                fWindow->ExpertPanel()->MessageBox().Text().count("Initialization is over."), 2);
            fWindow->mniOperator1Click();
        }
        TOperatorPanelLogger& panel = *fWindow->OperatorPanel();
        if (start == "ticked after start") {
            QTest::mouseClick(&panel.LogCheckBox(), Qt::LeftButton, {}, QPoint(6, 8));
        } else if (start == "switched on in Settings") {
            QTimer::singleShot(0, fWindow, [this] {
                fWindow->SettingsDialog().LogOnStart().setChecked(true);
                fWindow->SettingsDialog().close();
            });
            fWindow->showSettings();
        }
        QVERIFY(panel.LogCheckBox().isChecked());
        QVERIFY(panel.CommentField().isEnabled() && panel.SerialField(0).isEnabled());
        QTest::keyClicks(&panel.CommentField(), "LOT7");
        panel.SerialField(0).insert("S1"); // pasted with the mouse: no key at all
        QVERIFY(Burn());

        const QStringList csv = CsvFiles();
        const QRegularExpression wanted(QRegularExpression::anchoredPattern(file));
        const QStringList withLines = csv.filter(wanted);
        QVERIFY2(withLines.size() == 1, qPrintable(csv.join('|')));
        const QList<QByteArray> lines = ReadAll(LogFolder() + withLines[0]).split('\n');
        QCOMPARE(lines.size(), 4); // header, channels 1, 2 and 4
        QVERIFY(lines[0].startsWith(Header("DP2B")));
        const QList<QByteArray> channel1 = lines[1].trimmed().split(',');
        QCOMPARE(channel1.size(), 14);
        QCOMPARE(channel1.mid(1, 3), (QList<QByteArray>{"LOT7", "S1", "CH1"}));
        QCOMPARE(channel1[10], QByteArray("1.7.0"));
        QCOMPARE(channel1[12], QByteArray("Golden line"));
        for (const QString& other : csv) {
            QVERIFY2(!other.startsWith('_') && !other.startsWith('.'), qPrintable(other));
            if (other != withLines[0]) {
                QCOMPARE(ReadAll(LogFolder() + other), Header("DP2B"));
            }
        }
    }

    // Append off: however logging starts again, a log holding burn lines is kept whole and
    // the lines go on in the next free name beside it, without a question; a file holding only
    // its header is taken over.
    void logWithLinesIsNeverEmptied_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("next");
        QTest::newRow("start with a log from an earlier day") << "start"
                                                              << "logfile_2.csv";
        QTest::newRow("restart of Ardent") << "restart"
                                           << "logfile_2.csv";
        QTest::newRow("Start logging unticked and ticked") << "toggle"
                                                           << "logfile_2.csv";
        QTest::newRow("restart with two logs already") << "restart twice"
                                                       << "logfile_3.csv";
        QTest::newRow("start with a header-only file") << "header only"
                                                       << "logfile.csv";
    }

    void logWithLinesIsNeverEmptied() {
        QFETCH(QString, how);
        QFETCH(QString, next);
        QCOMPARE(fSim->Control("store " + kGolden), QString("ok"));
        const QByteArray settings = "[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\n";
        QByteArray kept;
        if (how == "start" || how == "header only") {
            QVERIFY(QDir(fFolder->path()).mkpath("logs"));
            kept = how == "start" ? Header("DP2B") + "\r\n2024/03/04,,,CH1,1.7.0,x,Golden line,PASS"
                                  : Header("DP2B");
            QVERIFY(WriteAll(fFolder->filePath("logs/logfile.csv"), kept));
            Start(settings, fFolder->path());
            QTRY_VERIFY(fWindow->Initialised());
        } else {
            Start(settings, fFolder->path());
            QTRY_VERIFY(fWindow->Initialised());
            QVERIFY(Burn());
            kept = ReadAll(fFixture->LogFile());
            QCOMPARE(kept.count("\r\n"), 3);
            if (how == "toggle") {
                TOperatorPanelLogger& panel = *fWindow->OperatorPanel();
                QTest::mouseClick(&panel.LogCheckBox(), Qt::LeftButton, {}, QPoint(6, 8));
                QTest::mouseClick(&panel.LogCheckBox(), Qt::LeftButton, {}, QPoint(6, 8));
                QVERIFY(panel.LogCheckBox().isChecked());
            } else {
                for (int run = how == "restart twice" ? 2 : 1; run > 0; --run) {
                    Restart(settings);
                    QTRY_VERIFY(fWindow->Initialised());
                    if (run == 2) {
                        QVERIFY(Burn());
                    }
                }
            }
        }
        fFixture->dialogs.boxes.removeAll(
            "confirm: Are you sure you want to start logger?"); // the toggle's own question
        QVERIFY(Burn());
        QCOMPARE(fFixture->dialogs.boxes, QStringList());
        const QByteArray written = ReadAll(LogFolder() + next);
        QVERIFY(written.startsWith(how == "header only" ? kept : Header("DP2B")));
        QCOMPARE(written.count("\r\n"), 3);
        if (next != "logfile.csv") {
            QCOMPARE(ReadAll(fFixture->LogFile()), kept);
        }
    }

    // The store in expert mode, the first store into an empty programmer and a reconnect after
    // another tool stored: every burn's lines name what the programmer holds at that burn.
    void linesNameWhatTheProgrammerHoldsNow() {
        QCOMPARE(fSim->Control("clear-config"), QString("ok"));
        Start("[TARGET]\nTYPE=3\n[LOGFILE]\nCREATELOG=1\n");
        QTRY_VERIFY(fWindow->Initialised()); // nothing stored: expert mode
        auto& expert = static_cast<TExpertPanelDP3B&>(*fWindow->ExpertPanel());
        fFixture->dialogs.openFile = ARDENT_TEST_DATA_DIR "/input/dp3b_patch_par.xml";
        expert.btnLoadXmlClick();
        for (const char* name : {"LINE_A", "LINE_B"}) {
            if (fWindow->CurrentPanel() != fWindow->ExpertPanel()) {
                fWindow->mniExpert1Click();
            }
            expert.ConfigurationName().setText(name);
            expert.btnStoreCfgClick();
            QTRY_VERIFY(expert.getCanChange());
            QVERIFY(expert.MessageBox().Text().endsWith("Store operation success.\r\n"));
            fWindow->mniOperator1Click();
            QVERIFY(Burn());
            const QList<QByteArray> fields = LastLine().split(','); // DP3B: three ID columns
            QCOMPARE(fields.size(), 11);
            QCOMPARE(fields[7], QByteArray("1.7.0"));
            QCOMPARE(fields[9], QByteArray(name));
        }
        fWindow->mniExpert1Click();
        expert.ConfigurationName().setText("LINE_C");
        fFixture->dialogs.saveFile = fFixture->dir.filePath("line_c.cfg");
        expert.btnSaveCfgClick();
        QCOMPARE(fSim->Control("unplug"), QString("ok"));
        QTRY_VERIFY(!fWindow->ShowsUsbConnected());
        QCOMPARE(fSim->Control("store " + fFixture->dir.filePath("line_c.cfg")), QString("ok"));
        QCOMPARE(fSim->Control("plug"), QString("ok"));
        QTRY_COMPARE(expert.NameInProgrammer().text(), QString("LINE_C"));
        fWindow->mniOperator1Click();
        QVERIFY(Burn());
        QVERIFY2(LastLine().endsWith(",LINE_C,PASS"), LastLine().constData());
        QCOMPARE(CsvFiles(), QStringList{"logfile.csv"}); // one run, one file
    }

    void settingsChangedWhileLoggingMoveTheNextLines() {
        QCOMPARE(fSim->Control("store " + kGolden), QString("ok"));
        Start("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\n");
        QTRY_VERIFY(fWindow->Initialised());
        QVERIFY(Burn());
        const QByteArray first = ReadAll(fFixture->LogFile());
        QTimer::singleShot(0, fWindow, [this] {
            fWindow->SettingsDialog().DestFolder().setText("line7");
            fWindow->SettingsDialog().FileName().setText("night");
            fWindow->SettingsDialog().close();
        });
        fWindow->showSettings();
        QVERIFY(Burn());
        QCOMPARE(ReadAll(fFixture->LogFile()), first);
        const QByteArray moved = ReadAll(fFixture->base + "/line7/night.csv");
        QVERIFY(moved.startsWith(Header("DP2B")));
        QCOMPARE(moved.count("\r\n"), 3);
    }

    void failedWriteIsReportedOnceAndTheNextBurnWritesAgain() {
        QCOMPARE(fSim->Control("store " + kGolden), QString("ok"));
        Start("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\n");
        QTRY_VERIFY(fWindow->Initialised());
        QVERIFY(Burn());
        const QByteArray first = ReadAll(fFixture->LogFile());
        fFixture->failWrites = true; // the disk is full
        QVERIFY(Burn());
        const QString reason =
            "Burn log: Log write to " + fFixture->LogFile() +
            " failed: No space left on device. Lines of this burn are missing; make room on "
            "the disk or choose another folder in Settings. The next burn tries the file again.";
        QCOMPARE(fFixture->dialogs.boxes, QStringList{"error: " + reason}); // once per burn
        QVERIFY(OperatorText().endsWith(reason + "\r\n"));
        QCOMPARE(ReadAll(fFixture->LogFile()), first);
        fFixture->failWrites = false; // room again
        fFixture->dialogs.boxes.clear();
        QVERIFY(Burn());
        QVERIFY(fFixture->dialogs.boxes.isEmpty());
        const QByteArray now = ReadAll(fFixture->LogFile());
        QVERIFY(now.startsWith(first));
        QCOMPARE(now.count("\r\n"), 6);
        QCOMPARE(CsvFiles(), QStringList{"logfile.csv"});
    }

    // The programmer holds a DP2B configuration while the target is DP3B.
    void storedFamilyDiffersFromTheTarget_data() {
        QTest::addColumn<bool>("switchTarget");
        QTest::addColumn<bool>("logging");
        QTest::newRow("switched") << true << true;
        QTest::newRow("kept, logging on: burns refused") << false << true;
        QTest::newRow("kept, logging off: burns as before") << false << false;
    }

    void storedFamilyDiffersFromTheTarget() {
        QFETCH(bool, switchTarget);
        QFETCH(bool, logging);
        QCOMPARE(fSim->Control("store " + kGolden), QString("ok"));
        fFixture = std::make_unique<WindowFixture>(
            "[TARGET]\nTYPE=3\n[LOGFILE]\nCREATELOG=" + QByteArray(logging ? "1" : "0") + "\n");
        fWindow = fFixture->window.get();
        fFixture->dialogs.answerYes = switchTarget;
        fFixture->StartTransport();
        QTRY_VERIFY(fWindow->Initialised());
        QCOMPARE(fFixture->dialogs.boxes,
                 QStringList{"confirm: The configuration in the programmer is for DP2B, but the "
                             "target is DP3B. Switch the target to DP2B?"});
        fFixture->dialogs.boxes.clear();
        QCOMPARE(fWindow->CurrentPanel(), static_cast<TMainPanel*>(fWindow->OperatorPanel()));
        QCOMPARE(fWindow->StatusText(0), QString(switchTarget ? "DP2B" : "DP3B"));
        QCOMPARE(fWindow->TargetItem(2).isChecked(), switchTarget);
        QVERIFY(!fWindow->TargetMenu().isEnabled()); // still operator mode
        QCOMPARE(fFixture->app->settings->GetTargetType(), switchTarget ? 2 : 3);
        if (switchTarget) {
            QCOMPARE(OperatorText(), QString("Initialization is over.\r\n"));
            QVERIFY(Burn());
            const QList<QByteArray> lines = ReadAll(fFixture->LogFile()).split('\n');
            QCOMPARE(lines.size(), 4);
            QCOMPARE(lines[0].trimmed(), Header("DP2B"));
            QCOMPARE(lines[1].count(','), 13); // the six DP2B ID columns
            return;
        }
        QCOMPARE(OperatorText(),
                 QString("The target stays DP3B. While logging is on, burns are refused until "
                         "it matches the configuration in the programmer (DP2B).\r\n"
                         "Initialization is over.\r\n"));
        fWindow->OperatorPanel()->btnTriggerClick();
        if (logging) {
            QCOMPARE(fFixture->dialogs.boxes,
                     QStringList{"error: The configuration in the programmer is for DP2B, but "
                                 "the target is DP3B: the burn would be logged under the wrong "
                                 "family. Select DP2B in the Target menu (expert mode) first."});
            QVERIFY(fWindow->OperatorPanel()->getCanChange()); // nothing started
            // The programmer's own trigger burns anyway: its lines are not written under DP3B.
            fFixture->dialogs.boxes.clear();
            QCOMPARE(fSim->Control("trigger"), QString("ok"));
            QTRY_VERIFY(OperatorText().contains("Status channel [4] : PASS"));
            QTRY_VERIFY(fWindow->OperatorPanel()->getCanChange());
            QCOMPARE(fFixture->dialogs.boxes,
                     QStringList{"error: Burn log: The programmer holds a DP2B configuration, "
                                 "but this log is for DP3B: the burn was not logged. Select DP2B "
                                 "in the Target menu (expert mode)."});
            QCOMPARE(CsvFiles(), QStringList()); // not even a file under the DP3B header
        } else {
            QTRY_VERIFY(fWindow->OperatorPanel()->getCanChange());
            QVERIFY(OperatorText().contains("Status channel [1] : PASS"));
            QVERIFY(fFixture->dialogs.boxes.isEmpty());
        }
    }

    // Told after a store too, and switching keeps expert mode and the store's line.
    void storeOfAnotherFamilyOffersTheSwitch() {
        fSim.reset(); // the programmer model is set by hand
        fFixture = std::make_unique<WindowFixture>("[TARGET]\nTYPE=2\n");
        fWindow = fFixture->window.get();
        fWindow->mniExpert1Click();
        fFixture->dialogs.boxes.clear();
        TDeviceBurnerInfo burner{};
        burner.firmwareVersion = 0x010700;
        fFixture->app->deviceSetup.SetBurnerInfo(true, burner);
        TDeviceConfigurationStruct stored{};
        std::memcpy(stored.configName, "DP3B line", 9);
        stored.targetType = 3;
        stored.chSelection = 1;
        fFixture->app->deviceSetup.SetConfigurationInfo(true, stored);
        fWindow->HandleNotification(TNotification::ConfigurationStored, 1);
        QCOMPARE(fFixture->dialogs.boxes,
                 QStringList{"confirm: The configuration in the programmer is for DP3B, but the "
                             "target is DP2B. Switch the target to DP3B?"});
        QCOMPARE(fWindow->CurrentPanel(), static_cast<TMainPanel*>(fWindow->ExpertPanel()));
        QCOMPARE(fWindow->StatusText(0), QString("DP3B"));
        QCOMPARE(static_cast<int>(FamilyNumber(fFixture->app->currentLogger->LoggedFamily())), 3);
        QCOMPARE(fWindow->ExpertPanel()->MessageBox().Text(),
                 QString("Store operation success.\r\n"));
        fFixture->dialogs.boxes.clear();
        // The families match now: nothing asked.
        fWindow->HandleNotification(TNotification::ConfigurationStored, 1);
        QVERIFY(fFixture->dialogs.boxes.isEmpty());
    }

    // A name holding terminal sequences and a line break is shown and logged with "?" for each
    // control byte, in every window that shows it.
    void controlBytesOfANameNeverReachWindowsOrLog() {
        const std::string name = "A\x1b[31m\r\n2024/x";
        QCOMPARE(fSim->Control("store " + CfgNamed(fFolder->filePath("odd.cfg"), name)),
                 QString("ok"));
        Start("[TARGET]\nTYPE=2\n[LOGFILE]\nCREATELOG=1\nUSECONFIG=1\n");
        QTRY_VERIFY(fWindow->Initialised());
        const QString shown = "A?[31m??2024/x";
        QCOMPARE(fWindow->OperatorPanel()->ConfigurationNameBox().text(), shown);
        QVERIFY(Burn());
        QCOMPARE(CsvFiles(), QStringList{"A?[31m??2024_x.csv"});
        const QList<QByteArray> lines = ReadAll(LogFolder() + "A?[31m??2024_x.csv").split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[1].trimmed().endsWith("," + shown.toLatin1() + ",PASS"));
        fFixture->dialogs.openFile = fFolder->filePath("odd.cfg");
        fWindow->mniOpen1Click();
        QCOMPARE(fWindow->ExpertPanel()->ConfigurationName().text(), shown);
        QCOMPARE(fWindow->ExpertPanel()->NameInProgrammer().text(), shown); // the stored one
        // A file that vanished before it was read: its name comes back in a message.
        fFixture->dialogs.boxes.clear();
        fFixture->app->currentTarget->loadPAR(fFolder->filePath("gone\x1b[2J.ahex").toStdString());
        QCOMPARE(fFixture->dialogs.boxes, QStringList{"information: File " + fFolder->path() +
                                                      "/gone?[2J.ahex does not exist"});
    }

private:
    void Start(const QByteArray& settings, const QString& folder = {}) {
        fFixture = std::make_unique<WindowFixture>(settings, folder);
        fWindow = fFixture->window.get();
        fFixture->StartTransport();
    }

    // Ardent ends and starts again in the same folder.
    void Restart(const QByteArray& settings) {
        const QString folder = fFixture->base;
        fFixture.reset();
        Start(settings, folder);
    }

    // One press of the trigger button in operator mode, up to the result.
    bool Burn() {
        TOperatorPanelLogger& panel = *fWindow->OperatorPanel();
        if (!QTest::qWaitFor([&] { return panel.TriggerButton().isEnabled(); }, 5000)) {
            return false;
        }
        panel.btnTriggerClick();
        return QTest::qWaitFor([&] { return panel.getCanChange(); }, 5000) &&
               OperatorText().contains("Status channel [1]");
    }

    QString LogFolder() const { return fFixture->base + "/logs/"; }

    QStringList CsvFiles() const {
        return QDir(LogFolder()).entryList({"*.csv"}, QDir::Files | QDir::Hidden, QDir::Name);
    }

    QByteArray LastLine() const {
        return ReadAll(fFixture->LogFile()).split('\n').last().trimmed();
    }

    QString OperatorText() const { return fWindow->OperatorPanel()->MessageBox().Text(); }

    // A folder that outlives one run of Ardent.
    std::unique_ptr<QTemporaryDir> fFolder;
    std::unique_ptr<SimulatedProgrammer> fSim;
    std::unique_ptr<WindowFixture> fFixture;
    TMainWindow* fWindow = nullptr;
};

QTEST_MAIN(ProductionLogTest)
#include "ProductionLogTest.moc"
