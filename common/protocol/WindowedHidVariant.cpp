#include "protocol/WindowedHidVariant.h"

#include "protocol/Trace.h"

#include <algorithm>
#include <cstring>

namespace ardent {

void TWindowedHidVariant::Connect(HIDCtrl& /*ctrl*/, IHIDIntf& intf) {
    const int32_t answer = intf.ConnectDevice(portbridge::kProductName);
    if (TraceEnabled())
        TraceLine("connect: watching for the programmer, ConnectDevice answered " +
                  std::to_string(answer));
}

void TWindowedHidVariant::OnReportReceived(HIDCtrl& /*ctrl*/, const uint8_t* data, uint16_t count) {
    const size_t available = data == nullptr ? 0 : std::min<size_t>(count, kPacketSize);
    if (!ReportIsComplete(std::span<const uint8_t>(data, available)))
        return;
    std::lock_guard guard(fBufferLock);
    std::memcpy(fBuffer.data(), data, available);
    fReceiveQueue.Put(fBuffer);
}

void TWindowedHidVariant::OnDeviceConnected(HIDCtrl& ctrl) {
    ctrl.setConnected(true);
    QueueBufferWithMarker(MARKER_CONNECTED);
}

void TWindowedHidVariant::OnDeviceDisconnected(HIDCtrl& ctrl) {
    ctrl.setConnected(false);
    QueueBufferWithMarker(MARKER_DISCONNECTED);
}

void TWindowedHidVariant::QueueBufferWithMarker(uint8_t marker) {
    std::lock_guard guard(fBufferLock);
    fBuffer[0] = marker;
    fReceiveQueue.Put(fBuffer);
}

} // namespace ardent
