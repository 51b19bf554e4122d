#include "utils/Files.h"

#include "utils/Errors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <random>
#include <signal.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ardent {

namespace {

ssize_t SystemWrite(int fd, const void* data, size_t count) { return ::write(fd, data, count); }

testing_seam::WriteFunction gWrite = &SystemWrite;

[[noreturn]] void ThrowFileError(const std::string& fileName, int error) {
    throw FileSystemError("Cannot create file \"" + fileName + "\". " + std::strerror(error));
}

std::string FolderOf(const std::string& fileName) {
    const auto slash = fileName.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

std::string BaseNameOf(const std::string& fileName) {
    const auto slash = fileName.find_last_of('/');
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

// The text of the symbolic link `path`; errno tells why when there is none.
std::optional<std::string> ReadLink(const std::string& path) {
    std::string link(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length < 0) {
            return std::nullopt;
        }
        if (static_cast<size_t>(length) < link.size()) {
            link.resize(static_cast<size_t>(length));
            return link;
        }
        link.resize(link.size() * 2); // the text may have been cut: read it again, with room
    }
}

// The file a write of `fileName` must replace: the end of its chain of symbolic links (a link
// to a missing file leads to the file to create). Renaming over the link itself would turn it
// into a plain file and leave the file it points to old.
std::string FinalTarget(const std::string& fileName) {
    constexpr int kMaxLinkHops = 40; // as many as the kernel follows before ELOOP
    std::string path = fileName;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return path;
        }
        const std::optional<std::string> link = ReadLink(path);
        if (!link) {
            ThrowFileError(fileName, errno);
        }
        path = link->starts_with('/') ? *link : JoinPath(FolderOf(path), *link);
    }
    ThrowFileError(fileName, ELOOP);
}

// A file that exists without any write permission is the user's wish to keep it; even a
// process that could override the permission (root on a line PC) must not replace it. `mode`
// is the existing file's mode; `exists` whether there is one.
bool IsReadOnlyFile(const std::string& fileName, mode_t& mode, bool& exists) {
    struct stat st {};
    exists = ::stat(fileName.c_str(), &st) == 0;
    if (!exists) {
        return false;
    }
    mode = st.st_mode & 07777;
    return (st.st_mode & 0222) == 0 || ::access(fileName.c_str(), W_OK) != 0;
}

// Temporary files are named ".<file name>.ardent-<pid>-<8 hex digits>" beside the file they
// replace, so a later write of the same file can tell the leftovers of a writer that was killed
// from the file of a writer still at work. The file name part is cut so the whole name stays
// within the 255 bytes a folder entry allows.
constexpr size_t kTempBaseNameLength = 200;
constexpr std::string_view kTempMarker = ".ardent-";
constexpr size_t kTempSuffixDigits = 8;

std::string TempPrefix(const std::string& baseName) {
    // Appended piece by piece: GCC 12 at -O3 takes "." + string for an overlapping copy
    // (-Wrestrict, a false alarm) and the optimised build treats warnings as errors.
    std::string prefix = ".";
    prefix.append(baseName, 0, kTempBaseNameLength);
    prefix.append(kTempMarker);
    return prefix;
}

// The writer's process ID when `entry` is a temporary file of the file whose prefix is `prefix`.
std::optional<pid_t> TempWriter(std::string_view entry, std::string_view prefix) {
    if (!entry.starts_with(prefix)) {
        return std::nullopt;
    }
    entry.remove_prefix(prefix.size());
    const auto dash = entry.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 10 ||
        entry.size() - dash - 1 != kTempSuffixDigits) {
        return std::nullopt;
    }
    const std::string_view digits = entry.substr(0, dash);
    const std::string_view suffix = entry.substr(dash + 1);
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) ||
        !std::all_of(suffix.begin(), suffix.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
        return std::nullopt;
    }
    const long long pid = std::strtoll(std::string(digits).c_str(), nullptr, 10);
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) {
        return std::nullopt;
    }
    return static_cast<pid_t>(pid);
}

