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
    // Response statuses of a burn wait that carry no result.
    static constexpr int32_t kNoBurnResult = -124;
    static constexpr int32_t kLinkLostBurnResult = -123;

    TMainPanel(QWidget* parent, TPanelHost& host);

    virtual void paintAgain() = 0;
    // append false: `text` as a new line; true: continues the last text.
    virtual void addLines(const QString& text, bool append) = 0;
    virtual void clearMsgBox() = 0;
    virtual void enDisButtons(bool enable) = 0;
    virtual void writeUnsuccessMsg();
    virtual void SetBurningStatus();
    virtual void SetDetectStatus();

    // Start target / device setup operation `command` (the thread operation numbers); true when
    // started.
    bool SendTargetCommand(int command);
    bool SendDeviceSetupCommand(int command);
    // Starts the initialization at once, without checks, line or button change.
    void InitializationFromDevice();
    void buttDisable();
    void buttEnable();
    bool getCanChange() const { return canChPanel; }
    void setCanPaintAgain(bool flag) { canPaintAgain = flag; }
    int getHeight() const { return fHeight; }
    const QTimer& ButtsTimer() const { return buttsTimer; }

    // "Operation completed." ... for 0..87, "Unrecognized errors" above.
    static QString getErrorText(uint32_t code);
    // "Status channel [n] : " and the verdict word of a channel state (nothing for no verdict).
    static QString StatusLine(int channel, uint8_t state, uint32_t errorCode);

public slots:
    // The guard expired: usable again, and the operator is told.
    void buttsTimerTimer();

protected:
    bool checkCanSend();
    // While logging is on, a burn of a configuration of another family than the target would be
    // logged under the wrong header and ID columns: it is refused, and the operator told why.
    bool burnLoggedUnderWrongFamily(int command);

    TPanelHost& fHost;
    bool canChPanel = true;
    bool canPaintAgain = true;
    int fHeight = 515;
    QTimer buttsTimer;
};

} // namespace ardent
