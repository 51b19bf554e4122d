// The operator panel without a programmer: status lines and result boxes of each burn outcome,
// the log inputs (comma check, Enter through the offered serial fields), "Start logging", and
// the CRC fields of each family.

#include "WindowFixture.h"
#include "targets/Target.h"
#include "window/OperatorPanelLogger.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtTest>

#include <cstring>

using namespace ardent;

Q_DECLARE_METATYPE(TBurningStatusOverall)

namespace {

TBurningStatusOverall Burn(uint8_t s1, uint8_t s2, uint8_t s3, uint8_t s4, uint16_t code = 0,
                           uint16_t overall = 0, uint8_t card = 0) {
    TBurningStatusOverall status{};
    status.overallErrorCode = overall;
    status.isCardUsed = card;
    const uint8_t states[4] = {s1, s2, s3, s4};
    for (uint8_t i = 0; i < 4; ++i) {
        status.channels[i] = {i, states[i], code, 0};
    }
    return status;
}

TDeviceConfigurationStruct Stored(uint32_t channels) {
    TDeviceConfigurationStruct info{};
    std::memcpy(info.configName, "LINE", 4);
    info.chSelection = channels;
    info.firmwareCrc = 0xBEEF;
    info.parameterId = 0x12;
    return info;
}

} // namespace

class OperatorPanelTest : public QObject {
    Q_OBJECT

private slots:
    void burnOutcomes_data() {
        QTest::addColumn<int>("response");
        QTest::addColumn<TBurningStatusOverall>("status");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("all passed")
            << 0 << Burn(4, 4, 4, 4)
            << "Status channel [1] : PASS\r\nStatus channel [2] : PASS\r\nStatus channel [3] : "
               "PASS\r\nStatus channel [4] : PASS\r\n"
            << QStringList{"PASS", "PASS", "PASS", "PASS"};
        QTest::newRow("inactive and failed")
            << 0 << Burn(4, 2, 3, 9, 3)
            << "Status channel [1] : PASS\r\nStatus channel [2] : INACTIVE\r\nStatus channel [3] "
               ": Error = UART_GND_SHORT\r\nStatus channel [4] : \r\n"
            << QStringList{"PASS", "----", "FAIL", "FAIL"};
        QTest::newRow("SD card line first")
            << 0 << Burn(4, 2, 2, 2, 0, 0, 1)
            << "SD card config was used during burning.\r\nStatus channel [1] : PASS\r\nStatus "
               "channel [2] : INACTIVE\r\nStatus channel [3] : INACTIVE\r\nStatus channel [4] : "
               "INACTIVE\r\n"
            << QStringList{"PASS", "----", "----", "----"};
        QTest::newRow("overall error: one line, boxes kept")
            << 0 << Burn(4, 4, 4, 4, 0, 120) << "Unrecognized errors\r\n"
            << QStringList{"----", "----", "----", "----"};
        // No result: nobody knows whether the chips were burned, and the boxes must not read as
        // "nothing to do" ("----").
        QTest::newRow("wait timed out: state unknown")
            << -124 << Burn(0, 0, 0, 0)
            << "No burn result arrived: the state of the chips is unknown.\r\n"
            << QStringList{"????", "????", "????", "????"};
        QTest::newRow("programmer went away: state unknown")
            << -123 << Burn(0, 0, 0, 0)
            << "The programmer was disconnected during burning: the state of the chips is "
               "unknown.\r\n"
            << QStringList{"????", "????", "????", "????"};
    }

