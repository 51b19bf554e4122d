#pragma once
// TPortBridge: the transport interface of libportbridge.so over any IHidApi. It finds the
// programmers by their product string, connects to the one ARDENT_PROGRAMMER chooses (see
// portbridge/ProgrammerChoice.h), runs one worker thread that both watches for the device and
// reads its input reports, and reports reports, plug and unplug through the host's callbacks,
// always from that worker thread.

#include "HidDevice.h"

#include "portbridge/ProgrammerChoice.h"
#include "portbridge/TransportBase.h"

#include <chrono>
#include <condition_variable>
#include <functional>
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

// The programmers with this product string on the bus, and whether this user may open each.
std::vector<TProgrammerInfo> ListProgrammers(IHidApi& api, const std::u16string& product);

// Where the bridge learns the programmer chosen for it ("" = none chosen); asked at every
// connection attempt, so a choice made before ConnectDevice or OpenDevice counts.
using ChoiceSource = std::function<std::string()>;

class TPortBridge final : public TTransportBase {
public:
    static constexpr size_t kReportSize = 64;

    explicit TPortBridge(IHidApi& api, TPortBridgeTiming timing = {},
                         ChoiceSource choice = &ChosenProgrammer);
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
    const ChoiceSource fChoice;

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
