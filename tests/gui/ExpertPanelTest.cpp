// The engineer's work in the expert panels: input files, validation, Save / Load of .cfg files,
// the family rules of the file boxes and grids, and store / import against the simulated
// programmer with the stored image compared with the saved file.

#include "SimulatedProgrammer.h"
#include "WindowFixture.h"
#include "configuration/Configuration.h"
#include "targets/Target.h"
#include "utils/Bytes.h"
#include "utils/VersionText.h"
#include "window/ExpertPanelDP2A.h"
#include "window/ExpertPanelDP2B.h"
#include "window/ExpertPanelDP3B.h"
#include "window/NotificationEvent.h"
#include "window/OperatorPanelLogger.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace ardent;

namespace {

const QString kInput = QStringLiteral(ARDENT_TEST_DATA_DIR "/input/");

// A copy of a fixture file under another name (names matter to the panel).
QString CopyAs(const QTemporaryDir& dir, const QString& from, const QString& name) {
    const QString to = dir.filePath(name);
    QFile::remove(to);
    QFile::copy(from, to);
    return to;
}

// A configuration image of target type `type` that the loader reads: a name, channel 1, 9600
// baud and one parameter block.
QString ConfigurationOfType(const QTemporaryDir& dir, uint32_t type, const QString& name) {
    TConfiguration configuration;
    configuration.SetName("Nobody's");
    configuration.SetTargetType(type);
    configuration.SetChannel(1);
    configuration.SetBaudRate(9600);
    configuration.AddNewBlock(3, Bytes{0, 0xF0, 2, 0, 0x34, 0x12});
    const QString file = dir.filePath(name);
    configuration.WriteConfigurationToFile(file.toStdString());
    return file;
}

// What the panel shows of a configuration, to see that a refused load changed none of it.
QStringList Shown(TExpertPanel& panel, QTableWidget& grid) {
    QStringList shown{panel.ConfigurationName().text(), panel.BaudRateList().currentText(),
                      QString::number(panel.ChannelSelection())};
    for (QCheckBox* box : {&panel.SelFwBox(), &panel.SelParBox(), &panel.SelPatchBox()}) {
        shown << QString::number(box->isChecked()) + QString::number(box->isEnabled());
    }
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int c = 0; c < grid.columnCount(); ++c) {
            shown << grid.item(r, c)->text();
        }
    }
    return shown;
}

} // namespace

class ExpertPanelTest : public QObject {
    Q_OBJECT

private slots:
    void saveWithNothingSelectedWritesEveryReason() {
        WindowFixture f("[TARGET]\nTYPE=1\n");
        TExpertPanel& panel = ExpertMode(f);
        panel.ChannelBox(0).click(); // no channel left
        panel.btnSaveCfgClick();
        QCOMPARE(panel.MessageBox().Text(),
                 QString("Check files selection.\r\nAt least one input file must be selected.\r\n"
                         "Check channel selection.\r\nAt least one channel must be selected.\r\n"
                         "Can't save config file.\r\n"));
        QCOMPARE(f.dialogs.saveDialogs, 0);
    }

    void dp2aSaveNeedsANameAndWritesTheFile() {
        WindowFixture f("[TARGET]\nTYPE=1\n");
        auto& panel = static_cast<TExpertPanelDP2A&>(ExpertMode(f));
        QCOMPARE(panel.Grid().item(1, 1)->text(), QString("-")); // nothing loaded yet
        f.dialogs.openFile = CopyAs(f.dir, kInput + "dp2a_par.ahex", "PAR.AHEX");
        panel.btnLoadParClick();
        QCOMPARE(panel.LoadParButton().toolTip(), QString("par.ahex"));
        QVERIFY(panel.SelParBox().isEnabled());
        QVERIFY(panel.LoadParButton().font().bold());
        panel.SelParBox().click();
        QCOMPARE(panel.Grid().item(1, 2)->text(), QString("0x96D5"));
        panel.ConfigurationName().clear();
        panel.btnSaveCfgClick();
        QCOMPARE(panel.MessageBox().Text(), QString("You must set config name.\r\n"));
        QCOMPARE(f.dialogs.saveDialogs, 0);
        panel.ConfigurationName().setText("PSU_A");
        f.dialogs.saveFile = f.dir.filePath("psu_a");
        panel.btnSaveCfgClick();
        QCOMPARE(panel.MessageBox().Text(), QString("You saved config file successfully.\r\n"));
        QVERIFY(QFile::exists(f.dir.filePath("psu_a.cfg")));
    }