    void burnOutcomes() {
        QFETCH(int, response);
        QFETCH(TBurningStatusOverall, status);
        QFETCH(QString, lines);
        QFETCH(QStringList, boxes);
        WindowFixture f("[TARGET]\nTYPE=2\n");
        TOperatorPanelLogger& panel = *f.window->OperatorPanel();
        panel.btnTriggerClick(); // clears the boxes to "----" (and refuses: no programmer)
        panel.clearMsgBox();
        f.app->currentTarget->SetBurningStatus(response, status);
        panel.SetBurningStatus();
        QCOMPARE(panel.MessageBox().Text(), lines);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(panel.ResultBox(i).text(), boxes[i]);
        }
        const QColor pass(0, 128, 0);
        const QColor fail(255, 0, 0);
        for (int i = 0; i < 4; ++i) {
            const QColor shown = panel.ResultBox(i).palette().color(QPalette::Text);
            QCOMPARE(shown, boxes[i] == "PASS"   ? pass
                            : boxes[i] == "----" ? QColor(0, 0, 0)
                                                 : fail);
        }
    }

    void skipInactiveOffersOnlyConfiguredChannelsAndEnterFollowsThem() {
        WindowFixture f("[LOGFILE]\nCREATELOG=1\nINACTIVESEL=1\n");
        f.app->deviceSetup.SetConfigurationInfo(true, Stored(0b0101)); // channels 1 and 3
        TOperatorPanelLogger& panel = *f.window->OperatorPanel();
        panel.SerialField(1).setText("old");
        panel.paintAgain();
        QVERIFY(panel.SerialField(0).isEnabled() && panel.SerialField(2).isEnabled());
        QVERIFY(!panel.SerialField(1).isEnabled() && !panel.SerialField(3).isEnabled());
        QCOMPARE(panel.SerialField(1).text(), QString());
        panel.CommentField().setFocus();
        QCOMPARE(f.window->focusWidget(), &panel.CommentField());
        QTest::keyClick(&panel.CommentField(), Qt::Key_Return);
        QCOMPARE(f.window->focusWidget(), &panel.SerialField(0));
        QTest::keyClick(&panel.SerialField(0), Qt::Key_Return);
        QCOMPARE(f.window->focusWidget(), &panel.SerialField(2));
        QTest::keyClick(&panel.SerialField(2), Qt::Key_Return);
        QCOMPARE(f.window->focusWidget(), &panel.TriggerButton());
    }

    void enterOnTheFocusedTriggerButtonBurns_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }

    // A scanner ends each serial number with Enter: after the last one the focus is on the
    // trigger button, and the next Enter burns.
    void enterOnTheFocusedTriggerButtonBurns() {
        QFETCH(int, key);
        WindowFixture f("[LOGFILE]\nCREATELOG=1\n");
        TOperatorPanelLogger& panel = *f.window->OperatorPanel();
        panel.paintAgain();
        panel.SerialField(1).setFocus();
        panel.paintAgain(); // a notification's repaint leaves an operator's typing alone
        QCOMPARE(f.window->focusWidget(), &panel.SerialField(1));
        panel.SerialField(3).setFocus();
        QTest::keyClick(&panel.SerialField(3), Qt::Key(key));
        QCOMPARE(f.window->focusWidget(), &panel.TriggerButton());
        QVERIFY(f.dialogs.boxes.isEmpty()); // the Enter that moved the focus burns nothing
        QTest::keyClick(&panel.TriggerButton(), Qt::Key(key));
        // Without a programmer the burn asked for ends at the connection check.
        QCOMPARE(f.dialogs.boxes,
                 QStringList{"error: Can not connect to programmer. Check usb connection!"});
    }

    void ctrlShiftDeleteEmptiesTheMessageBox() {
        WindowFixture f("[TARGET]\nTYPE=1\n");
        TOperatorPanelLogger& panel = *f.window->OperatorPanel();
        panel.addLines("first", false);
        panel.addLines("second", false);
        panel.addLines(" more", true);
        QCOMPARE(panel.MessageBox().Text(), QString("first\r\nsecond\r\n more"));
        auto& box = const_cast<TMessageBox&>(panel.MessageBox());
        QTest::keyClick(&box, Qt::Key_Delete, Qt::ShiftModifier);
        QVERIFY(!panel.MessageBox().Text().isEmpty());
        QTest::keyClick(&box, Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(panel.MessageBox().Text(), QString());
    }

    // However the text gets into a serial field, the logger holds what the field shows; what a
    // log line cannot hold is refused with one line in the message box, never a box.
    void logInputsReachTheLogger_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("refused");
        QTest::newRow("typed") << "type"
                               << "S0001"
                               << "S0001" << false;
        QTest::newRow("typed with commas: the commas refused") << "type"
                                                               << "A,B,"
                                                               << "AB" << true;
        QTest::newRow("pasted with the keyboard") << "paste"
                                                  << "S0002"
                                                  << "S0002" << false;
        QTest::newRow("pasted with the mouse") << "middle"
                                               << "S0003"
                                               << "S0003" << false;
        QTest::newRow("pasted with a comma: refused whole") << "paste"
                                                            << "S1,S2"
                                                            << "" << true;
        QTest::newRow("pasted with a line break: refused whole") << "paste"
                                                                 << "S1\r\n2024/01/01,forged"
                                                                 << "" << true;
    }

    void logInputsReachTheLogger() {
        QFETCH(QString, how);
        QFETCH(QString, input);
        QFETCH(QString, shown);
        QFETCH(bool, refused);
        WindowFixture f("[LOGFILE]\nCREATELOG=1\n");
        TOperatorPanelLogger& panel = *f.window->OperatorPanel();
        QLineEdit& field = panel.SerialField(1);
        field.setFocus();
        if (how == "type") {
            QTest::keyClicks(&field, input);
        } else {
            QClipboard* clipboard = QGuiApplication::clipboard();
            const auto mode = how == "middle" ? QClipboard::Selection : QClipboard::Clipboard;
            if (mode == QClipboard::Selection && !clipboard->supportsSelection()) {
                field.insert(input); // what a middle-button paste does where there is no selection
            } else {
                clipboard->setText(input, mode);
                if (mode == QClipboard::Selection) {
                    QTest::mouseClick(&field, Qt::MiddleButton);
                } else {
                    QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
                }
            }
        }
        QCOMPARE(field.text(), shown);
        QCOMPARE(QString::fromStdString(f.app->currentLogger->getSerKey(1)), shown);
        QVERIFY(f.dialogs.boxes.isEmpty());
        QCOMPARE(panel.MessageBox().Text(),
                 refused ? QString("Input contains illegal char \",\" !\r\n") : QString());
    }

    void clearedFieldIsClearedInTheLogger() {
        WindowFixture f("[LOGFILE]\nCREATELOG=1\nINACTIVESEL=1\n");
        TOperatorPanelLogger& panel = *f.window->OperatorPanel();
        f.app->deviceSetup.SetConfigurationInfo(true, Stored(0b1111));
        panel.paintAgain();
        QTest::keyClicks(&panel.SerialField(3), "S4");
        QCOMPARE(f.app->currentLogger->getSerKey(3), std::string("S4"));
        f.app->deviceSetup.SetConfigurationInfo(true, Stored(0b0001)); // channel 4 not offered
        panel.paintAgain();
        QCOMPARE(panel.SerialField(3).text(), QString());
        QCOMPARE(f.app->currentLogger->getSerKey(3), std::string());
    }

    void startLoggingAsksOnlyWhenTicked() {
        WindowFixture f("[LOGFILE]\nCREATELOG=0\n");
        TOperatorPanelLogger& panel = *f.window->OperatorPanel();
        f.dialogs.answerYes = false;
        QTest::mouseClick(&panel.LogCheckBox(), Qt::LeftButton, {}, QPoint(6, 8));
        QCOMPARE(f.dialogs.boxes, QStringList{"confirm: Are you sure you want to start logger?"});
        QVERIFY(!panel.LogCheckBox().isChecked());
        QVERIFY(!f.app->currentLogger->isStarted());
        f.dialogs.answerYes = true;
        QTest::mouseClick(&panel.LogCheckBox(), Qt::LeftButton, {}, QPoint(6, 8));
        QVERIFY(panel.LogCheckBox().isChecked());
        QVERIFY(f.app->currentLogger->isStarted());
        QVERIFY(f.app->settings->GetConfiguration().loggerEnabled);
        f.dialogs.boxes.clear();
        QTest::mouseClick(&panel.LogCheckBox(), Qt::LeftButton, {}, QPoint(6, 8));
        QVERIFY(f.dialogs.boxes.isEmpty());
        QVERIFY(!f.app->currentLogger->isStarted());
    }

    void paramIdOnlyForDp2aWithAProgrammer_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("shown");
        QTest::newRow("DP2A connected") << 1 << true << true;
        QTest::newRow("DP2A unplugged") << 1 << false << false;
        QTest::newRow("DP2B connected") << 2 << true << false;
        QTest::newRow("DP3B connected") << 3 << true << false;
    }

    void paramIdOnlyForDp2aWithAProgrammer() {
        QFETCH(int, type);
        QFETCH(bool, connected);
        QFETCH(bool, shown);
        WindowFixture f(QByteArray("[LOGFILE]\nCREATELOG=1\n[TARGET]\nTYPE=") +
                        QByteArray::number(type));
        f.app->deviceSetup.SetUSBConnectionStatus(connected);
        f.app->deviceSetup.SetConfigurationInfo(true, Stored(1));
        TOperatorPanelLogger& panel = *f.window->OperatorPanel();
        panel.paintAgain();
        QCOMPARE(panel.ParamIdBox().isVisibleTo(f.window.get()), shown);
        QCOMPARE(panel.ParamIdLabel().isVisibleTo(f.window.get()), shown);
        QCOMPARE(panel.FwCrcBox().text(), QString("BEEF"));
        QCOMPARE(panel.ParamIdBox().text(), QString("0012"));
    }
};

QTEST_MAIN(OperatorPanelTest)
#include "OperatorPanelTest.moc"
