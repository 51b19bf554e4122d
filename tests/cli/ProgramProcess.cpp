#include "ProgramProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace ardent::testing {

std::vector<std::string> PrivateProgrammerEnvironment(const std::string& lockFolder) {
    return {std::string("ARDENT_PROGRAMMER=") + kPrivateSimulatorSerial,
            "ARDENT_LOCK_DIR=" + lockFolder};
}

std::string PrivateCopy(const std::string& program, const std::filesystem::path& folder,
                        const std::string& name) {
    std::filesystem::create_directories(folder);
    const std::filesystem::path copy = folder / name;
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
    return copy.string();
}

bool ExpectQuietStandardError(const std::string& err, int64_t result, const std::string& what) {
    if (result == -121 && !err.empty()) {
        const bool holder = err.starts_with("Programmer ") &&
                            (err.find(" is held by another process: pid ") != std::string::npos ||
                             err.find(" cannot be locked: ") != std::string::npos) &&
                            err.find('\n') == err.size() - 1;
        EXPECT_TRUE(holder) << what << ": " << err;
        return holder;
    }
    if (result == -127) {
        const bool oneLine = err.starts_with("No programmer: ") && err.ends_with("\n") &&
                             err.find('\n') == err.size() - 1;
        EXPECT_TRUE(oneLine) << what << ": " << err;
        return oneLine;
    }
    EXPECT_EQ(err, "") << what << ": only a failed connection writes to standard error";
    return err.empty();
}

namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// What chooses a programmer, its lock folder or the waits comes from the test alone, never from
// the shell the tests run in (a line PC may have ARDENT_PROGRAMMER set).
bool IsPrivateToTheRun(std::string_view entry) {
    for (const char* name : {"ARDENT_PROGRAMMER=", "ARDENT_LOCK_DIR=", "ARDENTCMD_WAIT_S=",
                             "ARDENT_CONNECT_WAIT_S=", "ARDENT_TEST_PROGRAMMERS="}) {
        if (entry.starts_with(name))
            return true;
    }
    return false;
}

pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::string>& environment, int outFd, int errFd,
            const std::string& workingFolder = {}) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp;
    for (char** e = environ; *e != nullptr; ++e) {
        if (!IsPrivateToTheRun(*e))
            envp.emplace_back(*e);
    }
    // A later entry replaces an earlier one of the same name: the program would read the first.
    for (const std::string& entry : environment) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        std::erase_if(envp, [&name](const std::string& e) { return e.starts_with(name); });
        envp.push_back(entry);
    }
    auto argvPointers = Pointers(argv);
    auto envPointers = Pointers(envp);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    if (!workingFolder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    }
    pid_t pid = -1;
    const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argvPointers.data(),
                                  envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + program);
    }
    return pid;
}

int WaitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Reads `fd` to its end. With a `limit`, `pid` is killed when it has not closed its end by then.
std::string ReadAll(int fd, pid_t pid = -1,
                    std::chrono::milliseconds limit = std::chrono::milliseconds::zero(),
                    bool* overTime = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool killed = false;
    std::string text;
    char buffer[4096];
    for (;;) {
        if (limit > std::chrono::milliseconds::zero() && !killed) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd watched{fd, POLLIN, 0};
            const int ready =
                left.count() > 0 ? ::poll(&watched, 1, static_cast<int>(left.count())) : 0;
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready == 0) {
                ::kill(pid, SIGKILL);
                killed = true;
                if (overTime != nullptr)
                    *overTime = true;
            }
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return text;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
}

} // namespace

ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::vector<std::string>& environment,
                          const std::string& workingFolder, std::chrono::milliseconds limit) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    // Standard error goes to an unnamed file, so a full pipe can never stall the child.
    FILE* err = std::tmpfile();
    const pid_t pid = Spawn(program, args, environment, out[1], ::fileno(err), workingFolder);
    ::close(out[1]);
    ProgramOutcome outcome;
    outcome.out = ReadAll(out[0], pid, limit, &outcome.overTime);
    ::close(out[0]);
    outcome.exitStatus = WaitForExit(pid);
    std::rewind(err);
    outcome.err = ReadAll(::fileno(err));
    std::fclose(err);
    return outcome;
}

BackgroundProgram::BackgroundProgram(const std::string& program,
                                     const std::vector<std::string>& args,
                                     const std::vector<std::string>& environment) {
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    try {
        fPid = Spawn(program, args, environment, devNull, devNull);
    } catch (...) {
        ::close(devNull);
        throw;
    }
    ::close(devNull);
}

BackgroundProgram::~BackgroundProgram() {
    ::kill(fPid, SIGKILL);
    WaitForExit(fPid);
}

ProgramOutcome RunProgramOnTerminal(const std::string& program,
                                    const std::vector<std::string>& args,
                                    const std::vector<std::string>& environment,
                                    std::chrono::milliseconds limit) {
    int terminal = -1;
    int terminalSide = -1;
    if (::openpty(&terminal, &terminalSide, nullptr, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty");
    }
    termios mode{};
    ::tcgetattr(terminalSide, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(terminalSide, TCSANOW, &mode);
    ::fcntl(terminal, F_SETFD, FD_CLOEXEC);
    ::fcntl(terminalSide, F_SETFD, FD_CLOEXEC);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    const pid_t pid = Spawn(program, args, environment, out[1], terminalSide);
    ::close(out[1]);
    ::close(terminalSide);

    // Both sides are read as they come, so neither can fill up and stall the child. The
    // terminal reads EIO once the child and every copy of its side are gone.
    ProgramOutcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    pollfd watched[2] = {{out[0], POLLIN, 0}, {terminal, POLLIN, 0}};
    std::string* texts[2] = {&outcome.out, &outcome.err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int ready = left.count() > 0 ? ::poll(watched, 2, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            ::kill(pid, SIGKILL);
            outcome.overTime = true;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (watched[i].fd < 0 || watched[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(watched[i].fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                watched[i].fd = -1;
                --open;
                continue;
            }
            texts[i]->append(buffer, static_cast<size_t>(n));
        }
    }
    ::close(out[0]);
    ::close(terminal);
    outcome.exitStatus = WaitForExit(pid);
    return outcome;
}

} // namespace ardent::testing
