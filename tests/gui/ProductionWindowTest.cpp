// The Production window over a station database filled by hand: what it shows for a shift with
// a worn socket, how its shift start and station name reach the settings, and records off.

#include "window/ProductionWindow.h"
#include "TestFiles.h"
#include "flows/BurnRecording.h"
#include "model/SettingsModel.h"
#include "records/RecordStore.h"

#include <QBarSet>
#include <QCheckBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>

using namespace ardent;

namespace {

// 2009-02-13T23:31:30.123Z
const records::TTime kNow{std::chrono::milliseconds(1234567890123)};

// `chips` records on `channel` at `time`, the first `passed` of them passing.
void Burn(records::TStationRecorder& recorder, records::TTime time, int channel, int chips,
          int passed, const char* code = "Error = SYNC") {
    for (int i = 0; i < chips; ++i) {
        records::TBurnRecords burn;
        burn.time = time;
        const bool pass = i < passed;
        burn.channels.push_back(
            {channel, pass ? "PASS" : "FAIL", 0, 0, pass ? "OK" : code, {}, "", ""});
        QCOMPARE(recorder.Record(burn), std::string());
    }
}

} // namespace

class ProductionWindowTest : public QObject {
    Q_OBJECT

private slots:
    void aWornSocketIsShownInRed() {
        QTemporaryDir dir;
        const std::string path = dir.filePath("records.sqlite").toStdString();
        {
            records::TStationRecorder recorder(path);
            const records::TTime earlier = kNow - std::chrono::minutes(90);
            Burn(recorder, earlier, 1, 20, 20);
            Burn(recorder, earlier, 2, 20, 19, "Error = STOP_APP");
            Burn(recorder, kNow - std::chrono::minutes(5), 3, 20, 14);
            Burn(recorder, kNow - std::chrono::hours(9), 4, 20, 0); // the shift before
        }
        TSettingsModel settings(dir.filePath("s.ini").toStdString());
        TBurnRecording recording(nullptr, "line-1");
        TProductionWindow window(nullptr, path, settings, recording);
        window.SetClock([] { return kNow; });
        window.Refresh();

        QCOMPARE(window.Figures().chips, 60);
        const QBarSet& rates = window.PassRates();
        QCOMPARE(rates.at(0), 100.0);
        QCOMPARE(rates.at(1), 95.0);
        QCOMPARE(rates.at(2), 70.0);
        QCOMPARE(rates.at(3), 0.0);
        QVERIFY(rates.isBarSelected(2));
        QVERIFY(!rates.isBarSelected(0) && !rates.isBarSelected(1) && !rates.isBarSelected(3));
        QCOMPARE(window.WarningText(), QString("Well below the other channels: CH3 (14 of 20 chips"
                                               " passed, 70.0 %). Check the socket."));
        // The last 8 hours: the shift's first seven hours without chips, 40 and 20 in the last.
        const QBarSet& perHour = window.ChipsPerHour();
        QCOMPARE(perHour.count(), 8);
        QCOMPARE(perHour.at(6), 40.0);
        QCOMPARE(perHour.at(7), 20.0);
        const QTableWidget& failures = window.Failures();
        QCOMPARE(failures.rowCount(), 2);
        QCOMPARE(failures.item(0, 0)->text(), QString("Error = SYNC"));
        QCOMPARE(failures.item(0, 1)->text(), QString("6"));
        QCOMPARE(failures.item(1, 0)->text(), QString("Error = STOP_APP"));
    }

    void shiftStartAndStationGoToTheSettings() {
        QTemporaryDir dir;
        const std::string path = dir.filePath("records.sqlite").toStdString();
        TSettingsModel settings(dir.filePath("s.ini").toStdString());
        TBurnRecording recording(nullptr, settings.GetStationName());
        TProductionWindow window(nullptr, path, settings, recording);
        window.SetClock([] { return kNow; });
        window.StationField().setText("line-4");
        emit window.StationField().editingFinished();
        QCOMPARE(settings.GetStationName(), std::string("line-4"));
        QCOMPARE(recording.Station(), std::string("line-4"));
        window.ShiftStartField().setTime(QTime(6, 30));
        window.ShiftStartBox().setChecked(true);
        QCOMPARE(settings.GetShiftStartMinutes(), 6 * 60 + 30);
        window.ShiftStartBox().setChecked(false);
        QCOMPARE(settings.GetShiftStartMinutes(), -1);
    }

    void recordsOffSaySo() {
        QTemporaryDir dir;
        TSettingsModel settings(dir.filePath("s.ini").toStdString());
        TBurnRecording recording(nullptr, "line-1");
        TProductionWindow window(nullptr, "", settings, recording);
        window.Refresh();
        QCOMPARE(window.Figures().chips, 0);
        QVERIFY(window.SummaryText().contains("ARDENT_RECORDS=off"));
    }
};

QTEST_MAIN(ProductionWindowTest)
#include "ProductionWindowTest.moc"
