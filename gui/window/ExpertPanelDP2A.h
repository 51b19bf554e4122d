#pragma once
// The DP2A expert panel: parameters only; the grid shows the parameter ID before and after
// burning; "READ ID" reads the first channel, "DETECT" all four.

#include "ExpertPanel.h"

namespace ardent {

class TIdTablesModel;

class TExpertPanelDP2A : public TExpertPanel {
    Q_OBJECT
public:
    TExpertPanelDP2A(QWidget* parent, TPanelHost& host);

    void paintAgain() override;
    void paintIdTable() override;
    void updateSelection() override;
    QTableWidget& Grid() { return *idGrid; }

public slots:
    void chkSelParClick();
    void btnReadIdClick();

private:
    TIdTablesModel* tableModel;
    QTableWidget* idGrid;
    QPushButton* btnReadId;
    QPushButton* btnDetect;
};

} // namespace ardent
