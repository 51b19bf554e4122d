#include "SimServer.h"

#include "ControlCommands.h"
#include "link/SimLink.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ardent::sim {

namespace {

// A control line longer than this is not a command; the link is closed.
constexpr size_t kMaxControlLine = 4096;
// Requests read from the host but not executed yet (they wait for their frame).
constexpr size_t kMaxQueuedRequests = 64;

void Log(bool verbose, const char* direction, const TPacketFormat& packet) {
    if (verbose) {
        std::fprintf(stderr, "%s module %u opCode %u status %u dataSize %u\n", direction,
                     packet.header.module, packet.header.opCode, packet.header.status,
                     packet.header.dataSize);
    }
}

} // namespace

TSimServer::TSimServer(TProgrammerEngine& engine, TServerOptions options)
    : mEngine(engine), mOptions(std::move(options)), mFrames(SimClock::now()) {}

TSimServer::~TSimServer() {
    for (int fd : mGreeting) {
        ::close(fd);
    }
    for (const auto& [fd, link] : mControls) {
        ::close(fd);
    }
    for (int fd : {mReportFd, mListenFd, mWakeRead, mWakeWrite}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool TSimServer::Listen(std::string& error) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::strerror(errno);
        return false;
    }
    mWakeRead = pipeFds[0];
    mWakeWrite = pipeFds[1];
    mListenFd = simlink::ListenOn(mOptions.socketPath);
    if (mListenFd < 0) {
        error = "cannot listen on " + mOptions.socketPath + ": " +
                (errno == EADDRINUSE ? "another simulated programmer answers there"
                                     : std::strerror(errno));
        return false;
    }
    return true;
}

void TSimServer::Stop() {
    mStop.store(true);
    const char wake = 1;
    [[maybe_unused]] ssize_t ignored = ::write(mWakeWrite, &wake, 1);
}

