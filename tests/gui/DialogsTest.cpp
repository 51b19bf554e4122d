// The settings dialog, the detected-IDs window and the about window.

#include "FakeDialogs.h"
#include "input/MessageOutput.h"
#include "model/SettingsModel.h"
#include "targets/TargetDP2B.h"
#include "window/FormDetect.h"
#include "window/Form_About.h"
#include "window/Settings.h"

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
        TFormDetect detect(nullptr);
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

    void aboutClosesOnEsc() {
        TForm_About about(nullptr);
        about.show();
        QVERIFY(about.isVisible());
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
