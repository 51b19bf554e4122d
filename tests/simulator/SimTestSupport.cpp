#include "SimTestSupport.h"

#include "configuration/BlockType.h"
#include "configuration/Configuration.h"
#include "link/SimLink.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
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

namespace {

// Starts bin/ardent-progsim with these arguments (and --ready-fd 3); true in `ready` once it
// answers.
pid_t StartDaemon(std::vector<std::string> args, bool& ready) {
    ready = false;
    int readyPipe[2];
    if (::pipe2(readyPipe, O_CLOEXEC) != 0) {
        return -1;
    }
    args.insert(args.begin(), ARDENT_BIN_DIR "/ardent-progsim");
    args.push_back("--ready-fd");
    args.push_back("3");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM); // a test that dies takes its programmer along
        if (readyPipe[1] == 3) {
            ::fcntl(3, F_SETFD, 0); // keep it across exec
        } else {
            ::dup2(readyPipe[1], 3); // the copy does not close on exec
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
    ::close(readyPipe[1]);
    char answer[6] = {};
    ready = pid > 0 && simlink::ReadAll(readyPipe[0], answer, 6, kPatience) &&
            std::strncmp(answer, "ready\n", 6) == 0;
    ::close(readyPipe[0]);
    return pid;
}

} // namespace

std::string ControlAt(const std::string& socket, const std::string& line) {
    const int fd = simlink::ConnectTo(socket);
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

TSimDaemon::TSimDaemon(std::vector<std::string> extraArgs, std::string socket)
    : mSocket(std::move(socket)) {
    std::vector<std::string> args = {"--socket", mSocket};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    mPid = StartDaemon(std::move(args), mReady);
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
    return ControlAt(mSocket, line);
}

TLineFolder::TLineFolder() {
    static std::atomic<int> counter{0};
    mPath = "/tmp/ardent-simline-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    std::filesystem::remove_all(mPath);
    std::filesystem::create_directories(mPath);
}

TLineFolder::~TLineFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
}

TSimLine::TSimLine(const std::string& folder, std::vector<std::string> serials,
                   std::vector<std::string> extraArgs)
    : mFolder(folder), mSerials(std::move(serials)) {
    std::vector<std::string> args = {"--line", mFolder, "--programmers",
                                     std::to_string(mSerials.size())};
    for (const std::string& serial : mSerials) {
        args.push_back("--serial");
        args.push_back(serial);
    }
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    mPid = StartDaemon(std::move(args), mReady);
}

TSimLine::~TSimLine() {
    if (mPid <= 0) {
        return;
    }
    bool allQuit = true;
    for (const std::string& serial : mSerials) {
        const std::string reply = Control(serial, "quit");
        allQuit = allQuit && (reply == "ok bye" || reply == "no daemon");
    }
    if (!allQuit) {
        ::kill(mPid, SIGTERM);
    }
    int status = 0;
    ::waitpid(mPid, &status, 0);
}

std::string TSimLine::Control(const std::string& serial, const std::string& line) const {
    return ControlAt(mFolder + "/" + serial + ".sock", line);
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
