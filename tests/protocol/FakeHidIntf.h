#pragma once
// An in-process transport library for tests: records what the host calls, lets a test fire the
// three callbacks, and answers OpenDevice as scripted.

#include "portbridge/HidIntf.h"
#include "protocol/HidLibrary.h"
#include "protocol/PacketFormat.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace ardent::test {

class FakeHidIntf final : public portbridge::IHIDIntf {
public:
    int32_t QueryInterface(const uint8_t iid[16], void** out) override {
        if (std::memcmp(iid, portbridge::kIHIDIntfId, 16) != 0)
            return 1;
        *out = this;
        return 0;
    }
    uint32_t AddRef() override { return static_cast<uint32_t>(++refs); }
    uint32_t Release() override { return static_cast<uint32_t>(--refs); }
    void SetReceiveCallback(portbridge::ReceiveCallback callback) override {
        std::lock_guard guard(lock);
        receive = callback;
    }
    int32_t ConnectDevice(const char16_t* product) override {
        lastProduct = product;
        ++connectDeviceCalls;
        return 0;
    }
    void SetConnectedCallback(portbridge::ConnectionCallback callback) override {
        std::lock_guard guard(lock);
        connected = callback;
    }
    void SetDisconnectedCallback(portbridge::ConnectionCallback callback) override {
        std::lock_guard guard(lock);
        disconnected = callback;
    }
    int32_t WriteReport(const uint8_t* data, uint16_t count) override {
        {
            std::lock_guard guard(lock);
            writes.emplace_back(data, data + count);
        }
        written.notify_all();
        return writeResult;
    }
    int32_t Reserved8() override { return 1; }
    int32_t Reserved9() override { return 1; }
    int32_t Reserved10() override { return 1; }
    int32_t Reserved11() override { return 1; }
    int32_t Reserved12() override { return 1; }
    int32_t Reserved13() override { return 1; }
    int32_t OpenDevice(const char16_t* product) override {
        lastProduct = product;
        const int attempt = ++openDeviceCalls;
        return openSucceedsOnAttempt > 0 && attempt >= openSucceedsOnAttempt ? 0 : 1;
    }
    int32_t Reserved15() override { return 1; }
    int32_t Reserved16() override { return 1; }
    int32_t Reserved17() override { return 1; }

    // Calls the registered callbacks as the library's thread would.
    void FireReport(const uint8_t* data, uint16_t count) {
        std::lock_guard guard(lock);
        if (receive != nullptr)
            receive(nullptr, data, count);
    }
    void FireConnected() {
        std::lock_guard guard(lock);
        if (connected != nullptr)
            connected();
    }
    void FireDisconnected() {
        std::lock_guard guard(lock);
        if (disconnected != nullptr)
            disconnected();
    }
    bool HasCallbacks() {
        std::lock_guard guard(lock);
        return receive != nullptr || connected != nullptr || disconnected != nullptr;
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

    std::atomic<int> refs{1};
    std::atomic<int> connectDeviceCalls{0};
    std::atomic<int> openDeviceCalls{0};
    int openSucceedsOnAttempt = 0; // 0: never
    int32_t writeResult = 0;
    std::u16string lastProduct;

private:
    std::mutex lock;
    std::condition_variable written;
    portbridge::ReceiveCallback receive = nullptr;
    portbridge::ConnectionCallback connected = nullptr;
    portbridge::ConnectionCallback disconnected = nullptr;
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
