#include "FormDetect.h"

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

int TFormDetect::TextWidth(const QString& text) const {
    // The pixel rules above assume a small dialog font; no text may be cut off in another.
    return strngrd1->fontMetrics().horizontalAdvance(text) + 8;
}

TFormDetect::TFormDetect(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Target IDs"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    strngrd1 = new QTableWidget(6, 7, this);
    strngrd1->horizontalHeader()->hide();
    strngrd1->verticalHeader()->hide();
    strngrd1->setFrameShape(QFrame::NoFrame);
    strngrd1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strngrd1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strngrd1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < 7; ++c) {
        strngrd1->setColumnWidth(c, kDefaultColumnWidth);
    }
    for (int r = 0; r < 6; ++r) {
        strngrd1->setRowHeight(r, kRowHeight);
    }
    // Row 0 sits above the window: row 1 names the fields, rows 2 to 5 are the channels.
    strngrd1->setGeometry(0, -(kRowHeight + kGridLine), 445, 6 * (kRowHeight + kGridLine));
    setFixedSize(445, 90);
}

void TFormDetect::FillDetectWindow(const TTarget& target) {
    StringList names;
    const int fields = std::min(target.getFieldsName(names), strngrd1->columnCount() - 1);
    for (int i = 0; i < fields; ++i) {
        const QString name = QString::fromStdString(names[static_cast<size_t>(i)]);
        SetText(*strngrd1, 1, i + 1, name);
        strngrd1->setColumnWidth(i + 1,
                                 std::max(10 * static_cast<int>(name.size()), TextWidth(name)));
    }
    const int channels = std::min<int>(target.getNumTarget(), strngrd1->rowCount() - 2);
    for (int c = 0; c < channels; ++c) {
        const QString label = QStringLiteral("CH%1(0x):").arg(c + 1, 0, 16);
        SetText(*strngrd1, c + 2, 0, label);
        strngrd1->setColumnWidth(0, std::max(strngrd1->columnWidth(0), TextWidth(label)));
        StringList values;
        const int count = std::min(target.getFields(c, values), strngrd1->columnCount() - 1);
        for (int j = 0; j < count; ++j) {
            const QString value = QString::fromStdString(values[static_cast<size_t>(j)]);
            SetText(*strngrd1, c + 2, j + 1, value);
            strngrd1->setColumnWidth(
                j + 1, std::max({strngrd1->columnWidth(j + 1), 7 * static_cast<int>(value.size()),
                                 TextWidth(value)}));
        }
    }
    int width = strngrd1->columnWidth(0) + kGridLine;
    for (int i = 0; i < fields; ++i) {
        width += strngrd1->columnWidth(i + 1) + kGridLine;
    }
    strngrd1->resize(width, strngrd1->height());
    setFixedSize(width, 90);
    show();
}

} // namespace ardent