bool IsProcessAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Removes the temporary files of `baseName` in `folder` whose writers no longer run. Best effort:
// a leftover that cannot be removed now is met again by the next write.
void RemoveDeadWritersTemps(const std::string& folder, const std::string& baseName) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const std::string prefix = TempPrefix(baseName);
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(dir)) {
        const std::optional<pid_t> writer = TempWriter(entry->d_name, prefix);
        if (writer && *writer != ::getpid() && !IsProcessAlive(*writer)) {
            leftovers.emplace_back(entry->d_name);
        }
    }
    for (const std::string& leftover : leftovers) {
        ::unlinkat(::dirfd(dir), leftover.c_str(), 0);
    }
    ::closedir(dir);
}

// Creates a new temporary file for `target` beside it. Created with 0666, so the umask (and a
// default ACL of the folder) shape the mode of a new file as for any program.
int CreateTempFile(const std::string& target, std::string& tempName) {
    thread_local std::mt19937 random{std::random_device{}()};
    const std::string stem = JoinPath(FolderOf(target), TempPrefix(BaseNameOf(target))) +
                             std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[kTempSuffixDigits + 1];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        tempName = stem + suffix;
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Makes the rename that just replaced a file in `folder` survive a power loss. Best effort: the
// new file is already in place, and reporting a failure now would wrongly say the old one stayed.
void FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool ReadRegularFile(const std::string& fileName, size_t maxSize, Bytes& data,
                     std::string& failure) {
    const std::string quoted = "\"" + fileName + "\". ";
    // O_NONBLOCK: opening a FIFO must not wait for a writer, nor a device for its line.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        failure = "Cannot open file " + quoted + std::strerror(errno);
        return false;
    }
    auto fail = [&](const std::string& reason) {
        ::close(fd);
        failure = "Cannot read file " + quoted + reason;
        return false;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return fail(std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        return fail("It is not a regular file.");
    }
    if (static_cast<uintmax_t>(st.st_size) > maxSize) {
        return fail("It is larger than " + std::to_string(maxSize) + " bytes.");
    }
    Bytes content(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < content.size()) {
        const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return fail(std::strerror(errno));
        }
        if (n == 0) {
            return fail("It became shorter while it was read.");
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    data = std::move(content);
    return true;
}

bool LoadFileToBuffer(const std::string& fileName, Bytes& data, size_t maxSize) {
    std::string failure;
    return ReadRegularFile(fileName, maxSize, data, failure);
}

bool SaveBufferToFile(const std::string& fileName, std::span<const uint8_t> data) {
    return SaveBufferToFile(fileName, data.data(), data.size());
}

bool SaveBufferToFile(const std::string& fileName, const uint8_t* data, size_t count) {
    const std::string target = FinalTarget(fileName);
    mode_t mode = 0;
    bool exists = false;
    if (IsReadOnlyFile(target, mode, exists)) {
        ThrowFileError(fileName, EACCES);
    }
    std::string tempName;
    const int fd = CreateTempFile(target, tempName);
    if (fd < 0) {
        ThrowFileError(fileName, errno);
    }
    auto failWith = [&](int error) {
        ::close(fd);
        ::unlink(tempName.c_str());
        ThrowFileError(fileName, error);
    };
    size_t written = 0;
    while (written < count) {
        const ssize_t n = gWrite(fd, data + written, count - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            failWith(n < 0 ? errno : EIO);
        }
        written += static_cast<size_t>(n);
    }
    if ((exists && ::fchmod(fd, mode) != 0) || ::fsync(fd) != 0) {
        failWith(errno);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(tempName.c_str());
        ThrowFileError(fileName, error);
    }
    if (::rename(tempName.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(tempName.c_str());
        ThrowFileError(fileName, error);
    }
    FlushFolder(FolderOf(target));
    RemoveDeadWritersTemps(FolderOf(target), BaseNameOf(target));
    return true;
}

namespace testing_seam {
void SetWriteFunction(WriteFunction write) { gWrite = write; }
void ResetWriteFunction() { gWrite = &SystemWrite; }
} // namespace testing_seam

} // namespace ardent