    void cfgEndingInAnyCaseIsAccepted_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("setup.Cfg") << "setup.Cfg" << true;
        QTest::newRow("SETUP.CFG") << "SETUP.CFG" << true;
        QTest::newRow("setup.cfg.bak") << "setup.cfg.bak" << false;
    }

    void cfgEndingInAnyCaseIsAccepted() {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        WindowFixture f("[TARGET]\nTYPE=2\n");
        TExpertPanel& panel = ExpertMode(f);
        f.dialogs.openFile = CopyAs(f.dir, ARDENT_TEST_DATA_DIR "/cfg/current.cfg", name);
        panel.btnLoadCfgClick();
        QCOMPARE(f.dialogs.boxes.contains("information: File isn't .cfg file!"), !accepted);
        QCOMPARE(panel.MessageBox().Text(),
                 accepted ? QString("Config file is ok!\r\n") : QString());
    }

    void otherFamilyReportsMismatchButShowsTheHeader() {
        WindowFixture f("[TARGET]\nTYPE=1\n");
        TExpertPanel& panel = ExpertMode(f);
        f.dialogs.openFile = ARDENT_TEST_DATA_DIR "/cfg/current.cfg";
        panel.btnLoadCfgClick();
        QCOMPARE(panel.MessageBox().Text(),
                 QString("Please select DP2B as target device and reload CFG file\r\n"));
        QCOMPARE(panel.ConfigurationName().text(), QString("Golden line"));
        QCOMPARE(panel.BaudRateList().currentIndex(), -1); // 115200 is not in the list
        QVERIFY(panel.ChannelBox(0).isChecked() && panel.ChannelBox(1).isChecked());
        QVERIFY(!panel.ChannelBox(2).isChecked() && panel.ChannelBox(3).isChecked());
        // Saving now would write a baud rate nobody chose: refused with a clear line.
        panel.btnSaveCfgClick();
        QVERIFY(panel.MessageBox().Text().contains("Select a baud rate from the list.\r\n"));
        QVERIFY(panel.MessageBox().Text().endsWith("Can't save config file.\r\n"));
    }

    void unusableConfigurationIsNeverOk_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<bool>("loaded");
        // The loader refuses: why, and everything shown stays the previous configuration's.
        QTest::newRow("damaged")
            << "damaged"
            << "Config file %1 is not usable: its CRC does not match its contents (the image "
               "is damaged).\r\nThe configuration shown is still the previous one.\r\n"
            << false;
        QTest::newRow("a folder")
            << "folder"
            << "Config file %1 is not usable: the file cannot be read (missing, not a regular "
               "file, or too large).\r\nThe configuration "
               "shown is still the previous one.\r\n"
            << false;
        // The loader reads it, but no family has it: never "Config file is ok!".
        QTest::newRow("target type 0") << "type 0"
                                       << "Target type is not recognized.\r\n"
                                       << true;
        QTest::newRow("target type 7") << "type 7"
                                       << "Target type is not recognized.\r\n"
                                       << true;
    }

    void unusableConfigurationIsNeverOk() {
        QFETCH(QString, kind);
        QFETCH(QString, lines);
        QFETCH(bool, loaded);
        WindowFixture f("[TARGET]\nTYPE=2\n");
        auto& panel = static_cast<TExpertPanelDP2B&>(ExpertMode(f));
        f.dialogs.openFile = ARDENT_TEST_DATA_DIR "/cfg/current.cfg";
        panel.btnLoadCfgClick();
        QCOMPARE(panel.MessageBox().Text(), QString("Config file is ok!\r\n"));
        const QStringList before = Shown(panel, panel.Grid());
        QString file;
        if (kind == "damaged") {
            file = CopyAs(f.dir, ARDENT_TEST_DATA_DIR "/cfg/damaged.cfg", "damaged.cfg");
        } else if (kind == "folder") {
            file = f.dir.filePath("folder.cfg");
            QVERIFY(QDir().mkdir(file));
        } else {
            file = ConfigurationOfType(f.dir, kind == "type 0" ? 0 : 7, "other.cfg");
        }
        f.dialogs.openFile = file;
        panel.btnLoadCfgClick();
        QCOMPARE(panel.MessageBox().Text(), lines.arg(file));
        if (loaded) {
            QCOMPARE(panel.ConfigurationName().text(), QString("Nobody's"));
        } else {
            QCOMPARE(Shown(panel, panel.Grid()), before);
            QCOMPARE(f.app->configuration.GetName(), std::string("Golden line"));
        }
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void importedImageTheLoaderRefusesSaysWhy() {
        WindowFixture f("[TARGET]\nTYPE=2\n");
        TExpertPanel& panel = ExpertMode(f);
        f.dialogs.openFile = ARDENT_TEST_DATA_DIR "/cfg/current.cfg";
        panel.btnLoadCfgClick();
        panel.clearMsgBox();
        panel.addLines("Read configuration started...", false);
        // The read flow's verdict on the image it brought, then its notification.
        f.app->Context(f.window->Sink()).importVerdict->store(TLoadVerdict::CrcMismatch);
        QCoreApplication::postEvent(f.window.get(), new TNotificationEvent(2, 0));
        QCoreApplication::sendPostedEvents(f.window.get());
        QCOMPARE(panel.MessageBox().Text(),
                 QString("Read configuration started...FAIL\r\nCan't read config file.\r\nThe "
                         "configuration read from the programmer is not usable: its CRC does not "
                         "match its contents (the image is damaged).\r\nThe configuration shown "
                         "is still the previous one."));
        QCOMPARE(panel.ConfigurationName().text(), QString("Golden line"));
    }

    void inputFileThatCannotBeReadIsReported_data() {
        QTest::addColumn<int>("family");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("box");
        QTest::newRow("DP2A parameters: a folder")
            << 1 << "par.ahex"
            << "error: Can't read par.ahex: Cannot read file \"%1\". It is not a regular file.";
        QTest::newRow("DP2B firmware: a folder")
            << 2 << "fw.ahex"
            << "error: Can't read fw.ahex: Cannot read file \"%1\". It is not a regular file.";
        QTest::newRow("DP3B: a record type that is no number")
            << 3 << "dp3b_record_type_word.xml"
            << "error: Can't read dp3b_record_type_word.xml: 'three' is not a valid integer value";
    }

    // An error while reading an input file ends in a box, never in an error leaving the panel.
    void inputFileThatCannotBeReadIsReported() {
        QFETCH(int, family);
        QFETCH(QString, file);
        QFETCH(QString, box);
        WindowFixture f(QByteArray("[TARGET]\nTYPE=") + QByteArray::number(family));
        TExpertPanel& panel = ExpertMode(f);
        QString path = f.dir.filePath(file);
        if (family == 3) {
            path = kInput + file;
        } else {
            QVERIFY(QDir().mkdir(path));
        }
        f.dialogs.openFile = path;
        QPushButton* button = nullptr;
        QCheckBox* selection = nullptr;
        if (family == 1) {
            panel.btnLoadParClick();
            button = &panel.LoadParButton();
            selection = &panel.SelParBox();
        } else if (family == 2) {
            panel.btnLoadFWClick();
            button = &panel.LoadFwButton();
            selection = &panel.SelFwBox();
        } else {
            auto& dp3b = static_cast<TExpertPanelDP3B&>(panel);
            f.dialogs.openFile = kInput + "dp3b_par.xml"; // loaded first: the failure drops it
            dp3b.btnLoadXmlClick();
            QVERIFY(panel.SelParBox().isChecked());
            f.dialogs.openFile = path;
            dp3b.btnLoadXmlClick();
            button = &dp3b.LoadXmlButton();
            selection = &panel.SelParBox();
            QVERIFY(!panel.SelPatchBox().isEnabled());
            QVERIFY(!f.app->currentTarget->CheckSelection(3));
        }
        QCOMPARE(f.dialogs.boxes, QStringList{box.contains("%1") ? box.arg(path) : box});
        QVERIFY(!selection->isEnabled() && !selection->isChecked());
        QVERIFY(!button->font().bold());
        QCOMPARE(button->toolTip(), file);
    }

    void loadedButtonsLookDisabledWhenDisabled_data() {
        QTest::addColumn<int>("family");
        QTest::newRow("DP2A parameters load button") << 1;
        QTest::newRow("DP3B XML load button") << 3;
    }

    void loadedButtonsLookDisabledWhenDisabled() {
        QFETCH(int, family);
        WindowFixture f(QByteArray("[TARGET]\nTYPE=") + QByteArray::number(family));
        TExpertPanel& panel = ExpertMode(f);
        QPushButton* button = &panel.LoadParButton();
        if (family == 1) {
            f.dialogs.openFile = kInput + "dp2a_par.ahex";
            panel.btnLoadParClick();
        } else {
            f.dialogs.openFile = kInput + "dp3b_par.xml";
            static_cast<TExpertPanelDP3B&>(panel).btnLoadXmlClick();
            button = &static_cast<TExpertPanelDP3B&>(panel).LoadXmlButton();
        }
        const QColor green(0, 128, 0);
        QCOMPARE(button->palette().color(QPalette::Active, QPalette::ButtonText), green);
        panel.buttDisable(); // an operation runs
        QVERIFY(!button->isEnabled());
        const QPushButton plain;
        QCOMPARE(button->palette().color(QPalette::Disabled, QPalette::ButtonText),
                 plain.palette().color(QPalette::Disabled, QPalette::ButtonText));
        panel.buttEnable();
        QCOMPARE(button->palette().color(QPalette::Active, QPalette::ButtonText), green);
    }

    void refusedTriggerLeavesTheOperatorTriggerUsable() {
        WindowFixture f("[TARGET]\nTYPE=2\n");
        TExpertPanel& panel = ExpertMode(f);
        panel.btnTriggerClick(); // no programmer: refused
        QCOMPARE(f.dialogs.boxes,
                 QStringList{"error: Can not connect to programmer. Check usb connection!"});
        f.window->mniOperator1Click();
        QVERIFY(f.window->OperatorPanel()->TriggerButton().isEnabled());
    }

    void dp2bGridShowsWholeIds() {
        WindowFixture f("[TARGET]\nTYPE=2\n");
        auto& panel = static_cast<TExpertPanelDP2B&>(ExpertMode(f));
        f.dialogs.openFile = kInput + "dp2b_firmware.ahex";
        panel.btnLoadFWClick();
        panel.SelFwBox().click();
        QTableWidget& grid = panel.Grid();
        const QString id = grid.item(2, 2)->text(); // FW, after burn: the 64-bit firmware ID
        QCOMPARE(id, QString("0x0001000200030004"));
        const int needed = grid.fontMetrics().horizontalAdvance(id) + 8;
        for (int column : {1, 2}) {
            QVERIFY2(grid.columnWidth(column) >= needed,
                     qPrintable(QString("%1 < %2").arg(grid.columnWidth(column)).arg(needed)));
        }
        QCOMPARE(grid.item(2, 2)->toolTip(), id);
        // The grid, and the compare boxes beside it, stay inside their group.
        QWidget* group = grid.parentWidget();
        QVERIFY(grid.geometry().right() < group->width());
        QVERIFY(panel.CompareBox(0).geometry().right() < group->width());
        QVERIFY(group->geometry().right() < panel.width());
    }

    void baudRateOfALoadedConfigurationIsSelected() {
        WindowFixture f("[TARGET]\nTYPE=1\n");
        TExpertPanel& panel = ExpertMode(f);
        f.dialogs.openFile = CopyAs(f.dir, kInput + "dp2a_par.ahex", "par.ahex");
        panel.btnLoadParClick();
        panel.SelParBox().click();
        panel.BaudRateList().setCurrentText("38400");
        f.dialogs.saveFile = f.dir.filePath("b.cfg");
        panel.btnSaveCfgClick();
        panel.BaudRateList().setCurrentIndex(0);
        f.dialogs.openFile = f.dir.filePath("b.cfg");
        panel.btnLoadCfgClick();
        QCOMPARE(panel.BaudRateList().currentText(), QString("38400"));
        QVERIFY(panel.SelParBox().isChecked());
    }

    void dp2bFirmwareAndPatchExcludeEachOther() {
        WindowFixture f("[TARGET]\nTYPE=2\n");
        auto& panel = static_cast<TExpertPanelDP2B&>(ExpertMode(f));
        f.dialogs.openFile = kInput + "dp2b_patch.ahex";
        panel.btnLoadPatchClick();
        f.dialogs.openFile = kInput + "dp2b_firmware.ahex";
        panel.btnLoadFWClick();
        QVERIFY(panel.SelFwBox().isEnabled() && panel.SelPatchBox().isEnabled());
        panel.SelPatchBox().click();
        QVERIFY(panel.CompareBox(3).isChecked());
        panel.SelFwBox().click();
        QVERIFY(panel.SelFwBox().isChecked());
        QVERIFY(!panel.SelPatchBox().isChecked());
        QVERIFY(!panel.CompareBox(3).isChecked());
        QVERIFY(!f.app->currentTarget->CheckSelection(2));
        panel.SelPatchBox().click();
        QVERIFY(!panel.SelFwBox().isChecked());
        QVERIFY(!f.app->currentTarget->CheckSelection(1));
    }

    void dp2bTypedCellsAreNotKept() {
        WindowFixture f("[TARGET]\nTYPE=2\n");
        auto& panel = static_cast<TExpertPanelDP2B&>(ExpertMode(f));
        panel.idGridCellClicked(1, 1); // Device, before burn
        QVERIFY(panel.Grid().editTriggers() != QAbstractItemView::NoEditTriggers);
        panel.Grid().item(1, 1)->setText("1234");
        panel.paintAgain();
        QCOMPARE(panel.Grid().item(1, 1)->text(), QString("-"));
        for (int row : {4, 5}) { // Patch and Param
            panel.idGridCellClicked(row, 1);
            QCOMPARE(panel.Grid().editTriggers(), QAbstractItemView::NoEditTriggers);
        }
    }

    void dp3bXmlLoadMessages() {
        WindowFixture f("[TARGET]\nTYPE=3\n");
        auto& panel = static_cast<TExpertPanelDP3B&>(ExpertMode(f));
        f.dialogs.openFile = kInput + "dp3b_par.xml"; // parameters, no patch: silent
        panel.btnLoadXmlClick();
        QVERIFY(f.dialogs.boxes.isEmpty());
        QVERIFY(panel.SelParBox().isChecked() && panel.SelParBox().isEnabled());
        QVERIFY(!panel.SelPatchBox().isEnabled());
        QVERIFY(panel.LoadXmlButton().font().bold());
        QCOMPARE(panel.LoadXmlButton().toolTip(), QString("dp3b_par.xml"));
        f.dialogs.openFile = kInput + "dp3b_broken.xml";
        panel.btnLoadXmlClick();
        QCOMPARE(f.dialogs.boxes, QStringList{"information: Fail parsing XML file."});
        QVERIFY(!panel.SelParBox().isChecked() && !panel.SelPatchBox().isChecked());
        f.dialogs.openFile.clear(); // cancelled: only the tool tip changes
        panel.btnLoadXmlClick();
        QCOMPARE(panel.LoadXmlButton().toolTip(), QString());
        QCOMPARE(f.dialogs.boxes.size(), 1);
    }

    void storeRefusesAnEmptyName() {
        SimulatedProgrammer sim;
        QVERIFY(sim.Started());
        QCOMPARE(sim.Control("clear-config"), QString("ok"));
        WindowFixture f("[TARGET]\nTYPE=1\n");
        f.StartTransport();
        QTRY_VERIFY(f.window->Initialised()); // no configuration: expert mode
        TExpertPanel& panel = *f.window->ExpertPanel();
        f.dialogs.openFile = kInput + "dp2a_par.ahex";
        panel.btnLoadParClick();
        panel.SelParBox().click();
        panel.ConfigurationName().clear();
        panel.btnStoreCfgClick();
        QCOMPARE(panel.MessageBox().Text(),
                 QString("Store configuration started...\r\nYou must set config name.\r\nCan't "
                         "store config file.\r\n"));
        QVERIFY(panel.getCanChange());
        QVERIFY(sim.Control("status").contains("no configuration"));
    }

    void storeAndImportGiveTheSavedBytes_data() {
        QTest::addColumn<int>("family");
        QTest::newRow("DP2A") << 1;
        QTest::newRow("DP2B") << 2;
        QTest::newRow("DP3B") << 3;
    }

    // The engineer's whole job per family: files, ticks, IDs where needed, Save, Store, Import;
    // the configuration read back from the programmer is the saved file, byte for byte.
    void storeAndImportGiveTheSavedBytes() {
        QFETCH(int, family);
        SimulatedProgrammer sim;
        QVERIFY(sim.Started());
        QCOMPARE(sim.Control("clear-config"), QString("ok"));
        WindowFixture f(QByteArray("[TARGET]\nTYPE=") + QByteArray::number(family));
        f.StartTransport();
        QTRY_VERIFY(f.window->Initialised()); // no configuration: expert mode
        f.dialogs.boxes.clear();
        TExpertPanel& panel = *f.window->ExpertPanel();
        if (family == 1) {
            f.dialogs.openFile = kInput + "dp2a_par.ahex";
            panel.btnLoadParClick();
            panel.SelParBox().click();
        } else if (family == 2) {
            auto& dp2b = static_cast<TExpertPanelDP2B&>(panel);
            dp2b.btnReadIDClick(); // the IDs of the chip in channel 1 go into the table
            QTRY_VERIFY(panel.getCanChange());
            QVERIFY(panel.MessageBox().Text().endsWith("OK"));
            f.dialogs.openFile = kInput + "dp2b_patch.ahex";
            panel.btnLoadPatchClick();
            panel.SelPatchBox().click();
            f.dialogs.openFile = kInput + "dp2b_par.ahex";
            panel.btnLoadParClick();
            panel.SelParBox().click();
        } else {
            f.dialogs.openFile = kInput + "dp3b_patch_par.xml";
            static_cast<TExpertPanelDP3B&>(panel).btnLoadXmlClick();
            QVERIFY(panel.SelParBox().isChecked() && panel.SelPatchBox().isChecked());
        }
        QVERIFY2(f.dialogs.boxes.isEmpty(), qPrintable(f.dialogs.boxes.join('|')));
        panel.ChannelBox(2).click();
        panel.ConfigurationName().setText("LINE_3");
        f.dialogs.saveFile = f.dir.filePath("line3.cfg");
        panel.btnSaveCfgClick();
        QCOMPARE(panel.MessageBox().Text(), QString("You saved config file successfully.\r\n"));
        const QByteArray saved = ReadAll(f.dir.filePath("line3.cfg"));
        // The command-line tool reads the same IDs from the saved file as the grid shows.
        const QStringList info = FileInfo(f.dir.filePath("line3.cfg"));
        QCOMPARE(info.value(0), QString("NAME : LINE_3"));
        QCOMPARE(info.value(1), QString("CHANNEL : 1,0,1,0"));
        QCOMPARE(info.value(2), "APARAM CHECKSUM : " + GridParameterId(panel, family));
        QCOMPARE(info.value(3), "FW PATCH ID : " + GridPatchId(panel, family));

        panel.btnStoreCfgClick();
        QTRY_VERIFY(panel.getCanChange());
        QCOMPARE(panel.MessageBox().Text(),
                 QString("Store configuration started...\r\nStore operation success.\r\n"));
        QCOMPARE(panel.NameInProgrammer().text(), QString("LINE_3"));
        QVERIFY(!panel.TransferProgress().isVisible());

        f.app->configuration.ClearAllBlocks();
        f.app->configuration.SetName("other");
        panel.btnReadCfgClick();
        QTRY_VERIFY(panel.getCanChange());
        QCOMPARE(panel.MessageBox().Text(),
                 QString("Read configuration started...OK\r\nConfig file is ok!")); // line rule
        QCOMPARE(panel.ConfigurationName().text(), QString("LINE_3"));
        QVERIFY(panel.ChannelBox(2).isChecked());
        QVERIFY(f.app->configuration.BuildBuffer());
        const Bytes& image = f.app->configuration.GetBuffer();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(image.data()),
                            static_cast<qsizetype>(image.size())),
                 saved);
    }

