#include "DetectedIdsWindow.h"

#include "targets/Target.h"

#include <QHeaderView>

#include <algorithm>

namespace ardent {

namespace {
constexpr int kDefaultColumnWidth = 52;
constexpr int kRowHeight = 18;
constexpr int kGridLine = 1;

void SetText(QTableWidget& grid, int row, int column, const QString& text) {
    if (grid.item(row, column) == nullptr) {
        grid.setItem(row, column, new QTableWidgetItem());
    }
    grid.item(row, column)->setText(text);
}
} // namespace

int TDetectedIdsWindow::TextWidth(const QString& text) const {
    // The pixel rules above assume a small dialog font; no text may be cut off in another.
    return idGrid->fontMetrics().horizontalAdvance(text) + 8;
}

TDetectedIdsWindow::TDetectedIdsWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Target IDs"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    idGrid = new QTableWidget(6, 7, this);
    idGrid->horizontalHeader()->hide();
    idGrid->verticalHeader()->hide();
    idGrid->setFrameShape(QFrame::NoFrame);
    idGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    idGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    idGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < 7; ++c) {
        idGrid->setColumnWidth(c, kDefaultColumnWidth);
    }
    for (int r = 0; r < 6; ++r) {
        idGrid->setRowHeight(r, kRowHeight);
    }
    // Row 0 sits above the window: row 1 names the fields, rows 2 to 5 are the channels.
    idGrid->setGeometry(0, -(kRowHeight + kGridLine), 445, 6 * (kRowHeight + kGridLine));
    setFixedSize(445, 90);
}

void TDetectedIdsWindow::FillDetectWindow(const TTarget& target) {
    StringList names;
    const int fields = std::min(target.getFieldsName(names), idGrid->columnCount() - 1);
    for (int i = 0; i < fields; ++i) {
        const QString name = QString::fromStdString(names[static_cast<size_t>(i)]);
        SetText(*idGrid, 1, i + 1, name);
        idGrid->setColumnWidth(i + 1,
                               std::max(10 * static_cast<int>(name.size()), TextWidth(name)));
    }
    const int channels = std::min<int>(target.getNumTarget(), idGrid->rowCount() - 2);
    for (int c = 0; c < channels; ++c) {
        const QString label = QStringLiteral("CH%1(0x):").arg(c + 1, 0, 16);
        SetText(*idGrid, c + 2, 0, label);
        idGrid->setColumnWidth(0, std::max(idGrid->columnWidth(0), TextWidth(label)));
        StringList values;
        const int count = std::min(target.getFields(c, values), idGrid->columnCount() - 1);
        for (int j = 0; j < count; ++j) {
            const QString value = QString::fromStdString(values[static_cast<size_t>(j)]);
            SetText(*idGrid, c + 2, j + 1, value);
            idGrid->setColumnWidth(
                j + 1, std::max({idGrid->columnWidth(j + 1), 7 * static_cast<int>(value.size()),
                                 TextWidth(value)}));
        }
    }
    int width = idGrid->columnWidth(0) + kGridLine;
    for (int i = 0; i < fields; ++i) {
        width += idGrid->columnWidth(i + 1) + kGridLine;
    }
    idGrid->resize(width, idGrid->height());
    setFixedSize(width, 90);
    show();
}

} // namespace ardent
