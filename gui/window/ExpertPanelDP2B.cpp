#include "ExpertPanelDP2B.h"

#include "flows/ProgramObjects.h"
#include "flows/TargetThread.h"
#include "targets/Target.h"

#include <algorithm>

namespace ardent {

namespace {
constexpr int kRowHeight = 22;
constexpr int kPatchRow = 3;
// Room around a cell's text, and the least width of each column.
constexpr int kCellPadding = 8;
constexpr int kLeastNameWidth = 55;
constexpr int kLeastValueWidth = 127;
constexpr int kLeastCompareWidth = 30;
// The grid's frame (1 pixel each side) and the least space between grid and group border.
constexpr int kGridFrame = 2;
constexpr int kGroupMargin = 2;

// The widest text a 64-bit ID can take in `metrics`: "0x" and sixteen of the widest digit.
int WidestIdWidth(const QFontMetrics& metrics) {
    int digit = 0;
    for (const QChar c : QStringLiteral("0123456789ABCDEF")) {
        digit = std::max(digit, metrics.horizontalAdvance(c));
    }
    return metrics.horizontalAdvance(QStringLiteral("0x")) + 16 * digit;
}
} // namespace

TExpertPanelDP2B::TExpertPanelDP2B(QWidget* parent, TPanelHost& host)
    : TExpertPanel(parent, host), tableModel(&host.app.currentTarget->GetIDModel()) {
    fHeight = 515;
    dataFilesGroup->setTitle(QStringLiteral("Data files"));
    grpSetupInProgrammer->setTitle(QStringLiteral("Configuration in programmer"));

    PlaceRightColumn(222, 463);
    // Columns as wide as their texts need in the desktop's font: "Customer", "Com", and a whole
    // 64-bit firmware ID in both value columns. A font too large for the group leaves the value
    // columns what is left; the cells' tool tips then carry the whole value.
    const QFontMetrics metrics = grpIds->fontMetrics();
    const int nameWidth = std::max(
        kLeastNameWidth, metrics.horizontalAdvance(QStringLiteral("Customer")) + kCellPadding);
    const int compareWidth = std::max(
        kLeastCompareWidth, metrics.horizontalAdvance(QStringLiteral("Com")) + kCellPadding);
    const int room = grpIds->width() - 2 * kGroupMargin - kGridFrame - nameWidth - compareWidth;
    const int valueWidth =
        std::min(room / 2, std::max(kLeastValueWidth, WidestIdWidth(metrics) + kCellPadding));
    idGrid = MakeGrid(grpIds, 7, {nameWidth, valueWidth, valueWidth, compareWidth}, kRowHeight);
    idGrid->move((grpIds->width() - idGrid->width()) / 2, 20);
    const int compareX = idGrid->x() + 1 + nameWidth + 2 * valueWidth;
    const QStringList headings = {QStringLiteral("ID"), QStringLiteral("Before burn"),
                                  QStringLiteral("After burn"), QStringLiteral("Com")};
    const QStringList rows = {QStringLiteral("Device"),   QStringLiteral("FW"),
                              QStringLiteral("Customer"), QStringLiteral("Patch"),
                              QStringLiteral("Param"),    QStringLiteral("ROM")};
    for (int c = 0; c < 4; ++c) {
        SetCell(*idGrid, 0, c, headings[c]);
    }
    for (int r = 0; r < 6; ++r) {
        SetCell(*idGrid, r + 1, 0, rows[r]);
        auto* box = new QCheckBox(grpIds);
        box->move(compareX + (compareWidth - box->sizeHint().width()) / 2,
                  20 + kRowHeight * (r + 1) + 3);
        checkBoxList[static_cast<size_t>(r)] = box;
        connect(box, &QCheckBox::clicked, this,
                [this, r](bool checked) { chkBoxCompareClick(r, checked); });
    }
    checkBoxList[1]->setChecked(true);
    checkBoxList[1]->setEnabled(false);
    checkBoxList[3]->setEnabled(false);
    checkBoxList[4]->setEnabled(false);

    btnReadID = new QPushButton(QStringLiteral("Read Channel 1 IDs"), grpIds);
    btnReadID->setGeometry(8, 20 + kRowHeight * 7 + 10, 150, 26);
    btnDetectDevices = new QPushButton(QStringLiteral("Detect Devices"), grpIds);
    btnDetectDevices->setGeometry(166, 20 + kRowHeight * 7 + 10, 150, 26);
    connect(btnReadID, &QPushButton::clicked, this, &TExpertPanelDP2B::btnReadIDClick);
    connect(btnDetectDevices, &QPushButton::clicked, this,
            &TExpertPanelDP2B::btnDetectDevicesClick);
    connect(chkSelFw, &QCheckBox::clicked, this, &TExpertPanelDP2B::chkSelFWClick);
    connect(chkSelPar, &QCheckBox::clicked, this, &TExpertPanelDP2B::chkSlParClick);
    connect(chkSelPatch, &QCheckBox::clicked, this, &TExpertPanelDP2B::chkSelPatchClick);
    connect(idGrid, &QTableWidget::cellClicked, this, &TExpertPanelDP2B::idGridCellClicked);
    paintIdTable();
}

void TExpertPanelDP2B::paintAgain() {
    TExpertPanel::paintAgain();
    paintIdTable();
}

void TExpertPanelDP2B::paintIdTable() {
    if (fHost.app.TargetBusy()) {
        return; // a flow may be writing the table; its notification repaints
    }
    PaintModelGrid(*idGrid, *tableModel);
    for (int i = 0; i < 6 && i < tableModel->GetNumRow(); ++i) {
        checkBoxList[static_cast<size_t>(i)]->setChecked(tableModel->GetCompare(i));
    }
}

void TExpertPanelDP2B::updateSelection() {
    enChkBoxEvent = false;
    const TTarget& target = *fHost.app.currentTarget;
    chkSelFw->setChecked(target.CheckSelection(1));
    chkSelPatch->setChecked(target.CheckSelection(2));
    chkSelPar->setChecked(target.CheckSelection(3));
    enChkBoxEvent = true;
}

void TExpertPanelDP2B::chkSelFWClick() {
    if (!enChkBoxEvent) {
        return;
    }
    TTarget& target = *fHost.app.currentTarget;
    target.SetSelection(chkSelFw->isChecked(), 1);
    if (chkSelFw->isChecked()) {
        target.SetSelection(false, 2);
        checkBoxList[kPatchRow]->setChecked(false);
        chkBoxCompareClick(kPatchRow, false);
    }
    paintIdTable();
    updateSelection();
}

void TExpertPanelDP2B::chkSelPatchClick() {
    if (!enChkBoxEvent) {
        return;
    }
    TTarget& target = *fHost.app.currentTarget;
    target.SetSelection(chkSelPatch->isChecked(), 2);
    if (chkSelPatch->isChecked()) {
        target.SetSelection(false, 1);
        chkSelFw->setChecked(false);
    }
    paintIdTable();
    updateSelection();
}

void TExpertPanelDP2B::chkSlParClick() {
    if (!enChkBoxEvent) {
        return;
    }
    fHost.app.currentTarget->SetSelection(chkSelPar->isChecked(), 3);
    paintIdTable();
    updateSelection();
}

void TExpertPanelDP2B::chkBoxCompareClick(int row, bool checked) {
    tableModel->SetCompare(row, 1, checked);
}

void TExpertPanelDP2B::idGridCellClicked(int row, int column) {
    // The chip's own IDs before burning may be typed over to try a value; the table keeps its
    // values, and the next repaint shows them again.
    const bool editable = column == 1 && (row == 1 || row == 2 || row == 3 || row == 6);
    idGrid->setEditTriggers(editable ? QAbstractItemView::AllEditTriggers
                                     : QAbstractItemView::NoEditTriggers);
}

void TExpertPanelDP2B::btnReadIDClick() {
    SendTargetCommand(TTargetThread::ReadFirstChannel);
}

void TExpertPanelDP2B::btnDetectDevicesClick() {
    SendTargetCommand(TTargetThread::DetectAllChannels);
}

void TExpertPanelDP2B::setButtonsEnabled(bool enable) {
    TExpertPanel::setButtonsEnabled(enable);
    for (QPushButton* button : {btnLoadFW, btnLoadPatch, btnDetectDevices, btnReadID}) {
        button->setEnabled(enable);
    }
}

} // namespace ardent
