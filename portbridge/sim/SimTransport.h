#pragma once
// The transport of the simulated programmer: the host's one interface object, carrying 64-byte
// reports over the simulator's local socket (ARDENT_SIM_SOCKET or its default) instead of USB.
// One worker thread owns the link: it reads reports and calls the host back; the host's calls
// only start, stop or write.

#include "portbridge/HidIntf.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace ardent::portbridge {

class TSimTransport final : public IHIDIntf {
public:
    TSimTransport() = default;
    TSimTransport(const TSimTransport&) = delete;
    TSimTransport& operator=(const TSimTransport&) = delete;
    // Stops the worker and closes the link; no callback runs afterwards.
    void Shutdown();

    int32_t QueryInterface(const uint8_t iid[16], void** out) override;
    uint32_t AddRef() override { return ++mReferences; }
    uint32_t Release() override { return mReferences > 0 ? --mReferences : 0; }
    void SetReceiveCallback(ReceiveCallback callback) override;
    int32_t ConnectDevice(const char16_t* product) override;
    void SetConnectedCallback(ConnectionCallback callback) override;
    void SetDisconnectedCallback(ConnectionCallback callback) override;
    int32_t WriteReport(const uint8_t* data, uint16_t count) override;
    int32_t Reserved8() override { return 1; }
    int32_t Reserved9() override { return 1; }
    int32_t Reserved10() override { return 1; }
    int32_t Reserved11() override { return 1; }
    int32_t Reserved12() override { return 1; }
    int32_t Reserved13() override { return 1; }
    int32_t OpenDevice(const char16_t* product) override;
    int32_t Reserved15() override { return 1; }
    int32_t Reserved16() override { return 1; }
    int32_t Reserved17() override { return 1; }

    ~TSimTransport() { Shutdown(); }

private:
    // Serves one open link until it drops or the transport stops: connected callback, reports,
    // disconnected callback (not when the transport stops).
    void ServeLink(int fd);
    // Keeps opening the link while the transport runs (ConnectDevice).
    void Watch(std::string path);
    // Waits `ms` unless the transport stops first; false when it stopped.
    bool Pause(int ms);
    void JoinWorker();

    std::atomic<uint32_t> mReferences{1};

    std::mutex mCallbackLock; // held while a callback runs, so clearing one waits for it
    ReceiveCallback mReceive = nullptr;
    ConnectionCallback mConnected = nullptr;
    ConnectionCallback mDisconnected = nullptr;

    std::mutex mLinkLock; // guards mFd, mWorking, mStopping; writes hold it while they send
    std::condition_variable mLinkChanged;
    int mFd = -1;
    bool mWorking = false; // the worker serves or watches
    bool mConnectedNow = false;
    uint64_t mLinksOpened = 0; // counts connected callbacks that have returned
    bool mStopping = false;
    std::thread mWorker;
};

} // namespace ardent::portbridge
