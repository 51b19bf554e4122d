#pragma once
// The command-line tool's controller variant: Connect opens the programmer synchronously, up to
// ten attempts half a second apart (or as many as fit a chosen connect wait); the callbacks queue
// TPacketFormat packets, and a lost connection queues MARKER_LINK_LOST so that a waiting operation
// ends at once.

#include "protocol/HIDCtrl.h"
#include "protocol/ThreadSafeQueue.h"

#include <chrono>
#include <functional>
#include <optional>

namespace ardent {

class TCommandLineHidVariant final : public IHIDCtrlVariant {
public:
    using PauseFunction = std::function<void(std::chrono::milliseconds)>;

    static constexpr int kConnectAttempts = 10;
    static constexpr std::chrono::milliseconds kConnectPause{500};

    // `pause` waits between failed attempts (a real sleep by default; tests pass an instant one).
    // `connectWait`: how long Connect waits for a programmer to appear; without it, the fixed
    // kConnectAttempts.
    explicit TCommandLineHidVariant(
        TThreadSafeQueue<TPacketFormat>& receiveQueue, PauseFunction pause = {},
        std::optional<std::chrono::milliseconds> connectWait = std::nullopt);

    // The attempts that wait `wait` for a programmer to appear (one, and one more per pause that
    // fits, so a wait of 0 tries once and never pauses); kConnectAttempts without a wait.
    static int AttemptsFor(std::optional<std::chrono::milliseconds> wait);

    // When not yet connected: up to AttemptsFor(connectWait) OpenDevice calls, each failure
    // followed by a pause of kConnectPause; with a chosen wait, none after the last failure.
    void Connect(HIDCtrl& ctrl, IHIDIntf& intf) override;
    // Queues the report as one packet. A report too short for what its header names
    // (ReportIsComplete) answers nothing and is not queued; one that holds all of it but is
    // shorter than 64 bytes is zero-padded behind it.
    void OnReportReceived(HIDCtrl& ctrl, const uint8_t* data, uint16_t count) override;
    void OnDeviceConnected(HIDCtrl& ctrl) override;
    // Connected := false, then queues MARKER_LINK_LOST.
    void OnDeviceDisconnected(HIDCtrl& ctrl) override;

private:
    TThreadSafeQueue<TPacketFormat>& fReceiveQueue;
    PauseFunction fPause;
    int fAttempts;
    bool fPauseAfterLast;
};

} // namespace ardent
