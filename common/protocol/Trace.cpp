#include "protocol/Trace.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace ardent {

namespace {

constexpr const char* kTraceEnvironment = "ARDENT_TRACE";

// The open trace file; `fd` is written and replaced only under `lock`, `on` mirrors fd >= 0 so
// the check at the call sites needs no lock.
struct TTraceSink {
    std::mutex lock;
    int fd = -1;
    std::atomic<bool> on{false};
};

TTraceSink& Sink() {
    static TTraceSink sink;
    return sink;
}

std::once_flag gFromEnvironment;

// Opened without blocking, so a FIFO nobody reads fails at once instead of holding the program;
// writes block again afterwards, so a line is never cut short by a full pipe.
int OpenForAppend(const std::string& path) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return -1;
    if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

void Replace(TTraceSink& sink, int fd) {
    std::lock_guard guard(sink.lock);
    if (sink.fd >= 0)
        ::close(sink.fd);
    sink.fd = fd;
    sink.on.store(fd >= 0);
}

std::string Timestamp() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%06ld", static_cast<long long>(now.tv_sec),
                  now.tv_nsec / 1000);
    return text;
}

// A reader of a traced pipe that went away must not end the program with SIGPIPE: the signal is
// blocked for this thread during the write and a pending one is taken back afterwards.
void WriteWithoutSigpipe(int fd, const std::string& line) {
    sigset_t pipeOnly;
    sigset_t previous;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    size_t done = 0;
    bool brokenPipe = false;
    while (done < line.size()) {
        const ssize_t written = ::write(fd, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            brokenPipe = written < 0 && errno == EPIPE;
            break;
        }
        done += static_cast<size_t>(written);
    }
    if (brokenPipe && !sigismember(&previous, SIGPIPE)) {
        const timespec immediately{0, 0};
        while (sigtimedwait(&pipeOnly, nullptr, &immediately) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void Append(const std::string& text) {
    TTraceSink& sink = Sink();
    // The clock is read under the lock, so the file's timestamps never go backwards.
    std::lock_guard guard(sink.lock);
    if (sink.fd >= 0)
        WriteWithoutSigpipe(sink.fd, Timestamp() + " " + text + "\n");
}

void OpenFromEnvironment() {
    const char* path = std::getenv(kTraceEnvironment);
    if (path == nullptr || *path == '\0')
        return;
    const int fd = OpenForAppend(path);
    if (fd < 0) {
        // The one word a trace that cannot be written gets; the run goes on untraced.
        std::fprintf(stderr, "%s: cannot open the trace file %s (%s); running without a trace\n",
                     program_invocation_short_name, path, std::strerror(errno));
        return;
    }
    Replace(Sink(), fd);
    Append(std::string("trace of ") + program_invocation_short_name + ", process " +
           std::to_string(::getpid()));
}

} // namespace

bool TraceEnabled() {
    std::call_once(gFromEnvironment, OpenFromEnvironment);
    return Sink().on.load(std::memory_order_relaxed);
}

void TraceLine(std::string_view text) {
    if (TraceEnabled())
        Append(std::string(text));
}

void TraceReport(std::string_view what, const uint8_t* data, size_t count) {
    if (!TraceEnabled())
        return;
    Append(std::string(what) + " " + std::to_string(count) + ": " + HexBytes(data, count));
}

std::string HexBytes(const uint8_t* data, size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    if (data == nullptr)
        return text;
    text.reserve(count * 3);
    for (size_t i = 0; i < count; ++i) {
        if (i != 0)
            text += ' ';
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0F];
    }
    return text;
}

namespace testing_seam {

bool SetTraceFile(const std::string& path) {
    // The environment is read first, so it cannot replace the file named here later on.
    std::call_once(gFromEnvironment, OpenFromEnvironment);
    if (path.empty()) {
        Replace(Sink(), -1);
        return true;
    }
    const int fd = OpenForAppend(path);
    Replace(Sink(), fd);
    return fd >= 0;
}

} // namespace testing_seam

} // namespace ardent
