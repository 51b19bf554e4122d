#pragma once
// TMainPanel: what every panel shares - starting programmer operations after checking the
// connection and the programmer's firmware, the 30-second guard against operations that never
// report back, the busy state that blocks mode and target changes, and the status lines of a
// burn or a detection.

#include "PanelHost.h"

#include <QFrame>
#include <QTimer>

#include <cstdint>

namespace ardent {

class TMainPanel : public QFrame {
    Q_OBJECT
public:
    // How long an operation may run before the panel gives up on its notification.
    static constexpr int kOperationGuardMs = 30000;

    TMainPanel(QWidget* parent, TPanelHost& host);

    virtual void paintAgain() = 0;
    // append false: `text` as a new line; true: continues the last text.
    virtual void addLines(const QString& text, bool append) = 0;
    virtual void clearMsgBox() = 0;
    virtual void setButtonsEnabled(bool enable) = 0;
    virtual void writeUnsuccessMsg();
    virtual void SetBurningStatus();
    virtual void SetDetectStatus();

    // Start target / device setup operation `command` (the thread operation numbers); true when
    // started.
    bool SendTargetCommand(int command);
    bool SendDeviceSetupCommand(int command);
    // The programmer's external trigger started a burn: waits for its result. An operation this
    // panel already runs keeps its lines, and the panel stays busy until every burn reported.
    void ExternalTriggerPressed();
    // A burn's result arrived (or its wait ended): the panel is usable again once no other burn
    // is awaited.
    void BurnReported();
    // A burn was started from this panel and its result has not been reported yet.
    bool BurnAwaited() const { return fBurnsAwaited > 0; }
    // Starts the initialization at once, without checks, line or button change.
    void InitializationFromDevice();
    void buttDisable();
    void buttEnable();
    bool getCanChange() const { return canChPanel; }
    int getHeight() const { return fHeight; }
    const QTimer& OperationGuard() const { return operationGuard; }

    // "Operation completed." ... for 0..87, "Unrecognized errors" above.
    static QString getErrorText(uint32_t code);
    // "Status channel [n] : " and the verdict word of a channel state (nothing for no verdict).
    static QString StatusLine(int channel, uint8_t state, uint32_t errorCode);
    // The box of a programmer whose firmware is older than the host works with.
    static QString FirmwareUpdateText();
    // The lines of a burn whose result never came: the chips may or may not have been burned.
    static const char* const kNoBurnResultLine;
    static const char* const kLinkLostDuringBurnLine;

public slots:
    // The guard expired: usable again, and the operator is told.
    void operationGuardTimeout();

protected:
    bool checkCanSend();
    // While logging is on, a burn of a configuration of another family than the target would be
    // logged under the wrong header and ID columns: it is refused, and the operator told why.
    bool burnLoggedUnderWrongFamily(int command);
    // The connection and firmware checks of checkCanSend, with their boxes, and nothing else.
    bool CanReachProgrammer();
    // Writes `line` and starts target flow `command`; a burn is awaited until it reports.
    bool StartTargetFlow(int command, const char* line);
    // A burn ended without a result: the line, and whatever else the panel shows for it.
    virtual void ReportUnknownBurnResult(const QString& line);

    TPanelHost& fHost;
    bool canChPanel = true;
    bool canPaintAgain = true;
    int fHeight = 515;
    // Burns started from this panel whose notification has not arrived; while there are any, the
    // panel stays busy (canPaintAgain false).
    int fBurnsAwaited = 0;
    // The guard already told the operator that the awaited burn gave no result.
    bool fBurnTimeoutReported = false;
    QTimer operationGuard;
};

} // namespace ardent
