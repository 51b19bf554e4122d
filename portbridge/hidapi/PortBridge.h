#pragma once
// TPortBridge: the transport interface of libportbridge.so over any IHidApi. It finds the
// programmer by its product string, runs one worker thread that both watches for the device and
// reads its input reports, and reports reports, plug and unplug through the host's callbacks,
// always from that worker thread.

#include "HidDevice.h"

#include "portbridge/TransportBase.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace ardent::portbridge {

struct TPortBridgeTiming {
    // How long one read waits before the worker looks at its state again (stop, new device).
    std::chrono::milliseconds readTimeout{200};
    // How often a watching bridge looks for the device while it is absent.
    std::chrono::milliseconds watchInterval{500};
};

class TPortBridge final : public TTransportBase {
public:
    static constexpr size_t kReportSize = 64;

    explicit TPortBridge(IHidApi& api, TPortBridgeTiming timing = {});
    // Stops the worker and closes the device; no callback runs afterwards.
    ~TPortBridge();
    TPortBridge(const TPortBridge&) = delete;
    TPortBridge& operator=(const TPortBridge&) = delete;

    int32_t ConnectDevice(const char16_t* product) override;
    int32_t WriteReport(const uint8_t* data, uint16_t count) override;
    int32_t OpenDevice(const char16_t* product) override;

private:
    std::shared_ptr<IHidDevice> FindAndOpen(const std::u16string& product);
    void StartWorkerLocked();
    void Run();

    IHidApi& fApi;
    const TPortBridgeTiming fTiming;

    // Guards the device state below; never held during a callback or a read.
    std::mutex fLock;
    std::condition_variable fStateChanged;
    std::shared_ptr<IHidDevice> fDevice;
    std::u16string fProduct;
    bool fWatching = false;       // ConnectDevice: look for the device until stopped
    bool fConnectPending = false; // the worker still has to fire the connected callback
    bool fStopping = false;
    std::thread fWorker;
};

} // namespace ardent::portbridge
