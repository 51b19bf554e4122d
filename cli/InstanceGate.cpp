#include "InstanceGate.h"

#include "RunningInstances.h"
#include "protocol/ProgrammerListing.h"

#include <cctype>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace ardent {

namespace {

constexpr std::chrono::milliseconds kPoll{50};

// A file locked without waiting, held for as long as this object lives (or until Release).
class THeldFile {
public:
    explicit THeldFile(std::string path) : fPath(std::move(path)) {
        fFd = ::open(fPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fFd >= 0) {
            // The turn file is shared by every user of the line PC: whoever made it first must
            // not lock the others out with their umask.
            struct stat info {};
            if (::fstat(fFd, &info) == 0 && info.st_uid == ::geteuid())
                (void)::fchmod(fFd, 0666);
        } else {
            // Another user's file: flock needs no write access.
            fFd = ::open(fPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        }
        if (fFd >= 0 && ::flock(fFd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fFd);
            fFd = -1;
        }
    }
    ~THeldFile() { Release(); }
    THeldFile(const THeldFile&) = delete;
    THeldFile& operator=(const THeldFile&) = delete;
    bool Held() const { return fFd >= 0; }
    // `remove`: the file goes too (a waiter's own file); the shared turn file stays.
    void Release(bool remove = true) {
        if (fFd < 0)
            return;
        if (remove)
            ::unlink(fPath.c_str());
        ::close(fFd);
        fFd = -1;
    }

private:
    std::string fPath;
    int fFd = -1;
};

std::string WaiterPrefix(const std::string& programName) {
    return programName + "-waiting-";
}

// The other runs of `programName` that are waiting now (their waiter files are locked).
int OtherWaiters(const std::string& programName, const std::string& folder) {
    const std::string prefix = WaiterPrefix(programName);
    const std::string own = prefix + std::to_string(::getpid()) + ".lock";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    int waiters = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!name.starts_with(prefix) || !name.ends_with(".lock") || name == own)
            continue;
        const int fd = ::open((folder + "/" + name).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_SH | LOCK_NB) != 0)
            ++waiters;
        ::close(fd);
    }
    ::closedir(dir);
    return waiters;
}

} // namespace

bool WaitForMachineWideTurn(const std::string& programName, std::chrono::milliseconds wait,
                            const std::string& lockFolder) {
    if (CountRunningInstances(programName) < 2)
        return true;
    if (wait <= std::chrono::milliseconds::zero())
        return false;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    THeldFile waiter(lockFolder + "/" + WaiterPrefix(programName) + std::to_string(::getpid()) +
                     ".lock");
    const std::string turnFile = lockFolder + "/" + programName + "-turn.lock";
    std::optional<THeldFile> turn;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!turn || !turn->Held())
            turn.emplace(turnFile);
        if (turn->Held()) {
            // This process and the runs waiting behind it do not count.
            const int others = CountRunningInstances(programName) - 1 -
                               (waiter.Held() ? OtherWaiters(programName, lockFolder) : 0);
            if (others <= 0) {
                // No longer waiting before the turn passes on, so the next in line counts us.
                waiter.Release();
                turn->Release(false);
                return true;
            }
        }
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

TInstanceGate EnterInstanceGate(const std::string& programName, const std::string& chosen,
                                std::chrono::milliseconds wait, const std::string& lockFolder) {
    const std::string folder = lockFolder.empty() ? ProgrammerLockFolder() : lockFolder;
    TInstanceGate gate;
    if (chosen.empty()) {
        gate.mayRun = WaitForMachineWideTurn(programName, wait, folder);
        return gate;
    }
    // A device path names the same programmer as its serial number, so both take one lock.
    const std::string key =
        chosen.find('/') == std::string::npos ? chosen : LockKeyFor(ListProgrammers(), chosen);
    gate.lock = std::make_unique<TProgrammerLock>(key, folder);
    gate.mayRun = gate.lock->AcquireWithin(programName, wait);
    if (!gate.mayRun) {
        // A lock that cannot be taken at all is refused too: two runs must never share the
        // programmer because its lock file could not be made.
        gate.lockProblem = LockProblem(*gate.lock);
        if (gate.lockProblem.empty())
            gate.holder = gate.lock->Holder();
        else
            // Written after "No programmer: " elsewhere; standing alone it starts with a capital.
            gate.lockProblem[0] = static_cast<char>(std::toupper(gate.lockProblem[0]));
        gate.lock.reset();
    }
    return gate;
}

} // namespace ardent
