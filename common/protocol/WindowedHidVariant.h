#pragma once
// The windowed program's controller variant: Connect starts the library's asynchronous watch
// for the programmer; the callbacks pass reports and connection changes to the receive queue
// as raw 64-byte arrays, markers included, through one shared receive buffer.

#include "protocol/HIDCtrl.h"
#include "protocol/ThreadSafeQueue.h"

#include <mutex>

namespace ardent {

class TWindowedHidVariant final : public IHIDCtrlVariant {
public:
    explicit TWindowedHidVariant(TThreadSafeQueue<TArrayByte>& receiveQueue)
        : fReceiveQueue(receiveQueue) {}

    void Connect(HIDCtrl& ctrl, IHIDIntf& intf) override;
    // Copies at most 64 bytes to the start of the shared buffer (a shorter report leaves the
    // rest as it was) and queues the whole buffer. A report too short for what its header names
    // (ReportIsComplete) answers nothing: it is not queued and leaves the buffer alone.
    void OnReportReceived(HIDCtrl& ctrl, const uint8_t* data, uint16_t count) override;
    // Connected := true, then queues the buffer with MARKER_CONNECTED in byte 0.
    void OnDeviceConnected(HIDCtrl& ctrl) override;
    // Connected := false, then queues the buffer with MARKER_DISCONNECTED in byte 0, so whoever
    // the marker wakes already sees the programmer as gone.
    void OnDeviceDisconnected(HIDCtrl& ctrl) override;

private:
    void QueueBufferWithMarker(uint8_t marker);

    TThreadSafeQueue<TArrayByte>& fReceiveQueue;
    // The library may call back from more than one thread (a reader and a watcher), so the
    // shared buffer has its own lock.
    std::mutex fBufferLock;
    TArrayByte fBuffer{};
};

} // namespace ardent
