#pragma once
// An in-process transport library for tests: records what the host calls, lets a test fire the
// three callbacks, answers OpenDevice as scripted, and can stand for a programmer that answers
// each written report with reports of its own (of any length, as a faulty device might).

#include "portbridge/TransportBase.h"
#include "protocol/HidLibrary.h"
#include "protocol/PacketFormat.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

namespace ardent::test {

class FakeHidIntf final : public portbridge::TTransportBase {
public:
    void SetReceiveCallback(portbridge::ReceiveCallback callback) override {
        receiveSet = callback != nullptr;
        TTransportBase::SetReceiveCallback(callback);
    }
    void SetConnectedCallback(portbridge::ConnectionCallback callback) override {
        connectedSet = callback != nullptr;
        TTransportBase::SetConnectedCallback(callback);
    }
    void SetDisconnectedCallback(portbridge::ConnectionCallback callback) override {
        disconnectedSet = callback != nullptr;
        TTransportBase::SetDisconnectedCallback(callback);
    }
    int32_t ConnectDevice(const char16_t* product) override {
        lastProduct = product;
        ++connectDeviceCalls;
        return 0;
    }
    int32_t WriteReport(const uint8_t* data, uint16_t count) override {
        const std::vector<uint8_t> report(data, data + count);
        {
            std::lock_guard guard(lock);
            writes.push_back(report);
        }
        written.notify_all();
        // Fired on the writer's thread, before the write returns: the answers are queued before
        // the host starts to wait, whatever the machine's load.
        if (device)
            for (const std::vector<uint8_t>& answer : device(report))
                FireReport(answer.data(), static_cast<uint16_t>(answer.size()));
        return writeResult;
    }
    int32_t OpenDevice(const char16_t* product) override {
        lastProduct = product;
        const int attempt = ++openDeviceCalls;
        return openSucceedsOnAttempt > 0 && attempt >= openSucceedsOnAttempt ? 0 : 1;
    }

    // Calls the registered callbacks as the library's thread would.
    using TTransportBase::FireConnected;
    using TTransportBase::FireDisconnected;
    using TTransportBase::FireReport;

    bool HasCallbacks() const { return receiveSet || connectedSet || disconnectedSet; }
    // The references the host holds besides the library's own.
    uint32_t HostReferences() {
        AddRef();
        return Release() - 1;
    }
    // Waits (up to a generous limit, for a hung thread only) until `count` writes happened.
    bool WaitForWrites(size_t count) {
        std::unique_lock guard(lock);
        return written.wait_for(guard, std::chrono::seconds(10),
                                [&] { return writes.size() >= count; });
    }
    std::vector<std::vector<uint8_t>> Writes() {
        std::lock_guard guard(lock);
        return writes;
    }

    // The programmer behind the library: the reports it answers a written report with, in
    // order. Set it before the host writes.
    std::function<std::vector<std::vector<uint8_t>>(const std::vector<uint8_t>& written)> device;

    std::atomic<int> connectDeviceCalls{0};
    std::atomic<int> openDeviceCalls{0};
    int openSucceedsOnAttempt = 0; // 0: never
    int32_t writeResult = 0;
    std::u16string lastProduct;

private:
    std::atomic<bool> receiveSet{false};
    std::atomic<bool> connectedSet{false};
    std::atomic<bool> disconnectedSet{false};
    std::mutex lock;
    std::condition_variable written;
    std::vector<std::vector<uint8_t>> writes;
};

// A library that hands out one FakeHidIntf (or fails to load when `available` is false).
class FakeHidLibrary final : public IHidLibrary {
public:
    bool Load() override {
        if (!available)
            return false;
        ++loads;
        return true;
    }
    void Unload() override { ++unloads; }
    portbridge::IHIDIntf* GetInterface() override {
        intf.AddRef();
        return &intf;
    }

    bool available = true;
    int loads = 0;
    int unloads = 0;
    FakeHidIntf intf;
};

inline TArrayByte BytesOf(std::initializer_list<uint8_t> head) {
    TArrayByte bytes{};
    std::copy(head.begin(), head.end(), bytes.begin());
    return bytes;
}

} // namespace ardent::test
