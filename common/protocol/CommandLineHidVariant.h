#pragma once
// The command-line tool's controller variant: Connect opens the programmer synchronously, up to
// ten attempts half a second apart; the callbacks queue TPacketFormat packets, and a lost
// connection queues MARKER_LINK_LOST so that a waiting operation ends at once.

#include "protocol/HIDCtrl.h"
#include "protocol/ThreadSafeQueue.h"

#include <chrono>
#include <functional>

namespace ardent {

class TCommandLineHidVariant final : public IHIDCtrlVariant {
public:
    using PauseFunction = std::function<void(std::chrono::milliseconds)>;

    static constexpr int kConnectAttempts = 10;
    static constexpr std::chrono::milliseconds kConnectPause{500};

    // `pause` waits between failed attempts (a real sleep by default; tests pass an instant one).
    explicit TCommandLineHidVariant(TThreadSafeQueue<TPacketFormat>& receiveQueue,
                                    PauseFunction pause = {});

    // When not yet connected: up to kConnectAttempts OpenDevice calls, each failure followed by
    // a pause of kConnectPause.
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
};

} // namespace ardent