private:
    // The four lines of `ArdentCmd -fileGetInfo file`. The run chooses a programmer of its own
    // with its lock in a private folder, so another ArdentCmd of the machine does not refuse it.
    static QStringList FileInfo(const QString& file) {
        QTemporaryDir lockFolder;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ARDENT_PROGRAMMER", "SIM-FILE-INFO");
        environment.insert("ARDENT_LOCK_DIR", lockFolder.path());
        environment.remove("ARDENTCMD_WAIT_S");
        QProcess cmd;
        cmd.setProcessEnvironment(environment);
        cmd.start(ARDENT_BIN_DIR "/ArdentCmd", {"-fileGetInfo", file});
        cmd.waitForFinished(10000);
        return QString::fromLatin1(cmd.readAllStandardOutput()).split("\r\n", Qt::SkipEmptyParts);
    }

    // The parameter ID after burning and the patch ID as each family's grid shows them.
    static QString GridParameterId(TExpertPanel& panel, int family) {
        if (family == 1) {
            return static_cast<TExpertPanelDP2A&>(panel).Grid().item(1, 2)->text();
        }
        if (family == 2) {
            return static_cast<TExpertPanelDP2B&>(panel).Grid().item(5, 2)->text();
        }
        return static_cast<TExpertPanelDP3B&>(panel).Grid().item(3, 1)->text();
    }

    static QString GridPatchId(TExpertPanel& panel, int family) {
        if (family == 1) {
            return QStringLiteral("-"); // DP2A has no patch
        }
        if (family == 2) {
            return static_cast<TExpertPanelDP2B&>(panel).Grid().item(4, 2)->text();
        }
        // The DP3B grid shows the 64-bit patch ID in its stored byte order (0x1000000000000000
        // for 0x10); the tool prints the number itself with at least four digits (0x0010).
        const std::string shown =
            static_cast<TExpertPanelDP3B&>(panel).Grid().item(2, 1)->text().toStdString();
        const unsigned long long value = std::stoull(SwapHexBytes(shown.substr(2)), nullptr, 16);
        return QString::asprintf("0x%04llX", value);
    }

    // The expert panel of the fixture's family, shown as after Mode, Expert.
    static TExpertPanel& ExpertMode(WindowFixture& f) {
        f.window->mniExpert1Click();
        f.dialogs.boxes.clear();
        return *f.window->ExpertPanel();
    }
};

QTEST_MAIN(ExpertPanelTest)
#include "ExpertPanelTest.moc"
