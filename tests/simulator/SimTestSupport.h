#pragma once
// What the simulator tests share: a simulated programmer started from the built binary on a
// private socket, a raw report link to it, and configuration images built by the real
// TConfiguration.

#include "protocol/PacketFormat.h"
#include "utils/Bytes.h"

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ardent::simtest {

using namespace std::chrono_literals;

// A generous bound for things that happen at once; only a broken simulator waits this long.
inline constexpr std::chrono::milliseconds kPatience = 5000ms;

// A copy of a field of a packed record, so a check never binds a reference to it (the field may
// be misaligned).
template <typename T> T Value(T field) {
    return field;
}

// A socket path no other test uses.
std::string UniqueSocketPath();

// bin/ardent-progsim, started on its own socket; stopped (and waited for) on destruction.
class TSimDaemon {
public:
    explicit TSimDaemon(std::vector<std::string> extraArgs = {},
                        std::string socket = UniqueSocketPath());
    ~TSimDaemon();
    TSimDaemon(const TSimDaemon&) = delete;
    TSimDaemon& operator=(const TSimDaemon&) = delete;

    bool Ready() const { return mReady; }
    const std::string& Socket() const { return mSocket; }
    // One control command; its reply line.
    std::string Control(const std::string& line) const;

private:
    std::string mSocket;
    pid_t mPid = -1;
    bool mReady = false;
};

// A private folder for a line of simulated programmers; removed with what is in it.
class TLineFolder {
public:
    TLineFolder();
    ~TLineFolder();
    TLineFolder(const TLineFolder&) = delete;
    TLineFolder& operator=(const TLineFolder&) = delete;
    const std::string& Path() const { return mPath; }
    std::string Socket(const std::string& serial) const { return mPath + "/" + serial + ".sock"; }

private:
    std::string mPath;
};

// bin/ardent-progsim --line FOLDER with the given serials (one programmer each); every
// programmer told to quit, and the daemon waited for, on destruction.
class TSimLine {
public:
    TSimLine(const std::string& folder, std::vector<std::string> serials,
             std::vector<std::string> extraArgs = {});
    ~TSimLine();
    TSimLine(const TSimLine&) = delete;
    TSimLine& operator=(const TSimLine&) = delete;

    bool Ready() const { return mReady; }
    // One control command to the programmer with this serial; its reply line.
    std::string Control(const std::string& serial, const std::string& line) const;

private:
    std::string mFolder;
    std::vector<std::string> mSerials;
    pid_t mPid = -1;
    bool mReady = false;
};

// A control line sent to the simulator at `socket`; its reply line ("no daemon" when none).
std::string ControlAt(const std::string& socket, const std::string& line);

// A report link opened the way the transport library opens one.
class TRawLink {
public:
    explicit TRawLink(const std::string& socket);
    ~TRawLink();
    TRawLink(const TRawLink&) = delete;
    TRawLink& operator=(const TRawLink&) = delete;

    bool IsOpen() const { return mFd >= 0; }
    bool Send(const TPacketFormat& request);
    // The next report, or nothing when none comes within `wait` or the link closed.
    std::optional<TPacketFormat> Receive(std::chrono::milliseconds wait = kPatience);
    // Sends and takes the next report.
    std::optional<TPacketFormat> Exchange(const TPacketFormat& request);
    // True when the simulator closed the link (within `wait`).
    bool ClosedByPeer(std::chrono::milliseconds wait = kPatience);

private:
    int mFd = -1;
};

// A current image built by TConfiguration: `size` bytes in all (at least 74), one firmware block
// filling it, the given name, family and channels.
Bytes MakeImage(size_t size, const std::string& name = "SimTest", uint32_t targetType = 2,
                uint32_t channels = 0x0F);
uint16_t ImageCrc(const Bytes& image);

// The store sequence of the host: announcement, then pieces of 60 bytes. The statuses of all
// replies in order (empty entries where a reply did not come).
std::vector<int> StoreImage(TRawLink& link, const Bytes& image, uint16_t announcedCrc);

} // namespace ardent::simtest
