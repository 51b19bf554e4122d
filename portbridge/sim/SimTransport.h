#pragma once
// The transport of the simulated programmer: the host's one interface object, carrying 64-byte
// reports over the simulator's local socket instead of USB: the one of ARDENT_SIM_SOCKET (or its
// default), or the one ARDENT_PROGRAMMER chooses from the line of ARDENT_SIM_LINE.
// One worker thread owns the link: it reads reports and calls the host back; the host's calls
// only start, stop or write.

#include "portbridge/TransportBase.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace ardent::portbridge {

class TSimTransport final : public TTransportBase {
public:
    TSimTransport() = default;
    // Stops the worker and closes the link; no callback runs afterwards.
    void Shutdown();

    int32_t ConnectDevice(const char16_t* product) override;
    int32_t WriteReport(const uint8_t* data, uint16_t count) override;
    int32_t OpenDevice(const char16_t* product) override;

    ~TSimTransport() { Shutdown(); }

private:
    // Serves one open link until it drops or the transport stops: connected callback, reports,
    // disconnected callback (not when the transport stops).
    void ServeLink(int fd);
    // Keeps opening the link to the chosen programmer while the transport runs (ConnectDevice).
    void Watch();
    // Waits `ms` unless the transport stops first; false when it stopped.
    bool Pause(int ms);
    void JoinWorker();

    // Guards mFd, mWorking, mWatching, mStopping; writes hold it while they send.
    std::mutex mLinkLock;
    std::condition_variable mLinkChanged;
    int mFd = -1;
    bool mWorking = false; // the worker serves or watches
    bool mWatching = false; // the worker is ConnectDevice's watch (not one OpenDevice link)
    bool mConnectedNow = false;
    uint64_t mLinksOpened = 0; // counts connected callbacks that have returned
    bool mStopping = false;
    std::thread mWorker;
};

} // namespace ardent::portbridge
