#include "ExpertPanelDP2A.h"

#include "flows/ProgramObjects.h"
#include "flows/TargetThread.h"
#include "targets/Target.h"

namespace ardent {

TExpertPanelDP2A::TExpertPanelDP2A(QWidget* parent, TPanelHost& host)
    : TExpertPanel(parent, host), tableModel(&host.app.currentTarget->GetIDModel()) {
    fHeight = 450;
    dataFilesGroup->setTitle(QStringLiteral("Data files"));
    btnLoadCfg->setText(QStringLiteral("Load "));
    btnReadCfg->setText(QStringLiteral("Import "));
    grpSetupInProgrammer->setTitle(QStringLiteral("Configuration in programmer"));
    for (QWidget* hidden : {static_cast<QWidget*>(firmwareLabel), static_cast<QWidget*>(patchLabel),
                            static_cast<QWidget*>(btnLoadFW), static_cast<QWidget*>(btnLoadPatch),
                            static_cast<QWidget*>(chkSelFw), static_cast<QWidget*>(chkSelPatch)}) {
        hidden->hide();
    }
    btnLoadFW->setEnabled(false);
    btnLoadPatch->setEnabled(false);

    PlaceRightColumn(112, 398);
    idGrid = MakeGrid(grpIds, 2, {72, 118, 118, 37}, 22); // "Parameters" fits in 72
    idGrid->setRowHeight(1, 35);
    idGrid->resize(idGrid->width(), 22 + 35 + 2);
    idGrid->move(8, 20);
    const QStringList headings = {QStringLiteral("ID"), QStringLiteral("Before burn"),
                                  QStringLiteral("After burn"), QStringLiteral("Com")};
    for (int c = 0; c < 4; ++c) {
        SetCell(*idGrid, 0, c, headings[c]);
    }
    SetCell(*idGrid, 1, 0, QStringLiteral("Parameters"));
    auto* compare = new QCheckBox(grpIds);
    compare->move(8 + 72 + 118 + 118 + 12, 20 + 22 + 10);
    compare->setChecked(true);
    compare->setEnabled(false);

    btnReadId = new QPushButton(QStringLiteral("READ ID"), grpIds);
    btnReadId->setGeometry(8, 82, 90, 24);
    btnDetect = new QPushButton(QStringLiteral("DETECT"), grpIds);
    btnDetect->setGeometry(106, 82, 90, 24);
    connect(btnReadId, &QPushButton::clicked, this, &TExpertPanelDP2A::btnReadIdClick);
    connect(btnDetect, &QPushButton::clicked, this, &TExpertPanel::btnDetectClick);
    connect(chkSelPar, &QCheckBox::clicked, this, &TExpertPanelDP2A::chkSelParClick);
    paintIdTable();
}

void TExpertPanelDP2A::paintAgain() {
    TExpertPanel::paintAgain();
    paintIdTable();
}

void TExpertPanelDP2A::paintIdTable() {
    if (fHost.app.TargetBusy()) {
        return; // a flow may be writing the table; its notification repaints
    }
    PaintModelGrid(*idGrid, *tableModel);
}

void TExpertPanelDP2A::updateSelection() {
    chkSelPar->setChecked(fHost.app.currentTarget->CheckSelection(3));
}

void TExpertPanelDP2A::chkSelParClick() {
    fHost.app.currentTarget->SetSelection(chkSelPar->isChecked(), 3);
    paintIdTable();
}

void TExpertPanelDP2A::btnReadIdClick() {
    SendTargetCommand(TTargetThread::ReadFirstChannel);
}

} // namespace ardent
