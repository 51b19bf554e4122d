#pragma once
// The DP3B expert panel: one XML file holds patch and parameters; the grid shows the IDs the
// file expects; "Detect IDs" reads all four channels.

#include "ExpertPanel.h"

namespace ardent {

class TIdTablesModel;

class TExpertPanelDP3B : public TExpertPanel {
    Q_OBJECT
public:
    TExpertPanelDP3B(QWidget* parent, TPanelHost& host);

    void paintAgain() override;
    void paintIdTable() override;
    void updateSelection() override;
    void setButtonsEnabled(bool enable) override;
    QTableWidget& Grid() { return *idGrid; }
    QPushButton& LoadXmlButton() { return *btnLoadXml; }

public slots:
    void btnLoadXmlClick();
    void chkSelParClick();
    void chkSelPatchClick();
    void btn_DetectIDsClick();

private:
    // Patch and parameters of one XML file into the target, and the box for what was refused.
    // Raises what the file's reading raises (a value that is no number).
    void LoadXmlFile(const std::string& file);

    TIdTablesModel* tableModel;
    QTableWidget* idGrid;
    QPushButton* btnLoadXml;
    QPushButton* btn_DetectIDs;
};

} // namespace ardent
