#pragma once
// TProductionWindow: the current shift at a glance, from the station's burn records - pass rate
// per channel, chips per hour, the most frequent failure codes - refreshed after each burn. A
// channel well below the others is drawn in red and named: a worn socket shows itself so. The
// figures come from records/ProductionFigures; this window only shows them. It also holds the
// two settings the figures depend on: the station name and the shift start.

#include "records/ProductionFigures.h"

#include <QDialog>

#include <functional>
#include <memory>

class QBarCategoryAxis;
class QBarSet;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class QTimeEdit;
class QValueAxis;

namespace ardent {

class TSettingsModel;
class TBurnRecording;

class TProductionWindow : public QDialog {
    Q_OBJECT
public:
    // Reads the records in `databasePath` (empty: records are off); `settings` and `recording`
    // take the station name and shift start set here.
    TProductionWindow(QWidget* parent, std::string databasePath, TSettingsModel& settings,
                      TBurnRecording& recording);
    ~TProductionWindow() override;

    // Reads the shift's records again and shows them; the clock is injectable for tests.
    void Refresh();
    void SetClock(std::function<records::TTime()> clock) { fClock = std::move(clock); }

    const records::TProductionFigures& Figures() const { return fFigures; }
    const QBarSet& PassRates() const { return *fPassRates; }
    const QBarSet& ChipsPerHour() const { return *fChipsPerHour; }
    const QTableWidget& Failures() const { return *fFailures; }
    QString WarningText() const;
    QString SummaryText() const;
    QLineEdit& StationField() { return *fStation; }
    QCheckBox& ShiftStartBox() { return *fShiftStartSet; }
    QTimeEdit& ShiftStartField() { return *fShiftStart; }

private:
    void TakeSettings();
    void Show(const records::TShift& shift);

    const std::string fDatabasePath;
    TSettingsModel& fSettings;
    TBurnRecording& fRecording;
    std::unique_ptr<records::TStationDatabase> fDatabase;
    std::function<records::TTime()> fClock;
    records::TProductionFigures fFigures;
    QBarSet* fPassRates;
    QBarSet* fChipsPerHour;
    QBarCategoryAxis* fHourAxis;
    QValueAxis* fChipAxis;
    QTableWidget* fFailures;
    QLabel* fWarning;
    QLabel* fSummary;
    QLineEdit* fStation;
    QCheckBox* fShiftStartSet;
    QTimeEdit* fShiftStart;
};

} // namespace ardent
