#pragma once
// TOperatorPanel: the line operator's screen - one trigger button, the message box, a PASS /
// FAIL / "----" box per channel and the configuration held by the programmer.

#include "MainPanel.h"
#include "MessageBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

namespace ardent {

class TOperatorPanel : public TMainPanel {
    Q_OBJECT
public:
    // How long a PASS stays in its box.
    static constexpr int kPassShownMs = 5000;

    TOperatorPanel(QWidget* parent, TPanelHost& host);

    void paintAgain() override;
    void addLines(const QString& text, bool append) override;
    void clearMsgBox() override;
    void setButtonsEnabled(bool enable) override;
    void SetBurningStatus() override;
    virtual void setCRC(uint16_t fwCRC, uint16_t parameterId);
    virtual void hideCRC();
    virtual void showCrc();

    const TMessageBox& MessageBox() const { return *messages; }
    const QLineEdit& ConfigurationNameBox() const { return *configurationNameBox; }
    QLineEdit& ResultBox(int channel) { return *arrayList[static_cast<size_t>(channel)]; }
    QPushButton& TriggerButton() { return *btnTrigger; }
    const QLabel& ConnectionLine() const { return *lblConnection; }
    const QTimer& ResultTimer() const { return resultTimer; }

public slots:
    void btnTriggerClick();
    void resultTimerTimeout();

protected:
    void clearStatus();
    // Every box shows that the burn's outcome is unknown, until the next trigger or result.
    void ReportUnknownBurnResult(const QString& line) override;
    // Whether the programmer is connected, in words.
    void paintConnection();
    // The keyboard is in one of the operator's input fields (comment, serial numbers).
    bool OperatorIsTyping() const;
    void SetResultBox(int channel, const QString& text, const QColor& colour);

    QLineEdit* configurationNameBox;
    QLabel* lblConnection;
    TMessageBox* messages;
    QPushButton* btnTrigger;
    std::array<QLineEdit*, 4> arrayList{};
    std::array<bool, 4> boolStatus{};
    QTimer resultTimer;
};

} // namespace ardent
