#include "SimTestSupport.h"

#include "configuration/BlockType.h"
#include "configuration/Configuration.h"
#include "link/SimLink.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ardent::simtest {

std::string UniqueSocketPath() {
    static std::atomic<int> counter{0};
    return "/tmp/ardent-simtest-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
           ".sock";
}

TSimDaemon::TSimDaemon(std::vector<std::string> extraArgs, std::string socket)
    : mSocket(std::move(socket)) {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        return;
    }
    std::vector<std::string> args = {ARDENT_BIN_DIR "/ardent-progsim", "--socket", mSocket,
                                     "--ready-fd", "3"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    mPid = ::fork();
    if (mPid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM); // a test that dies takes its programmer along
        if (ready[1] == 3) {
            ::fcntl(3, F_SETFD, 0); // keep it across exec
        } else {
            ::dup2(ready[1], 3); // the copy does not close on exec
        }
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 1);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(ready[1]);
    char answer[6] = {};
    mReady = mPid > 0 && simlink::ReadAll(ready[0], answer, 6, kPatience) &&
             std::strncmp(answer, "ready\n", 6) == 0;
    ::close(ready[0]);
}

TSimDaemon::~TSimDaemon() {
    if (mPid <= 0) {
        return;
    }
    if (Control("quit") != "ok bye") {
        ::kill(mPid, SIGTERM);
    }
    int status = 0;
    ::waitpid(mPid, &status, 0);
}

std::string TSimDaemon::Control(const std::string& line) const {
    const int fd = simlink::ConnectTo(mSocket);
    if (fd < 0) {
        return "no daemon";
    }
    const std::string request = std::string(1, simlink::kHelloControl) + line + "\n";
    std::string reply;
    char c = 0;
    if (simlink::WriteAll(fd, request.data(), request.size())) {
        while (simlink::ReadAll(fd, &c, 1, kPatience) && c != '\n') {
            reply += c;
        }
    }
    ::close(fd);
    return reply;
}

TRawLink::TRawLink(const std::string& socket) : mFd(simlink::OpenReportLink(socket, kPatience)) {}

TRawLink::~TRawLink() {
    if (mFd >= 0) {
        ::close(mFd);
    }
}

bool TRawLink::Send(const TPacketFormat& request) {
    return mFd >= 0 && simlink::WriteAll(mFd, &request, sizeof request);
}

std::optional<TPacketFormat> TRawLink::Receive(std::chrono::milliseconds wait) {
    TPacketFormat report{};
    if (mFd < 0 || !simlink::ReadAll(mFd, &report, sizeof report, wait)) {
        return std::nullopt;
    }
    return report;
}

std::optional<TPacketFormat> TRawLink::Exchange(const TPacketFormat& request) {
    if (!Send(request)) {
        return std::nullopt;
    }
    return Receive();
}

bool TRawLink::ClosedByPeer(std::chrono::milliseconds wait) {
    uint8_t byte = 0;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    // Reports still in flight are read past; the end of the stream is what counts.
    while (std::chrono::steady_clock::now() < deadline) {
        if (!simlink::ReadAll(mFd, &byte, 1, wait)) {
            char probe = 0;
            return ::recv(mFd, &probe, 1, MSG_DONTWAIT) == 0;
        }
    }
    return false;
}

Bytes MakeImage(size_t size, const std::string& name, uint32_t targetType, uint32_t channels) {
    TConfiguration configuration;
    configuration.SetName(name);
    configuration.SetTargetType(targetType);
    configuration.SetChannel(channels);
    Bytes firmware(size - TConfiguration::kEmptyImageSize - 8);
    for (size_t i = 0; i < firmware.size(); ++i) {
        firmware[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    configuration.AddNewBlock(BlockType::Firmware, firmware);
    uint16_t crc = 0;
    Bytes image;
    configuration.GetBufferForSend(crc, image);
    return image;
}

uint16_t ImageCrc(const Bytes& image) {
    return static_cast<uint16_t>(image[image.size() - 2] | (image[image.size() - 1] << 8));
}

std::vector<int> StoreImage(TRawLink& link, const Bytes& image, uint16_t announcedCrc) {
    std::vector<int> statuses;
    const auto status = [](const std::optional<TPacketFormat>& reply) {
        return reply ? reply->header.status : -1;
    };
    TPacketFormat announce = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::StoreConfiguration);
    AppendValue(announce, static_cast<uint32_t>(image.size()));
    AppendValue(announce, announcedCrc);
    statuses.push_back(status(link.Exchange(announce)));
    for (size_t offset = 0; offset < image.size(); offset += kPacketDataSize) {
        TPacketFormat piece = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::StoreConfigurationData);
        AppendData(piece, image.data() + offset, std::min(kPacketDataSize, image.size() - offset));
        statuses.push_back(status(link.Exchange(piece)));
    }
    return statuses;
}

} // namespace ardent::simtest
