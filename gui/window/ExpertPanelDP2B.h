#pragma once
// The DP2B expert panel: firmware, parameters and patch (firmware and patch exclude each
// other); a grid of six IDs before and after burning with a compare box each.

#include "ExpertPanel.h"

namespace ardent {

class TIdTablesModel;

class TExpertPanelDP2B : public TExpertPanel {
    Q_OBJECT
public:
    TExpertPanelDP2B(QWidget* parent, TPanelHost& host);

    void paintAgain() override;
    void paintIdTable() override;
    void updateSelection() override;
    void setButtonsEnabled(bool enable) override;
    QTableWidget& Grid() { return *idGrid; }
    QCheckBox& CompareBox(int row) { return *checkBoxList[static_cast<size_t>(row)]; }

public slots:
    void chkSelFWClick();
    void chkSlParClick();
    void chkSelPatchClick();
    void btnReadIDClick();
    void btnDetectDevicesClick();
    void idGridCellClicked(int row, int column);

private:
    void chkBoxCompareClick(int row, bool checked);

    TIdTablesModel* tableModel;
    QTableWidget* idGrid;
    std::array<QCheckBox*, 6> checkBoxList{};
    QPushButton* btnReadID;
    QPushButton* btnDetectDevices;
};

} // namespace ardent
