#include "ExpertPanelDP2B.h"

#include "operations/ProgramObjects.h"
#include "operations/TargetThread.h"
#include "targets/Target.h"

namespace ardent {

namespace {
constexpr int kRowHeight = 22;
constexpr int kPatchRow = 3;
constexpr int kNameWidth = 66;
constexpr int kCompareWidth = 34;
} // namespace

TExpertPanelDP2B::TExpertPanelDP2B(QWidget* parent, TPanelHost& host)
    : TExpertPanel(parent, host), tableModel(&host.app.currentTarget->GetIDModel()) {
    fHeight = 515;
    grp1->setTitle(QStringLiteral("Data files"));
    grpSetupInProgrammer->setTitle(QStringLiteral("Configuration in programmer"));

    PlaceRightColumn(222, 463);
    // Wider name and compare columns than the classic 55 and 30 pixels, so that "Customer" and
    // "Com" fit in the fonts of a Linux desktop.
    strngrd1 = MakeGrid(grpIds, 7, {kNameWidth, 127, 127, kCompareWidth}, kRowHeight);
    strngrd1->move(8, 20);
    const QStringList headings = {QStringLiteral("ID"), QStringLiteral("Before burn"),
                                  QStringLiteral("After burn"), QStringLiteral("Com")};
    const QStringList rows = {QStringLiteral("Device"),   QStringLiteral("FW"),
                              QStringLiteral("Customer"), QStringLiteral("Patch"),
                              QStringLiteral("Param"),    QStringLiteral("ROM")};
    for (int c = 0; c < 4; ++c) {
        SetCell(*strngrd1, 0, c, headings[c]);
    }
    for (int r = 0; r < 6; ++r) {
        SetCell(*strngrd1, r + 1, 0, rows[r]);
        auto* box = new QCheckBox(grpIds);
        box->move(8 + kNameWidth + 127 + 127 + 10, 20 + kRowHeight * (r + 1) + 3);
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
    connect(strngrd1, &QTableWidget::cellClicked, this, &TExpertPanelDP2B::strngrd1SelectCell);
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
    for (int r = 1; r <= tableModel->GetNumRow() && r < strngrd1->rowCount(); ++r) {
        for (int c = 1; c <= tableModel->GetNumColumn() && c < strngrd1->columnCount(); ++c) {
            SetCell(*strngrd1, r, c, QString::fromStdString(tableModel->GetValue(r - 1, c - 1)));
        }
    }
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

void TExpertPanelDP2B::strngrd1SelectCell(int row, int column) {
    // The chip's own IDs before burning may be typed over to try a value; the table keeps its
    // values, and the next repaint shows them again.
    const bool editable = column == 1 && (row == 1 || row == 2 || row == 3 || row == 6);
    strngrd1->setEditTriggers(editable ? QAbstractItemView::AllEditTriggers
                                       : QAbstractItemView::NoEditTriggers);
}

void TExpertPanelDP2B::btnReadIDClick() {
    SendTargetCommand(TTargetThread::ReadFirstChannel);
}

void TExpertPanelDP2B::btnDetectDevicesClick() {
    SendTargetCommand(TTargetThread::DetectAllChannels);
}

void TExpertPanelDP2B::enDisButtons(bool enable) {
    TExpertPanel::enDisButtons(enable);
    for (QPushButton* button : {btnLoadFW, btnLoadPatch, btnDetectDevices, btnReadID}) {
        button->setEnabled(enable);
    }
}

} // namespace ardent
