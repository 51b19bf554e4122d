#pragma once
// TTransportBase: the part of IHIDIntf every transport library implements the same way - the
// identity and counters, the three callback slots with the guarantee the contract gives (after
// a Set...Callback returns, no call of the old callback is in progress), and the unused slots.
// A library derives from it and adds ConnectDevice, WriteReport and OpenDevice.

#include "portbridge/HidIntf.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace ardent::portbridge {

class TTransportBase : public IHIDIntf {
public:
    // Answers 0 and itself for kIHIDIntfId only.
    int32_t QueryInterface(const uint8_t iid[16], void** out) override {
        if (out == nullptr)
            return 1;
        if (iid == nullptr || std::memcmp(iid, kIHIDIntfId, sizeof kIHIDIntfId) != 0) {
            *out = nullptr;
            return 1;
        }
        *out = static_cast<IHIDIntf*>(this);
        AddRef();
        return 0;
    }
    // The counters only answer the host's bookkeeping; the library owns the object.
    uint32_t AddRef() override { return ++fReferences; }
    uint32_t Release() override {
        uint32_t current = fReferences.load();
        while (current > 0 && !fReferences.compare_exchange_weak(current, current - 1)) {
        }
        return current > 0 ? current - 1 : 0;
    }

    void SetReceiveCallback(ReceiveCallback callback) override {
        std::lock_guard guard(fCallbackLock);
        fReceive = callback;
    }
    void SetConnectedCallback(ConnectionCallback callback) override {
        std::lock_guard guard(fCallbackLock);
        fConnected = callback;
    }
    void SetDisconnectedCallback(ConnectionCallback callback) override {
        std::lock_guard guard(fCallbackLock);
        fDisconnected = callback;
    }

    int32_t Reserved8() override { return 1; }
    int32_t Reserved9() override { return 1; }
    int32_t Reserved10() override { return 1; }
    int32_t Reserved11() override { return 1; }
    int32_t Reserved12() override { return 1; }
    int32_t Reserved13() override { return 1; }
    int32_t Reserved15() override { return 1; }
    int32_t Reserved16() override { return 1; }
    int32_t Reserved17() override { return 1; }

protected:
    TTransportBase() = default;
    ~TTransportBase() = default;
    TTransportBase(const TTransportBase&) = delete;
    TTransportBase& operator=(const TTransportBase&) = delete;

    // Call the host back from the library's own thread, never while holding a lock the host's
    // calls take (the callback lock is held during the call).
    void FireReport(const uint8_t* data, uint16_t count) {
        std::lock_guard guard(fCallbackLock);
        if (fReceive != nullptr)
            fReceive(nullptr, data, count);
    }
    void FireConnected() {
        std::lock_guard guard(fCallbackLock);
        if (fConnected != nullptr)
            fConnected();
    }
    void FireDisconnected() {
        std::lock_guard guard(fCallbackLock);
        if (fDisconnected != nullptr)
            fDisconnected();
    }

private:
    std::atomic<uint32_t> fReferences{1};
    std::mutex fCallbackLock;
    ReceiveCallback fReceive = nullptr;
    ConnectionCallback fConnected = nullptr;
    ConnectionCallback fDisconnected = nullptr;
};

} // namespace ardent::portbridge