void TSimServer::Run() {
    if (mOptions.usbTiming) {
        // The default 50 us timer slack would blur the 1 ms frames the model keeps.
        ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    }
    while (!mStop.load()) {
        RunDue(SimClock::now());
        std::vector<pollfd> fds;
        fds.push_back({mWakeRead, POLLIN, 0});
        fds.push_back({mListenFd, POLLIN, 0});
        for (int fd : mGreeting) {
            fds.push_back({fd, POLLIN, 0});
        }
        for (const auto& [fd, link] : mControls) {
            fds.push_back({fd, POLLIN, 0});
        }
        // A host that sends faster than the programmer answers is held back, as the bus would:
        // its reports wait in the socket instead of piling up here.
        if (mReportFd >= 0 && mInbound.size() < kMaxQueuedRequests) {
            fds.push_back({mReportFd, POLLIN, 0});
        }
        timespec wait{};
        timespec* timeout = nullptr;
        const SimClock::time_point due = NextDue();
        if (due != SimClock::time_point::max()) {
            const auto left = std::max(due - SimClock::now(), SimClock::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait.tv_sec = static_cast<time_t>(ns / 1000000000);
            wait.tv_nsec = static_cast<long>(ns % 1000000000);
            timeout = &wait;
        }
        if (::ppoll(fds.data(), fds.size(), timeout, nullptr) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror("ardent-progsim: poll");
            break;
        }
        for (const pollfd& entry : fds) {
            if (entry.revents == 0) {
                continue;
            }
            if (entry.fd == mWakeRead) {
                char drain[16];
                while (::read(mWakeRead, drain, sizeof drain) > 0) {
                }
            } else if (entry.fd == mListenFd) {
                Accept();
            } else if (entry.fd == mReportFd) {
                ReadReports();
            } else if (mControls.count(entry.fd) != 0) {
                ReadControl(entry.fd);
            } else if (std::find(mGreeting.begin(), mGreeting.end(), entry.fd) != mGreeting.end()) {
                ReadHello(entry.fd);
            }
        }
    }
    ::unlink(mOptions.socketPath.c_str());
}

void TSimServer::Accept() {
    const int fd = ::accept4(mListenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) {
        mGreeting.push_back(fd);
    }
}

void TSimServer::ReadHello(int fd) {
    std::erase(mGreeting, fd);
    char hello = 0;
    if (::recv(fd, &hello, 1, MSG_DONTWAIT) != 1) {
        ::close(fd);
        return;
    }
    if (hello == simlink::kHelloControl) {
        mControls.emplace(fd, TControlLink{});
    } else if (hello == simlink::kHelloIdentify) {
        if (mEngine.IsPlugged()) {
            const std::string answer = mOptions.serial + "\n";
            // A short line on a fresh socket fits its buffer; a client that is gone loses it.
            ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        ::close(fd);
    } else if (hello == simlink::kHelloReports && mEngine.IsPlugged() && mReportFd < 0) {
        OpenReportLink(fd);
    } else {
        // Unplugged, already serving a host, or not one of ours: the client sees the link close.
        ::close(fd);
    }
}

void TSimServer::OpenReportLink(int fd) {
    if (!simlink::WriteAll(fd, &simlink::kReportLinkAccepted, 1)) {
        ::close(fd);
        return;
    }
    mReportFd = fd;
    mReportFill = 0;
    mEngine.OnLinkOpened();
    if (mOptions.verbose) {
        std::fprintf(stderr, "host connected\n");
    }
}

void TSimServer::CloseReportLink(const char* why) {
    if (mReportFd < 0) {
        return;
    }
    ::close(mReportFd);
    mReportFd = -1;
    mReportFill = 0;
    mInbound.clear();
    mOutbound.clear();
    if (mOptions.verbose) {
        std::fprintf(stderr, "host link closed: %s\n", why);
    }
}

void TSimServer::ReadReports() {
    while (mReportFd >= 0 && mInbound.size() < kMaxQueuedRequests) {
        const ssize_t got =
            ::recv(mReportFd, mReportBuffer + mReportFill, kPacketSize - mReportFill, MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
            CloseReportLink("host went away");
            return;
        }
        if (got < 0) {
            return;
        }
        mReportFill += static_cast<size_t>(got);
        if (mReportFill < kPacketSize) {
            continue;
        }
        mReportFill = 0;
        const SimClock::time_point now = SimClock::now();
        const SimClock::time_point at = mOptions.usbTiming ? mFrames.Slot(now, mLastInFrame) : now;
        mInbound.emplace_back(at, PacketFromBytes(std::span<const uint8_t>(mReportBuffer)));
    }
}

void TSimServer::ReadControl(int fd) {
    TControlLink& link = mControls[fd];
    char chunk[512];
    const ssize_t got = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (got <= 0 && !(got < 0 && (errno == EAGAIN || errno == EINTR))) {
        CloseFd(fd);
        return;
    }
    if (got < 0) {
        return;
    }
    link.input.append(chunk, static_cast<size_t>(got));
    size_t end;
    while ((end = link.input.find('\n')) != std::string::npos) {
        const std::string line = link.input.substr(0, end);
        link.input.erase(0, end + 1);
        TControlResult result = ExecuteControlLine(mEngine, line);
        if (!mEngine.IsPlugged()) {
            CloseReportLink("unplugged");
        }
        Process(result.output, SimClock::now());
        const std::string reply = result.reply + "\n";
        if (!simlink::WriteAll(fd, reply.data(), reply.size())) {
            CloseFd(fd);
            return;
        }
        if (result.quit) {
            Stop();
        }
    }
    if (link.input.size() > kMaxControlLine) {
        CloseFd(fd);
    }
}

void TSimServer::CloseFd(int fd) {
    mControls.erase(fd);
    ::close(fd);
}

void TSimServer::Process(const TEngineOutput& output, SimClock::time_point at) {
    if (output.dropLink) {
        CloseReportLink("injected disconnect");
        return;
    }
    if (mReportFd < 0) {
        return; // nobody listens: reports and events are lost, as on a pulled cable
    }
    for (const TOutgoing& report : output.reports) {
        SimClock::time_point due = at + std::chrono::milliseconds(report.delayMs);
        if (mOptions.usbTiming) {
            due = mFrames.Slot(due, mLastOutFrame);
        }
        mOutbound.push_back({due, mSequence++, report.packet});
    }
}

void TSimServer::RunDue(SimClock::time_point now) {
    while (!mInbound.empty() && mInbound.front().first <= now) {
        const auto [at, request] = mInbound.front();
        mInbound.pop_front();
        Log(mOptions.verbose, "<-", request);
        Process(mEngine.HandleRequest(std::span<const uint8_t>(
                    reinterpret_cast<const uint8_t*>(&request), kPacketSize)),
                at);
    }
    std::stable_sort(mOutbound.begin(), mOutbound.end(),
                     [](const TScheduled& a, const TScheduled& b) {
                         return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
                     });
    size_t sent = 0;
    while (sent < mOutbound.size() && mOutbound[sent].due <= now && mReportFd >= 0) {
        const TPacketFormat& packet = mOutbound[sent].packet;
        Log(mOptions.verbose, "->", packet);
        const ssize_t written =
            ::send(mReportFd, &packet, kPacketSize, MSG_NOSIGNAL | MSG_DONTWAIT);
        ++sent;
        if (written != static_cast<ssize_t>(kPacketSize)) {
            // A host that stopped reading (or vanished) loses the link rather than stall the
            // programmer for everybody else.
            CloseReportLink("host does not read");
            return;
        }
    }
    mOutbound.erase(mOutbound.begin(), mOutbound.begin() + static_cast<ptrdiff_t>(sent));
}

SimClock::time_point TSimServer::NextDue() const {
    SimClock::time_point due = SimClock::time_point::max();
    if (!mInbound.empty()) {
        due = mInbound.front().first;
    }
    for (const TScheduled& item : mOutbound) {
        due = std::min(due, item.due);
    }
    return due;
}

} // namespace ardent::sim
