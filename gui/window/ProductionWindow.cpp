#include "ProductionWindow.h"

#include "flows/BurnRecording.h"
#include "model/SettingsModel.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace ardent {

namespace {

QChartView* ChartView(QWidget* parent, const QString& title, QBarSet* set,
                      QBarCategoryAxis* categories, QValueAxis* values) {
    auto* series = new QBarSeries();
    series->append(set);
    auto* chart = new QChart();
    chart->setTitle(title);
    chart->addSeries(series);
    chart->legend()->hide();
    chart->addAxis(categories, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(categories);
    series->attachAxis(values);
    auto* view = new QChartView(chart, parent);
    view->setMinimumSize(360, 240);
    return view;
}

QString Percent(double value) {
    return QString::number(value, 'f', 1) + QStringLiteral(" %");
}

} // namespace

TProductionWindow::TProductionWindow(QWidget* parent, std::string databasePath,
                                     TSettingsModel& settings, TBurnRecording& recording)
    : QDialog(parent), fDatabasePath(std::move(databasePath)), fSettings(settings),
      fRecording(recording), fClock([] { return std::chrono::system_clock::now(); }),
      fPassRates(new QBarSet(QStringLiteral("Pass rate"))),
      fChipsPerHour(new QBarSet(QStringLiteral("Chips"))), fHourAxis(new QBarCategoryAxis()),
      fChipAxis(new QValueAxis()), fFailures(new QTableWidget(0, 2, this)),
      fWarning(new QLabel(this)), fSummary(new QLabel(this)), fStation(new QLineEdit(this)),
      fShiftStartSet(new QCheckBox(QStringLiteral("Shift starts at"), this)),
      fShiftStart(new QTimeEdit(this)) {
    setWindowTitle(QStringLiteral("Production"));
    // A marked channel's bar is "selected": drawn in red.
    fPassRates->setSelectedColor(Qt::red);
    auto* channels = new QBarCategoryAxis();
    channels->append({QStringLiteral("CH1"), QStringLiteral("CH2"), QStringLiteral("CH3"),
                      QStringLiteral("CH4")});
    auto* percent = new QValueAxis();
    percent->setRange(0, 100);
    percent->setLabelFormat(QStringLiteral("%d %%"));
    fChipAxis->setLabelFormat(QStringLiteral("%d"));
    for (int channel = 0; channel < 4; ++channel) {
        fPassRates->append(0);
    }

    fFailures->setHorizontalHeaderLabels({QStringLiteral("Failure"), QStringLiteral("Chips")});
    fFailures->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    fFailures->verticalHeader()->hide();
    fFailures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette warningColours = fWarning->palette();
    warningColours.setColor(QPalette::WindowText, Qt::red);
    fWarning->setPalette(warningColours);
    fWarning->setWordWrap(true);

    fStation->setText(QString::fromStdString(fSettings.GetStationName()));
    fShiftStart->setDisplayFormat(QStringLiteral("HH:mm"));
    const int start = fSettings.GetShiftStartMinutes();
    fShiftStartSet->setChecked(start >= 0);
    fShiftStart->setTime(QTime(start >= 0 ? start / 60 : 6, start >= 0 ? start % 60 : 0));
    fShiftStart->setEnabled(start >= 0);
    auto* settingsForm = new QFormLayout();
    settingsForm->addRow(QStringLiteral("Station"), fStation);
    settingsForm->addRow(fShiftStartSet, fShiftStart);

    auto* charts = new QHBoxLayout();
    charts->addWidget(
        ChartView(this, QStringLiteral("Pass rate per channel"), fPassRates, channels, percent));
    charts->addWidget(
        ChartView(this, QStringLiteral("Chips per hour"), fChipsPerHour, fHourAxis, fChipAxis));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(settingsForm);
    layout->addWidget(fSummary);
    layout->addWidget(fWarning);
    layout->addLayout(charts);
    layout->addWidget(new QLabel(QStringLiteral("Most frequent failures"), this));
    layout->addWidget(fFailures);

    connect(fStation, &QLineEdit::editingFinished, this, [this] { TakeSettings(); });
    connect(fShiftStartSet, &QCheckBox::toggled, this, [this](bool set) {
        fShiftStart->setEnabled(set);
        TakeSettings();
        Refresh();
    });
    connect(fShiftStart, &QTimeEdit::timeChanged, this, [this] {
        TakeSettings();
        Refresh();
    });
}

TProductionWindow::~TProductionWindow() = default;

void TProductionWindow::TakeSettings() {
    fSettings.SetStationName(fStation->text().trimmed().toStdString());
    fRecording.SetStation(fSettings.GetStationName());
    const QTime time = fShiftStart->time();
    fSettings.SetShiftStartMinutes(fShiftStartSet->isChecked() ? time.hour() * 60 + time.minute()
                                                               : -1);
}

void TProductionWindow::Refresh() {
    const records::TShift shift = records::CurrentShift(fClock(), fSettings.GetShiftStartMinutes());
    std::vector<records::TBurnedChip> chips;
    std::string error;
    if (fDatabasePath.empty()) {
        error = "Burn records are off (ARDENT_RECORDS=off).";
    } else {
        if (!fDatabase) {
            fDatabase = records::TStationDatabase::Open(fDatabasePath, error);
        }
        if (fDatabase && !records::LoadBurnedChips(*fDatabase, shift, chips, error)) {
            fDatabase.reset(); // opened again by the next refresh
        }
    }
    fFigures = records::ComputeFigures(chips, shift);
    Show(shift);
    if (!error.empty()) {
        fSummary->setText(QString::fromStdString(error));
    }
}

void TProductionWindow::Show(const records::TShift& shift) {
    fPassRates->deselectAllBars();
    QStringList marked;
    for (int channel = 0; channel < 4; ++channel) {
        const records::TChannelYield& yield = fFigures.channels[static_cast<size_t>(channel)];
        fPassRates->replace(channel, yield.passRate);
        if (yield.wellBelow) {
            fPassRates->selectBar(channel);
            marked << QStringLiteral("CH%1 (%2 of %3 chips passed, %4)")
                          .arg(channel + 1)
                          .arg(yield.passed)
                          .arg(yield.chips)
                          .arg(Percent(yield.passRate));
        }
    }
    fWarning->setText(marked.isEmpty() ? QString()
                                       : QStringLiteral("Well below the other channels: ") +
                                             marked.join(QStringLiteral(", ")) +
                                             QStringLiteral(". Check the socket."));

    fChipsPerHour->remove(0, fChipsPerHour->count());
    fHourAxis->clear();
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(shift.start.time_since_epoch())
            .count());
    int most = 1;
    for (size_t hour = 0; hour < fFigures.chipsPerHour.size(); ++hour) {
        fChipsPerHour->append(fFigures.chipsPerHour[hour]);
        most = std::max(most, fFigures.chipsPerHour[hour]);
        fHourAxis->append(
            start.addSecs(static_cast<qint64>(hour) * 3600).toString(QStringLiteral("HH:mm")));
    }
    fChipAxis->setRange(0, most);

    fFailures->setRowCount(static_cast<int>(fFigures.topFailures.size()));
    for (int row = 0; row < fFailures->rowCount(); ++row) {
        const records::TCodeCount& code = fFigures.topFailures[static_cast<size_t>(row)];
        fFailures->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(code.codeName)));
        fFailures->setItem(row, 1, new QTableWidgetItem(QString::number(code.count)));
    }
    fSummary->setText(QStringLiteral("Shift since %1: %2 chips")
                          .arg(start.toString(QStringLiteral("yyyy-MM-dd HH:mm")))
                          .arg(fFigures.chips));
}

QString TProductionWindow::WarningText() const {
    return fWarning->text();
}

QString TProductionWindow::SummaryText() const {
    return fSummary->text();
}

} // namespace ardent
