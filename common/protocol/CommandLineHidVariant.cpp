#include "protocol/CommandLineHidVariant.h"

#include "protocol/Trace.h"

#include <algorithm>
#include <thread>

namespace ardent {

TCommandLineHidVariant::TCommandLineHidVariant(TThreadSafeQueue<TPacketFormat>& receiveQueue,
                                               PauseFunction pause,
                                               std::optional<std::chrono::milliseconds> connectWait)
    : fReceiveQueue(receiveQueue), fPause(std::move(pause)), fAttempts(AttemptsFor(connectWait)),
      fPauseAfterLast(!connectWait) {
    if (!fPause)
        fPause = [](std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); };
}

void TCommandLineHidVariant::Connect(HIDCtrl& ctrl, IHIDIntf& intf) {
    if (ctrl.isConnected())
        return;
    // The fixed ten keep their pause after the last failure; a chosen wait ends at its limit.
    for (int attempt = 0; attempt < fAttempts; ++attempt) {
        const int32_t answer = intf.OpenDevice(portbridge::kProductName);
        if (TraceEnabled())
            TraceLine("connect attempt " + std::to_string(attempt + 1) + " of " +
                      std::to_string(fAttempts) + ": OpenDevice answered " +
                      std::to_string(answer));
        if (answer == 0) {
            ctrl.setConnected(true);
            return;
        }
        if (attempt + 1 < fAttempts || fPauseAfterLast)
            fPause(kConnectPause);
    }
}

int TCommandLineHidVariant::AttemptsFor(std::optional<std::chrono::milliseconds> wait) {
    if (!wait)
        return kConnectAttempts;
    const auto pauses = wait->count() / kConnectPause.count();
    return static_cast<int>(std::min<long long>(pauses, 1'000'000)) + 1;
}

void TCommandLineHidVariant::OnReportReceived(HIDCtrl& /*ctrl*/, const uint8_t* data,
                                              uint16_t count) {
    // The count is honoured: reading a full 64 bytes behind a shorter report would read past
    // the library's buffer.
    const size_t available = data == nullptr ? 0 : std::min<size_t>(count, kPacketSize);
    const std::span<const uint8_t> report(data, available);
    if (!ReportIsComplete(report))
        return;
    fReceiveQueue.Put(PacketFromBytes(report));
}

void TCommandLineHidVariant::OnDeviceConnected(HIDCtrl& ctrl) {
    ctrl.setConnected(true);
}

void TCommandLineHidVariant::OnDeviceDisconnected(HIDCtrl& ctrl) {
    ctrl.setConnected(false);
    fReceiveQueue.Put(MakeMarker(MARKER_LINK_LOST));
}

} // namespace ardent
