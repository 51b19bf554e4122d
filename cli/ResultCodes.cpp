#include "ResultCodes.h"

#include "utils/Files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ardent {

std::optional<std::string_view> ResultMessage(int32_t result) {
    if (result < -128 || result > ERROR_INVALID_PARAMETERS) {
        return std::nullopt;
    }
    return ResultMessageTable[static_cast<size_t>(result + 128)];
}

int ExitStatusFromResult(int32_t result) {
    if (result >= -128 && result <= -1) {
        return 256 + result;
    }
    if (result >= 0 && result <= 123) {
        return result;
    }
    return 124;
}

namespace {

bool WriteAll(int fd, const std::string& text) {
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    return written == text.size();
}

// True when `fileName` leads to the file our own standard output writes to.
bool IsOurStandardOutput(const char* fileName) {
    struct stat target {};
    struct stat out {};
    return ::stat(fileName, &target) == 0 && ::fstat(STDOUT_FILENO, &out) == 0 &&
           target.st_dev == out.st_dev && target.st_ino == out.st_ino;
}

// Writes `text` through an existing link, device or pipe. O_NONBLOCK: a pipe without a reader is
// refused at once instead of blocking the run. Our own standard output (/dev/stdout) gets the
// text after the lines already written, not over them.
bool WriteInPlace(const char* fileName, const std::string& text) {
    std::fflush(stdout);
    if (IsOurStandardOutput(fileName)) {
        return WriteAll(STDOUT_FILENO, text);
    }
    const int fd = ::open(fileName, O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, text);
    ::close(fd);
    return written;
}

} // namespace

bool ClearResultFile(const char* fileName) noexcept {
    if (fileName == nullptr || *fileName == '\0') {
        return false;
    }
    struct stat st {};
    if (::stat(fileName, &st) != 0 || !S_ISREG(st.st_mode) || IsOurStandardOutput(fileName)) {
        return false;
    }
    const int fd = ::open(fileName, O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    // The file opened may have been replaced since the check: only the same regular file is cut.
    struct stat opened {};
    const bool same = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
                      opened.st_dev == st.st_dev && opened.st_ino == st.st_ino;
    const bool emptied = same && ::ftruncate(fd, 0) == 0;
    ::close(fd);
    return emptied;
}

bool WriteRunFile(const char* fileName, const std::string& text, std::string& failure) noexcept {
    if (fileName == nullptr || *fileName == '\0') {
        failure = "no file named";
        return false;
    }
    try {
        struct stat st {};
        struct stat target {};
        // A link to a regular file (not our own standard output) is replaced whole behind the
        // link, so a run killed while writing never leaves half a text there.
        const bool leadsToRegularFile = ::stat(fileName, &target) == 0 && S_ISREG(target.st_mode) &&
                                        !IsOurStandardOutput(fileName);
        if (::lstat(fileName, &st) == 0 && !S_ISREG(st.st_mode) && !leadsToRegularFile) {
            // Renaming a temporary file over a link such as /dev/stdout, a device or a pipe
            // would replace it with a plain file.
            errno = 0;
            if (WriteInPlace(fileName, text)) {
                return true;
            }
            failure = errno != 0 ? std::strerror(errno) : "it could not be written in place";
            return false;
        }
        return SaveBufferToFile(fileName, reinterpret_cast<const uint8_t*>(text.data()),
                                text.size());
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "unknown error";
    }
    return false;
}

bool WriteResultFile(const char* fileName, int32_t result) noexcept {
    try {
        std::string failure;
        return WriteRunFile(fileName, std::to_string(result) + "\n", failure);
    } catch (...) {
        return false;
    }
}

} // namespace ardent
