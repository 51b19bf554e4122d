#include "ExpertPanelDP3B.h"

#include "Dialogs.h"
#include "flows/ProgramObjects.h"
#include "flows/TargetThread.h"
#include "targets/ConfigurationDraft.h"
#include "targets/Target.h"

namespace ardent {

TExpertPanelDP3B::TExpertPanelDP3B(QWidget* parent, TPanelHost& host)
    : TExpertPanel(parent, host), tableModel(&host.app.currentTarget->GetIDModel()) {
    fHeight = 455;
    for (QWidget* hidden : {static_cast<QWidget*>(firmwareLabel), static_cast<QWidget*>(btnLoadFW),
                            static_cast<QWidget*>(chkSelFw), static_cast<QWidget*>(btnLoadPar),
                            static_cast<QWidget*>(btnLoadPatch)}) {
        hidden->hide();
    }
    patchLabel->move(8, 24);
    chkSelPatch->move(170, 23);
    parametersLabel->move(8, 48);
    chkSelPar->move(170, 47);
    btnLoadXml = new QPushButton(QStringLiteral("Load"), dataFilesGroup);
    btnLoadXml->setGeometry(8, 70, 80, 24);
    connect(btnLoadXml, &QPushButton::clicked, this, &TExpertPanelDP3B::btnLoadXmlClick);

    PlaceRightColumn(170, 403);
    grpIds->setTitle(QStringLiteral("IDs from file"));
    idGrid = MakeGrid(grpIds, 4, {100, 255}, 22);
    idGrid->move(8, 20);
    SetCell(*idGrid, 0, 0, QStringLiteral("ID"));
    SetCell(*idGrid, 0, 1, QStringLiteral("Value"));
    SetCell(*idGrid, 1, 0, QStringLiteral("Firmware"));
    SetCell(*idGrid, 2, 0, QStringLiteral("Patch"));
    SetCell(*idGrid, 3, 0, QStringLiteral("Parameters"));
    auto* devices = new QGroupBox(QStringLiteral("Ids from devices"), grpIds);
    devices->setGeometry(8, 20 + 4 * 22 + 6, 150, 52);
    btn_DetectIDs = new QPushButton(QStringLiteral("Detect IDs"), devices);
    btn_DetectIDs->setGeometry(8, 20, 100, 24);
    connect(btn_DetectIDs, &QPushButton::clicked, this, &TExpertPanelDP3B::btn_DetectIDsClick);
    grpMessages->setTitle(QStringLiteral("MessageBox"));
    messages->setReadOnly(false); // this family's box takes notes
    connect(chkSelPatch, &QCheckBox::clicked, this, &TExpertPanelDP3B::chkSelPatchClick);
    connect(chkSelPar, &QCheckBox::clicked, this, &TExpertPanelDP3B::chkSelParClick);
    paintIdTable();
}

void TExpertPanelDP3B::paintAgain() {
    TExpertPanel::paintAgain();
    paintIdTable();
}

void TExpertPanelDP3B::paintIdTable() {
    if (fHost.app.TargetBusy()) {
        return; // a flow may be writing the table; its notification repaints
    }
    if (tableModel->GetNumColumn() < 2) {
        return;
    }
    for (int r = 1; r <= tableModel->GetNumRow() && r < idGrid->rowCount(); ++r) {
        SetValueCell(*idGrid, r, 1, QString::fromStdString(tableModel->GetValue(r - 1, 1)));
    }
    if (tableModel->GetNumRow() > 0) {
        SetValueCell(*idGrid, 1, 1, QString::fromStdString(tableModel->GetValue(0, 0)));
    }
}

void TExpertPanelDP3B::updateSelection() {
    const TTarget& target = *fHost.app.currentTarget;
    const bool patch = target.CheckSelection(2);
    const bool parameters = target.CheckSelection(3);
    chkSelPatch->setEnabled(patch);
    chkSelPar->setEnabled(parameters);
    enChkBoxEvent = false;
    chkSelPatch->setChecked(patch);
    chkSelPar->setChecked(parameters);
    enChkBoxEvent = true;
    SetLoadedLook(*btnLoadXml, chkSelPatch->isChecked() || chkSelPar->isChecked());
}

void TExpertPanelDP3B::btnLoadXmlClick() {
    setOpenFilter(2);
    LoadFile();
    if (!sHEXfile.isEmpty()) {
        try {
            LoadXmlFile(sHEXfile.toStdString());
        } catch (const std::exception& error) {
            // A value that is no number, or a file that cannot be read: nothing of it stays.
            fHost.app.currentTarget->unLoadData();
            updateSelection();
            ReportFileError(sHEXfile, error);
        }
    }
    paintIdTable();
    btnLoadXml->setToolTip(ChosenFileTip());
}

void TExpertPanelDP3B::LoadXmlFile(const std::string& file) {
    const std::string message = LoadXmlInputFile(*fHost.app.currentTarget, file);
    updateSelection();
    if (!message.empty()) {
        fHost.dialogs.Information(this, QString::fromLatin1(message.c_str()));
    }
}

void TExpertPanelDP3B::chkSelPatchClick() {
    if (enChkBoxEvent) {
        fHost.app.currentTarget->SetSelection(chkSelPatch->isChecked(), 2);
        paintIdTable();
    }
}

void TExpertPanelDP3B::chkSelParClick() {
    if (enChkBoxEvent) {
        fHost.app.currentTarget->SetSelection(chkSelPar->isChecked(), 3);
        paintIdTable();
    }
}

void TExpertPanelDP3B::btn_DetectIDsClick() {
    SendTargetCommand(TTargetThread::DetectAllChannels);
}

void TExpertPanelDP3B::setButtonsEnabled(bool enable) {
    TExpertPanel::setButtonsEnabled(enable);
    btn_DetectIDs->setEnabled(enable);
    // Loading a file while the programmer works on the configuration would change it under it.
    btnLoadXml->setEnabled(enable);
}

} // namespace ardent
