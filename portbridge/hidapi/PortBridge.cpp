#include "PortBridge.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ardent::portbridge {

std::vector<TProgrammerInfo> ListProgrammers(IHidApi& api, const std::u16string& product) {
    std::vector<TProgrammerInfo> programmers;
    for (const THidDeviceInfo& info : api.Enumerate()) {
        if (info.product == product)
            programmers.push_back({info.serial, info.path, api.MayOpen(info.path)});
    }
    return programmers;
}

TPortBridge::TPortBridge(IHidApi& api, TPortBridgeTiming timing, ChoiceSource choice)
    : fApi(api), fTiming(timing), fChoice(std::move(choice)) {}

TPortBridge::~TPortBridge() {
    {
        std::lock_guard guard(fLock);
        fStopping = true;
    }
    fStateChanged.notify_all();
    if (fWorker.joinable())
        fWorker.join();
}

int32_t TPortBridge::ConnectDevice(const char16_t* product) {
    if (product == nullptr)
        return 1;
    {
        std::lock_guard guard(fLock);
        fProduct = product;
        fWatching = true;
        // A device that is already open counts as appearing now.
        if (fDevice)
            fConnectPending = true;
        StartWorkerLocked();
    }
    fStateChanged.notify_all();
    return 0;
}

int32_t TPortBridge::OpenDevice(const char16_t* product) {
    if (product == nullptr)
        return 1;
    {
        std::lock_guard guard(fLock);
        if (fDevice)
            return 0;
    }
    std::shared_ptr<IHidDevice> device = FindAndOpen(product);
    if (!device)
        return 1;
    std::unique_lock lock(fLock);
    if (fStopping)
        return 1;
    if (!fDevice) {
        fDevice = std::move(device);
        fProduct = product;
        fConnectPending = true;
    }
    StartWorkerLocked();
    fStateChanged.notify_all();
    // The connected callback comes from the worker, like every callback; the caller is told
    // only after it has run.
    fStateChanged.wait(lock, [this] { return !fConnectPending || fStopping; });
    return fDevice ? 0 : 1;
}

int32_t TPortBridge::WriteReport(const uint8_t* data, uint16_t count) {
    if (data == nullptr || count > kReportSize)
        return 1;
    std::shared_ptr<IHidDevice> device;
    {
        std::lock_guard guard(fLock);
        device = fDevice;
    }
    if (!device)
        return 1;
    // Report ID 0 first (the programmer uses unnumbered reports), then always a full report.
    std::array<uint8_t, kReportSize + 1> report{};
    std::memcpy(report.data() + 1, data, count);
    const int written = device->Write(report.data(), report.size());
    return written == static_cast<int>(report.size()) ? 0 : 1;
}

std::shared_ptr<IHidDevice> TPortBridge::FindAndOpen(const std::u16string& product) {
    // A programmer this user may not open still counts: with two connected and none chosen,
    // the bridge must not fall back on the one it can open.
    const std::vector<TProgrammerInfo> programmers = ListProgrammers(fApi, product);
    const std::optional<size_t> chosen = SelectProgrammer(programmers, fChoice());
    if (!chosen)
        return nullptr;
    return fApi.Open(programmers[*chosen].path);
}

void TPortBridge::StartWorkerLocked() {
    if (!fWorker.joinable() && !fStopping)
        fWorker = std::thread(&TPortBridge::Run, this);
}

void TPortBridge::Run() {
    std::array<uint8_t, kReportSize> report{};
    for (;;) {
        std::shared_ptr<IHidDevice> device;
        bool announce = false;
        std::u16string product;
        {
            std::unique_lock lock(fLock);
            // Idle without a device and without watching: sleep until something changes.
            fStateChanged.wait(lock, [this] { return fStopping || fDevice || fWatching; });
            if (fStopping)
                return;
            device = fDevice;
            announce = fConnectPending;
            product = fProduct;
        }

        if (!device) {
            // Watching: look for the device, then wait an interval unless it appeared.
            std::shared_ptr<IHidDevice> found = FindAndOpen(product);
            std::unique_lock lock(fLock);
            if (fStopping)
                return;
            if (found && !fDevice) {
                fDevice = std::move(found);
                fConnectPending = true;
                continue;
            }
            fStateChanged.wait_for(lock, fTiming.watchInterval,
                                   [this] { return fStopping || fDevice; });
            continue;
        }

        if (announce) {
            FireConnected();
            {
                std::lock_guard guard(fLock);
                fConnectPending = false;
            }
            fStateChanged.notify_all();
        }

        const int length = device->Read(report.data(), report.size(),
                                        static_cast<int>(fTiming.readTimeout.count()));
        if (length < 0) {
            {
                std::lock_guard guard(fLock);
                if (fDevice == device)
                    fDevice.reset();
            }
            device.reset(); // closes it
            FireDisconnected();
            continue;
        }
        if (length > 0) {
            // A shorter report is delivered as a full one with zeros behind it.
            std::fill(report.begin() + std::min<size_t>(static_cast<size_t>(length), kReportSize),
                      report.end(), uint8_t{0});
            FireReport(report.data(), static_cast<uint16_t>(kReportSize));
        }
    }
}

} // namespace ardent::portbridge
