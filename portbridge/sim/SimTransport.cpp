#include "SimTransport.h"

#include "SimProgrammers.h"
#include "link/SimLink.h"

#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace ardent::portbridge {

namespace {

constexpr auto kAcceptWait = std::chrono::milliseconds(1000);
constexpr int kRetryMs = 20;

bool IsOurProduct(const char16_t* product) {
    if (product == nullptr) {
        return false;
    }
    size_t i = 0;
    for (; kProductName[i] != 0; ++i) {
        if (product[i] != kProductName[i]) {
            return false;
        }
    }
    return product[i] == 0;
}

// A write to a simulator that stopped reading gives up instead of hanging the host.
void LimitSendTime(int fd) {
    timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

} // namespace

int32_t TSimTransport::ConnectDevice(const char16_t* product) {
    if (!IsOurProduct(product)) {
        return 1;
    }
    {
        std::lock_guard lock(mLinkLock);
        if (mStopping) {
            return 1;
        }
        if (mWorking) {
            return 0; // already watching or connected
        }
    }
    JoinWorker();
    std::lock_guard lock(mLinkLock);
    mWorking = true;
    mWatching = true;
    mWorker = std::thread(&TSimTransport::Watch, this);
    return 0;
}

int32_t TSimTransport::OpenDevice(const char16_t* product) {
    if (!IsOurProduct(product)) {
        return 1;
    }
    {
        std::lock_guard lock(mLinkLock);
        if (mStopping) {
            return 1;
        }
        if (mConnectedNow) {
            return 0;
        }
        if (mWorking && mWatching) {
            return 1; // a watch is waiting for the simulator; it is not there yet
        }
    }
    // The worker of a link that has dropped may still be reporting the disconnection: once it
    // has, a new link can be opened (a reconnect right after a plug must not fail for it).
    JoinWorker();
    const std::string socket = ChooseSimSocket();
    const int fd = socket.empty() ? -1 : simlink::OpenReportLink(socket, kAcceptWait);
    if (fd < 0) {
        return 1;
    }
    LimitSendTime(fd);
    std::unique_lock lock(mLinkLock);
    if (mStopping) {
        ::close(fd);
        return 1;
    }
    const uint64_t before = mLinksOpened;
    mWorking = true;
    mFd = fd;
    mWorker = std::thread([this, fd] {
        ServeLink(fd);
        std::lock_guard done(mLinkLock);
        mWorking = false;
        mLinkChanged.notify_all();
    });
    // The connected callback has run before the host hears "connected".
    mLinkChanged.wait(lock, [&] { return mLinksOpened != before || !mWorking; });
    return mLinksOpened != before ? 0 : 1;
}

void TSimTransport::Watch() {
    while (true) {
        {
            std::lock_guard lock(mLinkLock);
            if (mStopping) {
                break;
            }
        }
        // Chosen again each round: the chosen programmer may come later, or the others go.
        const std::string socket = ChooseSimSocket();
        const int fd = socket.empty() ? -1 : simlink::OpenReportLink(socket, kAcceptWait);
        if (fd < 0) {
            if (!Pause(kRetryMs)) {
                break;
            }
            continue;
        }
        LimitSendTime(fd);
        {
            std::lock_guard lock(mLinkLock);
            if (mStopping) {
                ::close(fd);
                break;
            }
            mFd = fd;
        }
        ServeLink(fd);
    }
    std::lock_guard lock(mLinkLock);
    mWorking = false;
    mWatching = false;
    mLinkChanged.notify_all();
}

void TSimTransport::ServeLink(int fd) {
    FireConnected();
    {
        std::lock_guard lock(mLinkLock);
        mConnectedNow = true;
        ++mLinksOpened;
        mLinkChanged.notify_all();
    }
    uint8_t report[simlink::kReportSize];
    while (simlink::ReadAll(fd, report, sizeof report)) {
        FireReport(report, static_cast<uint16_t>(sizeof report));
    }
    bool stopping;
    {
        std::lock_guard lock(mLinkLock);
        mFd = -1;
        mConnectedNow = false;
        stopping = mStopping;
    }
    ::close(fd);
    if (!stopping) {
        FireDisconnected();
    }
}

int32_t TSimTransport::WriteReport(const uint8_t* data, uint16_t count) {
    if (data == nullptr || count == 0 || count > simlink::kReportSize) {
        return 1;
    }
    uint8_t report[simlink::kReportSize] = {};
    std::memcpy(report, data, count);
    std::lock_guard lock(mLinkLock);
    if (mFd < 0 || !simlink::WriteAll(mFd, report, sizeof report)) {
        return 1;
    }
    return 0;
}

bool TSimTransport::Pause(int ms) {
    std::unique_lock lock(mLinkLock);
    return !mLinkChanged.wait_for(lock, std::chrono::milliseconds(ms), [&] { return mStopping; });
}

void TSimTransport::JoinWorker() {
    if (mWorker.joinable()) {
        mWorker.join();
    }
}

void TSimTransport::Shutdown() {
    {
        std::lock_guard lock(mLinkLock);
        mStopping = true;
        if (mFd >= 0) {
            ::shutdown(mFd, SHUT_RDWR); // wakes the worker's read; the worker closes the socket
        }
        mLinkChanged.notify_all();
    }
    JoinWorker();
}

} // namespace ardent::portbridge
