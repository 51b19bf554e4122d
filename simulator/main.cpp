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
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace ardent;
using namespace ardent::sim;

namespace {

const char kUsage[] =
    "usage: ardent-progsim --version | --help\n"
    "       ardent-progsim [--scenario FILE]... [--socket PATH] [--serial S] [--usb-timing]\n"
    "                      [--verbose] [--foreground | --daemon] [--ready-fd N]\n"
    "       ardent-progsim --line FOLDER [--programmers N] [--serial S]... [--scenario FILE]...\n"
    "                      [--usb-timing] [--verbose] [--foreground | --daemon] [--ready-fd N]\n"
    "       ardent-progsim ctl [--socket PATH | [--line FOLDER] --programmer S] [--timeout MS]\n"
    "                      COMMAND...\n"
    "       ardent-progsim ctl [--socket PATH | [--line FOLDER] --programmer S] [--timeout MS]\n"
    "                      wait-ready\n"
    "\n"
    "The socket is PATH, else $ARDENT_SIM_SOCKET, else $XDG_RUNTIME_DIR/ardent-progsim.sock,\n"
    "else /tmp/ardent-progsim-<uid>.sock. The programmer's serial number is S (default\n"
    "SIM00000001). In the foreground the daemon prints \"ready <socket>\" once it answers;\n"
    "--daemon returns when it answers; --ready-fd writes \"ready\\n\" to fd N.\n"
    "\n"
    "A line: --line FOLDER serves N programmers (default 1) from one daemon, each on\n"
    "FOLDER/<serial>.sock with its own chips and scenario. The serials are the --serial values\n"
    "in order, then SIM00000001, SIM00000002, ... by position; the Nth --scenario is the Nth\n"
    "programmer's (the last one given serves the rest). The hosts see the line with\n"
    "ARDENT_SIM_LINE=FOLDER and choose one with ARDENT_PROGRAMMER=<serial>; ctl addresses one\n"
    "with --programmer <serial> (the folder from --line, else $ARDENT_SIM_LINE). \"quit\" stops\n"
    "one programmer; the daemon ends when all have stopped.\n"
    "\n"
    "Control commands:\n";

void PrintVersion() {
    std::printf("ardent-progsim %s\n", ARDENT_PROGSIM_VERSION);
}

// The servers a signal stops; set while they run.
std::vector<std::unique_ptr<TSimServer>>* gServers = nullptr;

void OnSignal(int) {
    if (gServers != nullptr) {
        for (const auto& server : *gServers) {
            server->Stop();
        }
    }
}

struct TDaemonArgs {
    std::vector<std::string> scenarioPaths;
    std::string socketPath;
    bool socketGiven = false;
    std::string lineFolder;
    uint64_t programmers = 0; // 0 = not given
    std::vector<std::string> serials;
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

// One simulated programmer of the daemon: where it answers and as whom.
struct TProgrammerPlace {
    std::string socketPath;
    std::string serial;
    std::string scenarioPath; // "" = four blank chips that pass
};

// The programmers the arguments describe, or false with the reason.
bool PlanProgrammers(const TDaemonArgs& args, std::vector<TProgrammerPlace>& places,
                     std::string& error) {
    const auto scenarioFor = [&](size_t index) {
        if (args.scenarioPaths.empty()) {
            return std::string();
        }
        return args.scenarioPaths[std::min(index, args.scenarioPaths.size() - 1)];
    };
    if (args.lineFolder.empty()) {
        if (args.programmers > 1 || args.serials.size() > 1) {
            error = "several programmers need --line FOLDER";
            return false;
        }
        const std::string serial =
            args.serials.empty() ? std::string(simlink::kDefaultSerial) : args.serials.front();
        if (!simlink::IsValidSerial(serial)) {
            error = "the serial number \"" + serial + "\" is not 1 to 63 letters, digits, - or _";
            return false;
        }
        // One programmer takes the last --scenario given, as it always has.
        places.push_back({args.socketPath, serial, scenarioFor(args.scenarioPaths.size())});
        return true;
    }
    if (args.socketGiven) {
        error =
            "--socket and --line exclude each other (a line's sockets are FOLDER/<serial>.sock)";
        return false;
    }
    const size_t count =
        args.programmers != 0 ? args.programmers : std::max<size_t>(1, args.serials.size());
    if (args.serials.size() > count) {
        error = "more --serial values than --programmers";
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        char positional[32];
        std::snprintf(positional, sizeof positional, "SIM%08zu", i + 1);
        const std::string serial = i < args.serials.size() ? args.serials[i] : positional;
        if (!simlink::IsValidSerial(serial)) {
            error = "the serial number \"" + serial + "\" is not 1 to 63 letters, digits, - or _";
            return false;
        }
        for (const TProgrammerPlace& place : places) {
            if (place.serial == serial) {
                error = "two programmers of the line would have the serial number " + serial;
                return false;
            }
        }
        places.push_back(
            {simlink::LineSocketPath(args.lineFolder, serial), serial, scenarioFor(i)});
    }
    std::error_code ignored;
    std::filesystem::create_directories(args.lineFolder, ignored);
    return true;
}

int RunDaemon(const TDaemonArgs& args) {
    std::vector<TProgrammerPlace> places;
    std::string error;
    if (!PlanProgrammers(args, places, error)) {
        std::fprintf(stderr, "ardent-progsim: %s\n", error.c_str());
        return 2;
    }
    std::vector<std::unique_ptr<TProgrammerEngine>> engines;
    std::vector<std::unique_ptr<TSimServer>> servers;
    for (const TProgrammerPlace& place : places) {
        TScenario scenario;
        Bytes image;
        if (!place.scenarioPath.empty() &&
            !LoadScenario(place.scenarioPath, scenario, image, error)) {
            std::fprintf(stderr, "ardent-progsim: %s\n", error.c_str());
            return 1;
        }
        auto engine = std::make_unique<TProgrammerEngine>(scenario);
        if (!image.empty()) {
            if (uint16_t code = engine->StoreImage(image); code != 0) {
                std::fprintf(stderr, "ardent-progsim: the scenario's image is refused (code %u)\n",
                             code);
                return 1;
            }
        }
        auto server = std::make_unique<TSimServer>(
            *engine, TServerOptions{place.socketPath, place.serial, args.usbTiming, args.verbose});
        if (!server->Listen(error)) {
            std::fprintf(stderr, "ardent-progsim: %s\n", error.c_str());
            return 1;
        }
        engines.push_back(std::move(engine));
        servers.push_back(std::move(server));
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
                for (const TProgrammerPlace& place : places) {
                    std::printf("ready %s pid %d\n", place.socketPath.c_str(), child);
                }
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

    gServers = &servers;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    if (readyFd >= 0) {
        [[maybe_unused]] ssize_t written = ::write(readyFd, "ready\n", 6);
        ::close(readyFd);
    }
    if (!args.daemon) {
        for (const TProgrammerPlace& place : places) {
            std::printf("ready %s\n", place.socketPath.c_str());
        }
        std::fflush(stdout);
    }
    // Each programmer of a line has its own poll loop, as each would have its own USB link.
    std::vector<std::thread> others;
    for (size_t i = 1; i < servers.size(); ++i) {
        others.emplace_back([&server = *servers[i]] { server.Run(); });
    }
    servers.front()->Run();
    for (std::thread& other : others) {
        other.join();
    }
    gServers = nullptr;
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
    std::string lineFolder = simlink::LineFolder();
    std::string programmer;
    std::chrono::milliseconds timeout{5000};
    std::string line;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        uint64_t ms = 0;
        if (arg == "--socket" && i + 1 < argc) {
            socketPath = argv[++i];
        } else if (arg == "--line" && i + 1 < argc && line.empty()) {
            lineFolder = argv[++i];
        } else if (arg == "--programmer" && i + 1 < argc && line.empty()) {
            programmer = argv[++i];
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
    if (!programmer.empty()) {
        if (lineFolder.empty()) {
            std::fprintf(stderr, "ardent-progsim: --programmer needs --line FOLDER or "
                                 "ARDENT_SIM_LINE\n");
            return 2;
        }
        if (!simlink::IsValidSerial(programmer)) {
            std::fprintf(stderr, "ardent-progsim: \"%s\" is not a serial number\n",
                         programmer.c_str());
            return 2;
        }
        socketPath = simlink::LineSocketPath(lineFolder, programmer);
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
        uint64_t count = 0;
        if (arg == "--scenario" && hasValue) {
            args.scenarioPaths.push_back(argv[++i]);
        } else if (arg == "--socket" && hasValue) {
            args.socketPath = argv[++i];
            args.socketGiven = true;
        } else if (arg == "--line" && hasValue) {
            args.lineFolder = argv[++i];
        } else if (arg == "--programmers" && hasValue && ParseNumberUpTo(argv[i + 1], 64, count) &&
                   count > 0) {
            args.programmers = count;
            ++i;
        } else if (arg == "--serial" && hasValue) {
            args.serials.push_back(argv[++i]);
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
