#pragma once
// Progress of the long operations (-store and -backup in bytes, -execute in seconds waited) on
// standard error when it is a terminal: one line redrawn with a carriage return, ended with a
// line break before the operation's own lines. ARDENTCMD_PROGRESS=0 or 1 forces it off or on.
// Standard output never carries progress.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace ardent {

class TProgress {
public:
    virtual ~TProgress() = default;
    // False when nothing is shown, so callers need not even count.
    virtual bool Shown() const = 0;
    // `done` of `total` bytes of the transfer `what` ("Storing") have been moved.
    virtual void Transfer(std::string_view what, size_t done, size_t total) = 0;
    // `waited` seconds have passed in the wait `what` ("Burning").
    virtual void Waited(std::string_view what, std::chrono::seconds waited) = 0;
    // Ends the line drawn so far, if any.
    virtual void End() = 0;
};

class TNoProgress : public TProgress {
public:
    bool Shown() const override { return false; }
    void Transfer(std::string_view, size_t, size_t) override {}
    void Waited(std::string_view, std::chrono::seconds) override {}
    void End() override {}
};

// The one progress line, written through `write` (standard error in the program). Transfers
// and the ticker of a wait may report from different threads.
class TProgressLine : public TProgress {
public:
    using TWrite = std::function<void(std::string_view)>;
    explicit TProgressLine(TWrite write) : fWrite(std::move(write)) {}

    bool Shown() const override { return true; }
    // "\rStoring [########------------] 400/1200 bytes"
    void Transfer(std::string_view what, size_t done, size_t total) override;
    // "\rBurning 3 s"
    void Waited(std::string_view what, std::chrono::seconds waited) override;
    // "\n" after a drawn line; nothing when none was drawn since the last End.
    void End() override;

private:
    void Draw(std::string text);

    TWrite fWrite;
    std::mutex fLock;
    size_t fShownLength = 0; // of the line on screen; 0 = none drawn
};

// Whether progress is shown: ARDENTCMD_PROGRESS "0" off, "1" on, otherwise (unset or any other
// value) when standard error is a terminal.
bool ProgressWanted(const char* setting, bool standardErrorIsTerminal);

// The run's progress on standard error, as ARDENTCMD_PROGRESS and the terminal decide.
std::unique_ptr<TProgress> StandardErrorProgress();

// Shows the seconds of a wait once a second while it lives (a thread of its own, only when
// progress is shown); ends the line when it goes.
class TWaitTicker {
public:
    TWaitTicker(TProgress& progress, std::string what);
    ~TWaitTicker();
    TWaitTicker(const TWaitTicker&) = delete;
    TWaitTicker& operator=(const TWaitTicker&) = delete;

private:
    TProgress& fProgress;
    std::string fWhat;
    std::mutex fLock;
    std::condition_variable fStop;
    bool fStopped = false;
    std::thread fThread;
};

} // namespace ardent
