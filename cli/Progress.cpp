#include "Progress.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace ardent {

namespace {

constexpr size_t kBarWidth = 20;

std::string Bar(size_t done, size_t total) {
    const size_t filled = total == 0 ? kBarWidth : std::min(done, total) * kBarWidth / total;
    return "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "]";
}

} // namespace

void TProgressLine::Transfer(std::string_view what, size_t done, size_t total) {
    Draw(std::string(what) + " " + Bar(done, total) + " " + std::to_string(done) + "/" +
         std::to_string(total) + " bytes");
}

void TProgressLine::Waited(std::string_view what, std::chrono::seconds waited) {
    Draw(std::string(what) + " " + std::to_string(waited.count()) + " s");
}

void TProgressLine::Draw(std::string text) {
    std::lock_guard lock(fLock);
    // A shorter line than the one on screen is padded, so no end of the old one stays visible.
    const size_t length = text.size();
    if (length < fShownLength)
        text.append(fShownLength - length, ' ');
    fWrite("\r" + text);
    fShownLength = length;
}

void TProgressLine::End() {
    std::lock_guard lock(fLock);
    if (fShownLength == 0)
        return;
    fWrite("\n");
    fShownLength = 0;
}

bool ProgressWanted(const char* setting, bool standardErrorIsTerminal) {
    if (setting != nullptr && std::strcmp(setting, "0") == 0)
        return false;
    if (setting != nullptr && std::strcmp(setting, "1") == 0)
        return true;
    return standardErrorIsTerminal;
}

std::unique_ptr<TProgress> StandardErrorProgress() {
    if (!ProgressWanted(std::getenv("ARDENTCMD_PROGRESS"), ::isatty(STDERR_FILENO) == 1))
        return std::make_unique<TNoProgress>();
    return std::make_unique<TProgressLine>([](std::string_view text) {
        // Progress is a courtesy: a closed or broken standard error changes nothing.
        size_t written = 0;
        while (written < text.size()) {
            const ssize_t n = ::write(STDERR_FILENO, text.data() + written, text.size() - written);
            if (n <= 0)
                return;
            written += static_cast<size_t>(n);
        }
    });
}

TWaitTicker::TWaitTicker(TProgress& progress, std::string what)
    : fProgress(progress), fWhat(std::move(what)) {
    if (!fProgress.Shown())
        return;
    // The wait shows at once, however short it turns out.
    const auto start = std::chrono::steady_clock::now();
    fProgress.Waited(fWhat, std::chrono::seconds(0));
    fThread = std::thread([this, start] {
        std::unique_lock lock(fLock);
        while (!fStop.wait_for(lock, std::chrono::seconds(1), [this] { return fStopped; })) {
            // The line is drawn without the lock, so the end of the wait never waits for a
            // slow terminal.
            lock.unlock();
            fProgress.Waited(fWhat, std::chrono::duration_cast<std::chrono::seconds>(
                                        std::chrono::steady_clock::now() - start));
            lock.lock();
        }
    });
}

TWaitTicker::~TWaitTicker() {
    if (!fThread.joinable())
        return;
    {
        std::lock_guard lock(fLock);
        fStopped = true;
    }
    fStop.notify_all();
    fThread.join();
    fProgress.End();
}

} // namespace ardent
