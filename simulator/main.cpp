// ardent-progsim: the simulated programmer daemon and its control command.

#include "ControlCommands.h"
#include "ProgrammerEngine.h"
#include "Scenario.h"
#include "SimServer.h"
#include "SimText.h"
#include "link/SimLink.h"
#include "utils/Files.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace ardent;
using namespace ardent::sim;

namespace {

const char kUsage[] =
    "usage: ardent-progsim --version | --help\n"
    "       ardent-progsim [--scenario FILE] [--socket PATH] [--usb-timing] [--verbose]\n"
    "                      [--foreground | --daemon] [--ready-fd N]\n"
    "       ardent-progsim ctl [--socket PATH] [--timeout MS] COMMAND...\n"
    "       ardent-progsim ctl [--socket PATH] [--timeout MS] wait-ready\n"
    "\n"
    "The socket is PATH, else $ARDENT_SIM_SOCKET, else $XDG_RUNTIME_DIR/ardent-progsim.sock,\n"
    "else /tmp/ardent-progsim-<uid>.sock. In the foreground the daemon prints \"ready <socket>\"\n"
    "once it answers; --daemon returns when it answers; --ready-fd writes \"ready\\n\" to fd N.\n"
    "\n"
    "Control commands:\n";

void PrintVersion() {
    std::printf("ardent-progsim %s\n", ARDENT_PROGSIM_VERSION);
}

TSimServer* gServer = nullptr;

void OnSignal(int) {
    if (gServer != nullptr) {
        gServer->Stop();
    }
}

struct TDaemonArgs {
    std::string scenarioPath;
    std::string socketPath;
    bool usbTiming = false;
    bool verbose = false;
    bool daemon = false;
    int readyFd = -1;
};

bool LoadScenario(const std::string& path, TScenario& scenario, Bytes& image, std::string& error) {
    Bytes text;
    if (!LoadFileToBuffer(path, text)) {
        error = "cannot read scenario " + path;
        return false;
    }
    if (!ParseScenario(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()),
                       scenario, error)) {
        error = path + ": " + error;
        return false;
    }
    if (scenario.imagePath) {
        std::filesystem::path imagePath(*scenario.imagePath);
        if (imagePath.is_relative()) {
            imagePath = std::filesystem::path(path).parent_path() / imagePath;
        }
        if (!LoadFileToBuffer(imagePath.string(), image)) {
            error = "cannot read configuration image " + imagePath.string();
            return false;
        }
    }
    return true;
}

int RunDaemon(const TDaemonArgs& args) {
    TScenario scenario;
    Bytes image;
    std::string error;
    if (!args.scenarioPath.empty() && !LoadScenario(args.scenarioPath, scenario, image, error)) {
        std::fprintf(stderr, "ardent-progsim: %s\n", error.c_str());
        return 1;
    }
    TProgrammerEngine engine(scenario);
    if (!image.empty()) {
        if (uint16_t code = engine.StoreImage(image); code != 0) {
            std::fprintf(stderr, "ardent-progsim: the scenario's image is refused (code %u)\n",
                         code);
            return 1;
        }
    }
    TSimServer server(engine, {args.socketPath, args.usbTiming, args.verbose});
    if (!server.Listen(error)) {
        std::fprintf(stderr, "ardent-progsim: %s\n", error.c_str());
        return 1;
    }

    int readyFd = args.readyFd;
    if (args.daemon) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) {
            std::perror("ardent-progsim: pipe");
            return 1;
        }
        const pid_t child = ::fork();
        if (child < 0) {
            std::perror("ardent-progsim: fork");
            return 1;
        }
        if (child > 0) {
            // The caller goes on once the daemon answers (or it tells why not).
            ::close(pipeFds[1]);
            char answer[6] = {};
            const bool ready =
                ::read(pipeFds[0], answer, 5) == 5 && std::strncmp(answer, "ready", 5) == 0;
            if (ready) {
                std::printf("ready %s pid %d\n", args.socketPath.c_str(), child);
            }
            return ready ? 0 : 1;
        }
        ::close(pipeFds[0]);
        ::setsid();
        readyFd = pipeFds[1];
        if (std::freopen("/dev/null", "r", stdin) == nullptr ||
            std::freopen("/dev/null", "w", stdout) == nullptr) {
            return 1;
        }
    }

    gServer = &server;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    if (readyFd >= 0) {
        [[maybe_unused]] ssize_t written = ::write(readyFd, "ready\n", 6);
        ::close(readyFd);
    }
    if (!args.daemon) {
        std::printf("ready %s\n", args.socketPath.c_str());
        std::fflush(stdout);
    }
    server.Run();
    gServer = nullptr;
    return 0;
}

