#include "protocol/ProgrammerLock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <limits.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace ardent {

namespace {

bool IsWritableFolder(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode) && ::access(path, W_OK | X_OK) == 0;
}

std::string SafeFileNamePart(const std::string& key) {
    constexpr size_t kLongest = 128;
    std::string name = key.substr(0, kLongest);
    for (char& c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!plain)
            c = '_';
    }
    return name;
}

// Opens (creating when missing) the lock file; never follows a symbolic link, so a link planted
// in a shared folder cannot make us write elsewhere. Read-only when another user's file may not
// be written: flock needs no write access, only the holder record is then left out.
int OpenLockFile(const std::string& file, bool& writable) {
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | kFlags, 0666);
    writable = fd >= 0;
    if (fd >= 0) {
        // Every user of the line PC must be able to record itself in the file later; the umask
        // of whoever made it first must not lock the others out.
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid())
            (void)::fchmod(fd, 0666);
        return fd;
    }
    return ::open(file.c_str(), O_RDONLY | kFlags);
}

std::optional<TProgrammerHolder> ReadHolder(int fd) {
    char text[512] = {};
    const ssize_t length = ::pread(fd, text, sizeof text - 1, 0);
    TProgrammerHolder holder;
    if (length > 0) {
        std::istringstream in(std::string(text, static_cast<size_t>(length)));
        long pid = 0;
        if (in >> pid && pid > 0 && pid <= INT_MAX) {
            holder.pid = static_cast<pid_t>(pid);
            in >> std::ws;
            std::getline(in, holder.program);
        }
    }
    return holder;
}

// The holder behind an open lock file: nothing when a shared lock can be taken at once (nobody
// holds the exclusive one).
std::optional<TProgrammerHolder> HolderBehind(int fd) {
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
        ::flock(fd, LOCK_UN);
        return std::nullopt;
    }
    return ReadHolder(fd);
}

} // namespace

std::string DescribeHolder(const TProgrammerHolder& holder) {
    std::string text = "pid " + std::to_string(holder.pid);
    if (!holder.program.empty())
        text += " (" + holder.program + ")";
    return text;
}

std::string ProgrammerLockFolder() {
    if (const char* folder = std::getenv("ARDENT_LOCK_DIR"); folder != nullptr && *folder != '\0')
        return folder;
    if (IsWritableFolder("/run/lock"))
        return "/run/lock";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && *runtime != '\0')
        return runtime;
    return "/tmp";
}

std::string ProgrammerLockFile(const std::string& folder, const std::string& key) {
    return folder + "/ardent-programmer-" + SafeFileNamePart(key) + ".lock";
}

TProgrammerLock::TProgrammerLock(std::string key, std::string folder)
    : fKey(std::move(key)),
      fFile(ProgrammerLockFile(folder.empty() ? ProgrammerLockFolder() : folder, fKey)) {}

TProgrammerLock::~TProgrammerLock() {
    Release();
}

bool TProgrammerLock::TryAcquire(const std::string& program) {
    if (fFd >= 0)
        return true;
    bool writable = false;
    const int fd = OpenLockFile(fFile, writable);
    fOpenError = fd < 0 ? errno : 0;
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    if (writable) {
        const std::string record = std::to_string(::getpid()) + " " + program + "\n";
        if (::ftruncate(fd, 0) == 0)
            (void)::pwrite(fd, record.data(), record.size(), 0);
    }
    fFd = fd;
    return true;
}

bool TProgrammerLock::AcquireWithin(const std::string& program, std::chrono::milliseconds wait,
                                    std::chrono::milliseconds poll) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!TryAcquire(program)) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(poll, deadline - now));
    }
    return true;
}

void TProgrammerLock::Release() {
    if (fFd < 0)
        return;
    // The record goes before the lock, so nobody reads a stale holder from a free programmer.
    (void)::ftruncate(fFd, 0);
    ::flock(fFd, LOCK_UN);
    ::close(fFd);
    fFd = -1;
}

std::optional<TProgrammerHolder> TProgrammerLock::Holder() const {
    if (fFd >= 0)
        return TProgrammerHolder{::getpid(), {}};
    const int fd = ::open(fFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    auto holder = HolderBehind(fd);
    ::close(fd);
    return holder;
}

std::optional<TProgrammerHolder> ProgrammerHolder(const std::string& key,
                                                  const std::string& folder) {
    return TProgrammerLock(key, folder).Holder();
}

std::string OwnProgramName(const std::string& fallback) {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return fallback;
    std::string name(path, static_cast<size_t>(length));
    constexpr std::string_view deleted = " (deleted)";
    if (name.ends_with(deleted))
        name.resize(name.size() - deleted.size());
    const auto slash = name.rfind('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    return name.empty() ? fallback : name;
}

} // namespace ardent
