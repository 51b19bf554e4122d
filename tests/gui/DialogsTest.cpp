// The settings dialog, the detected-IDs window, the about window and the help window.

#include "FakeDialogs.h"
#include "TestFiles.h"
#include "input/MessageOutput.h"
#include "model/AppPaths.h"
#include "model/SettingsModel.h"
#include "targets/TargetDP2B.h"
#include "window/AboutWindow.h"
#include "window/DetectedIdsWindow.h"
#include "window/HelpWindow.h"
#include "window/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace ardent;

namespace {
struct NoMessages : IMessageOutput {
    void ShowMessage(const std::string&) override {}
};
} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void settingsDialogStoresOnEveryClose() {
        QTemporaryDir dir;
        TSettingsModel model(dir.filePath("s.ini").toStdString());
        TLoggerConfiguration c;
        c.skipInactive = true;
        c.appendLog = true;
        model.SetConfiguration(c);
        model.SetFolderPath("logs");
        FakeDialogs dialogs;
        TSettings settings(nullptr, model, dialogs);
        settings.show();
        QVERIFY(settings.InactiveChannel().isChecked());
        QVERIFY(settings.AppendLogFile().isChecked());
        QCOMPARE(settings.DestFolder().text(), QString("logs"));
        QCOMPARE(settings.FileName().text(), QString("logfile"));
        settings.InactiveChannel().setChecked(false);
        settings.FileName().clear();
        QTest::keyClick(&settings, Qt::Key_Escape);
        QVERIFY(!settings.isVisible());
        QVERIFY(!model.GetConfiguration().skipInactive);
        QVERIFY(model.GetConfiguration().appendLog);
        QCOMPARE(model.GetFileName(), std::string("logfile")); // empty name: the default
    }

    void shortDetectionWarnsOnlyWhenUnticked() {
        QTemporaryDir dir;
        TSettingsModel model(dir.filePath("s.ini").toStdString());
        FakeDialogs dialogs;
        TSettings settings(nullptr, model, dialogs);
        settings.show();
        QVERIFY(settings.Short().isChecked());
        QTest::mouseClick(&settings.Short(), Qt::LeftButton, {}, QPoint(6, 8));
        QCOMPARE(dialogs.boxes, QStringList{"information: You will disable short detection which "
                                            "may cause unexpected behavior."});
        QTest::mouseClick(&settings.Short(), Qt::LeftButton, {}, QPoint(6, 8));
        QCOMPARE(dialogs.boxes.size(), 1);
        QVERIFY(!settings.IsShortChange()); // toggled twice
    }

    void folderBrowseCancelledKeepsTheFolder() {
        QTemporaryDir dir;
        TSettingsModel model(dir.filePath("s.ini").toStdString());
        FakeDialogs dialogs;
        TSettings settings(nullptr, model, dialogs);
        settings.show();
        dialogs.folder = "/srv/logs";
        settings.edtDestFolderDblClick();
        QCOMPARE(settings.DestFolder().text(), QString("/srv/logs"));
        dialogs.folder.clear(); // cancelled
        settings.edtDestFolderDblClick();
        QCOMPARE(settings.DestFolder().text(), QString("/srv/logs"));
        settings.DestFolder().setText("typed");
        settings.edtDestFolderDblClick();
        QCOMPARE(settings.DestFolder().text(), QString("typed"));
        QTest::keyClick(&settings, Qt::Key_Escape);
        QCOMPARE(model.GetFolderPath(), std::string("typed"));
    }

    void detectWindowShowsTheChannelsThatAnswered() {
        NoMessages messages;
        TTargetDP2B target(messages);
        TProcessTargetSendId ids{};
        ids.channelNumber = 0;
        ids.channelState = CHANNEL_PASSED;
        ids.dp2BIds = {0xABCD, 0x1234, 1, 0x10, 0x20, 0x30};
        target.setReadID(ids);
        for (uint8_t channel = 1; channel < 4; ++channel) {
            TProcessTargetSendId failed{};
            failed.channelNumber = channel;
            failed.channelState = CHANNEL_FAILED;
            target.setReadID(failed);
        }
        TDetectedIdsWindow detect(nullptr);
        detect.FillDetectWindow(target);
        QVERIFY(detect.isVisible());
        const QTableWidget& grid = detect.Grid();
        QCOMPARE(grid.item(2, 0)->text(), QString("CH1(0x):"));
        QCOMPARE(grid.item(5, 0)->text(), QString("CH4(0x):"));
        QCOMPARE(grid.item(1, 1)->text(), QString("Device"));
        const QStringList first = {"0000ABCD", "0000000000001234", "00000001", "0010", "0020",
                                   "0030"};
        for (int j = 0; j < 6; ++j) {
            QCOMPARE(grid.item(2, j + 1)->text(), first[j]);
            for (int row = 3; row <= 5; ++row) {
                QCOMPARE(grid.item(row, j + 1)->text(), QString("-"));
            }
        }
        QVERIFY(grid.columnWidth(2) >= 7 * 16); // widened for the 16-digit firmware ID
        QCOMPARE(detect.width(), grid.width());
    }

    // The help window links the manual of the installation it runs from: a build folder's own
    // copy, another prefix's, and the installed one only where the program has none beside it.
    void helpLinksTheManualOfTheRunningInstallation() {
        const QString built =
            QFileInfo(ARDENT_BIN_DIR "/../share/doc/ardent/index.html").canonicalFilePath();
        QVERIFY(!built.isEmpty());
        QCOMPARE(QString::fromStdString(ManualFilePath(ARDENT_BIN_DIR)), built);
        QCOMPARE(ReadAll(built), ReadAll(ARDENT_HEADERS_DIR "/../doc/index.html"));
        // This test runs from the build folder's bin/ too.
        THelpWindow help(nullptr);
        QVERIFY2(help.Link().text().contains(
                     "href=\"" + QUrl::fromLocalFile(built).toString().toHtmlEscaped() + "\""),
                 qPrintable(help.Link().text()));

        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath("bin") &&
                QDir(prefix.path()).mkpath("share/doc/ardent"));
        QVERIFY(WriteAll(prefix.filePath("share/doc/ardent/index.html"), "<html></html>"));
        QCOMPARE(ManualFilePath(prefix.filePath("bin").toStdString()),
                 QFileInfo(prefix.filePath("share/doc/ardent/index.html"))
                     .canonicalFilePath()
                     .toStdString());

        QTemporaryDir bare; // a copied program folder without a manual
        const std::string installed = ManualFilePath(bare.path().toStdString());
        QVERIFY(installed.starts_with("/"));
        QVERIFY(installed.ends_with("/doc/ardent/index.html"));
        QVERIFY(installed.find(bare.path().toStdString()) == std::string::npos);
    }

    void aboutClosesOnEsc() {
        TAboutWindow about(nullptr);
        about.show();
        QVERIFY(about.isVisible());
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
