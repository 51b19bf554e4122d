#pragma once
// TOperatorPanelLogger: the operator panel with the burn log's inputs - "Start logging", a
// comment and one serial number per channel - and the CRCs of the configuration the programmer
// holds. The panel the main window creates.

#include "OperatorPanel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QValidator>

namespace ardent {

class TOperatorPanelLogger : public TOperatorPanel {
    Q_OBJECT
public:
    TOperatorPanelLogger(QWidget* parent, TPanelHost& host);

    void paintAgain() override;
    void setCRC(uint16_t fwCRC, uint16_t parameterId) override;
    void hideCRC() override;
    void showCrc() override;

    // Sets "Start logging" without asking.
    void setCheckBoxFromCode(bool enable);
    void inputSerial();
    // Applies the settings' logger flag to the box, the inputs and the current logger.
    void setLoggerEnabled();
    // Offers serial fields only for the channels of the stored configuration, unless all are.
    void enableSerialInput();
    // Focus to the first offered serial field from `i` on, else to the trigger button.
    void focusNextSerial(int i);

    QCheckBox& LogCheckBox() { return *chkLogFile; }
    QLineEdit& CommentField() { return *edtComment; }
    QLineEdit& SerialField(int channel) { return *serialArray[static_cast<size_t>(channel)]; }
    QLineEdit& ParamIdBox() { return *parameterIdBox; }
    QLabel& ParamIdLabel() { return *lblPar; }
    QLineEdit& FwCrcBox() { return *firmwareCrcBox; }

public slots:
    void chkLogFileClick();
    // A key or paste the log inputs refuse (a comma or a control character).
    void inputRefused();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Refuses what a log line cannot hold and hands every change to the logger; `index` as the
    // logger's setKey.
    void ConnectLogInput(QLineEdit& field, int index, QValidator& validator);
    bool ChannelOffered(int channel) const;

    QLineEdit* firmwareCrcBox;
    QLabel* lblFw;
    QLineEdit* parameterIdBox;
    QLabel* lblPar;
    QCheckBox* chkLogFile;
    QGroupBox* logInputGroup;
    QLineEdit* edtComment;
    std::array<QLineEdit*, 4> serialArray{};
    bool setFromCode = false;
    bool allChEnable = false;
};

} // namespace ardent