// Sends one control line and prints the reply; 0 for "ok", 1 for "error", 2 when nobody answers.
int SendControl(const std::string& socketPath, const std::string& line,
                std::chrono::milliseconds timeout, bool quiet) {
    const int fd = simlink::ConnectTo(socketPath);
    if (fd < 0) {
        if (!quiet) {
            std::fprintf(stderr, "ardent-progsim: no simulated programmer at %s\n",
                         socketPath.c_str());
        }
        return 2;
    }
    const std::string request = std::string(1, simlink::kHelloControl) + line + "\n";
    std::string reply;
    char c = 0;
    bool answered = simlink::WriteAll(fd, request.data(), request.size());
    while (answered && (answered = simlink::ReadAll(fd, &c, 1, timeout)) && c != '\n') {
        reply += c;
    }
    ::close(fd);
    if (!answered) {
        if (!quiet) {
            std::fprintf(stderr, "ardent-progsim: no answer from %s\n", socketPath.c_str());
        }
        return 2;
    }
    if (!quiet) {
        std::printf("%s\n", reply.c_str());
    }
    return reply.starts_with("ok") ? 0 : 1;
}

int RunControl(int argc, char** argv) {
    std::string socketPath = simlink::DefaultSocketPath();
    std::chrono::milliseconds timeout{5000};
    std::string line;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        uint64_t ms = 0;
        if (arg == "--socket" && i + 1 < argc) {
            socketPath = argv[++i];
        } else if (arg == "--timeout" && i + 1 < argc && ParseNumberUpTo(argv[i + 1], 600000, ms)) {
            timeout = std::chrono::milliseconds(ms);
            ++i;
        } else {
            line += (line.empty() ? "" : " ") + arg;
        }
    }
    if (line.empty()) {
        std::fprintf(stderr, "%s%s", kUsage, ControlHelp());
        return 2;
    }
    // Answered here, so they work without a running simulated programmer.
    if (line == "--help" || line == "-h") {
        std::printf("%s%s", kUsage, ControlHelp());
        return 0;
    }
    if (line == "--version") {
        PrintVersion();
        return 0;
    }
    if (line == "wait-ready") {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (SendControl(socketPath, "ping", timeout, true) != 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                std::fprintf(stderr, "ardent-progsim: nothing ready at %s\n", socketPath.c_str());
                return 2;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::printf("ok ready\n");
        return 0;
    }
    return SendControl(socketPath, line, timeout, false);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "ctl") == 0) {
        return RunControl(argc - 2, argv + 2);
    }
    TDaemonArgs args;
    args.socketPath = simlink::DefaultSocketPath();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        uint64_t fd = 0;
        if (arg == "--scenario" && hasValue) {
            args.scenarioPath = argv[++i];
        } else if (arg == "--socket" && hasValue) {
            args.socketPath = argv[++i];
        } else if (arg == "--usb-timing") {
            args.usbTiming = true;
        } else if (arg == "--verbose") {
            args.verbose = true;
        } else if (arg == "--daemon") {
            args.daemon = true;
        } else if (arg == "--foreground") {
            args.daemon = false;
        } else if (arg == "--ready-fd" && hasValue && ParseNumberUpTo(argv[i + 1], 1 << 20, fd)) {
            args.readyFd = static_cast<int>(fd);
            ++i;
        } else if (arg == "--help" || arg == "-h") {
            std::printf("%s%s", kUsage, ControlHelp());
            return 0;
        } else if (arg == "--version") {
            PrintVersion();
            return 0;
        } else {
            std::fprintf(stderr, "ardent-progsim: unknown argument \"%s\"\n%s", arg.c_str(),
                         kUsage);
            return 2;
        }
    }
    return RunDaemon(args);
}
