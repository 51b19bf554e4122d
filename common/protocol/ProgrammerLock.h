#pragma once
// One owner per programmer: an advisory lock (flock) on a lock file named after the programmer's
// serial number. The kernel releases it when the holding process ends in any way, SIGKILL
// included, so a crashed program never leaves a programmer locked. The holder's pid and program
// name are written into the file so that others can say who holds it.

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>

namespace ardent {

// Who holds a programmer.
struct TProgrammerHolder {
    pid_t pid = 0;
    std::string program; // the holder's program name ("ArdentCmd", "Ardent", ...); may be empty
};

// "pid 1234 (ArdentCmd)", or "pid 1234" without a program name.
std::string DescribeHolder(const TProgrammerHolder& holder);

// The folder of the lock files: ARDENT_LOCK_DIR when set, else /run/lock when writable, else
// $XDG_RUNTIME_DIR when set, else /tmp.
std::string ProgrammerLockFolder();
// The lock file of `key` (a serial number, or a device path) in `folder`. Characters other than
// letters, digits, '-', '_' and '.' become '_', so a device path makes a plain file name; a key
// longer than 128 characters is cut there, so the name always fits the file system.
std::string ProgrammerLockFile(const std::string& folder, const std::string& key);

// The lock of one programmer, held from a successful TryAcquire until this object ends.
class TProgrammerLock {
public:
    // `key`: the programmer's serial number (or device path); `folder` empty: ProgrammerLockFolder.
    explicit TProgrammerLock(std::string key, std::string folder = {});
    ~TProgrammerLock();
    TProgrammerLock(const TProgrammerLock&) = delete;
    TProgrammerLock& operator=(const TProgrammerLock&) = delete;

    // Takes the lock without waiting and records this process (`program` is its name). True when
    // this object holds it (also when it already did); false when another process holds it or
    // the lock file cannot be opened (Holder then says which).
    bool TryAcquire(const std::string& program);
    // TryAcquire again every `poll` until it succeeds or `wait` has passed.
    bool AcquireWithin(const std::string& program, std::chrono::milliseconds wait,
                       std::chrono::milliseconds poll = std::chrono::milliseconds(50));
    bool Held() const { return fFd >= 0; }
    // The system's error number when the last TryAcquire could not open the lock file (0 when it
    // could, also when another process held the lock).
    int OpenError() const { return fOpenError; }
    // Lets go of the lock (nothing when not held).
    void Release();

    // The process holding the lock now, read from the lock file; nothing when nobody holds it.
    // A holder whose record cannot be read yet is reported with pid 0.
    std::optional<TProgrammerHolder> Holder() const;
    const std::string& Key() const { return fKey; }
    const std::string& File() const { return fFile; }

private:
    std::string fKey;
    std::string fFile;
    int fFd = -1;
    int fOpenError = 0;
};

// The holder of the programmer `key` in `folder` (empty: ProgrammerLockFolder), without taking
// the lock; nothing when it is free.
std::optional<TProgrammerHolder> ProgrammerHolder(const std::string& key,
                                                  const std::string& folder = {});

// The file name of this process's executable ("ArdentCmd"); `fallback` when it cannot be read.
std::string OwnProgramName(const std::string& fallback);

} // namespace ardent
