#include "SimLink.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace ardent::simlink {

namespace {

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int NewSocket() {
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

int64_t RemainingMs(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() < 0 ? 0 : left.count();
}

} // namespace

std::string DefaultSocketPath() {
    const char* configured = std::getenv("ARDENT_SIM_SOCKET");
    if (configured != nullptr && *configured != '\0') {
        return configured;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/ardent-progsim.sock";
    }
    return "/tmp/ardent-progsim-" + std::to_string(::getuid()) + ".sock";
}

std::string LineFolder() {
    const char* folder = std::getenv(kLineVariable);
    return folder != nullptr ? std::string(folder) : std::string();
}

bool IsValidSerial(const std::string& serial) {
    if (serial.empty() || serial.size() > 63) {
        return false;
    }
    for (char c : serial) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                           (c >= 'a' && c <= 'z') || c == '-' || c == '_';
        if (!plain) {
            return false;
        }
    }
    return true;
}

std::string LineSocketPath(const std::string& folder, const std::string& serial) {
    return folder + "/" + serial + kSocketSuffix;
}

std::string QuerySerial(const std::string& path, std::chrono::milliseconds timeout) {
    const int fd = ConnectTo(path);
    if (fd < 0) {
        return {};
    }
    std::string serial;
    bool complete = false;
    if (WriteAll(fd, &kHelloIdentify, 1)) {
        char c = 0;
        while (serial.size() <= 64 && ReadAll(fd, &c, 1, timeout)) {
            if (c == '\n') {
                complete = true;
                break;
            }
            serial += c;
        }
    }
    ::close(fd);
    return complete && IsValidSerial(serial) ? serial : std::string();
}

int ConnectTo(const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(path, address)) {
        return -1;
    }
    int fd = NewSocket();
    if (fd < 0) {
        return -1;
    }
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

int ListenOn(const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(path, address)) {
        return -1;
    }
    // A socket file nobody answers on is what a killed daemon leaves behind; a live one is refused
    // so two simulated programmers never fight over one path.
    int probe = ConnectTo(path);
    if (probe >= 0) {
        ::close(probe);
        errno = EADDRINUSE;
        return -1;
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) {
        ::unlink(path.c_str());
    }
    int fd = NewSocket();
    if (fd < 0) {
        return -1;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

bool WriteAll(int fd, const void* data, size_t count) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (count > 0) {
        ssize_t written = ::send(fd, bytes, count, MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t count, std::chrono::milliseconds timeout) {
    auto* bytes = static_cast<uint8_t*>(data);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (count > 0) {
        if (timeout.count() >= 0) {
            pollfd waiter{fd, POLLIN, 0};
            int ready = ::poll(&waiter, 1, static_cast<int>(RemainingMs(deadline)));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                return false;
            }
        }
        ssize_t got = ::read(fd, bytes, count);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return false;
        }
        bytes += got;
        count -= static_cast<size_t>(got);
    }
    return true;
}

int OpenReportLink(const std::string& path, std::chrono::milliseconds timeout) {
    int fd = ConnectTo(path);
    if (fd < 0) {
        return -1;
    }
    char answer = 0;
    if (!WriteAll(fd, &kHelloReports, 1) || !ReadAll(fd, &answer, 1, timeout) ||
        answer != kReportLinkAccepted) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace ardent::simlink
