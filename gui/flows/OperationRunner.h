#pragma once
// Runs the short-lived operation threads of the windowed program. Nobody waits for an operation
// (the window learns its outcome from the notification it posts), but at shutdown the program
// must not free the handlers under a running one: WaitAll wakes the operations and joins them.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ardent {

class TOperationRunner {
public:
    TOperationRunner() = default;
    // Joins whatever still runs (WaitAll without waking).
    ~TOperationRunner();
    TOperationRunner(const TOperationRunner&) = delete;
    TOperationRunner& operator=(const TOperationRunner&) = delete;

    // Runs `body` on a new thread; refused (false) once WaitAll has begun.
    bool Start(std::function<void()> body);
    // Number of operations still running.
    size_t Running() const;
    // Refuses new operations, then calls `wake` every `interval` until every running operation
    // has ended (`wake` makes their waits end early, e.g. by delivering a disconnect marker).
    void WaitAll(const std::function<void()>& wake = {},
                 std::chrono::milliseconds interval = std::chrono::milliseconds(20));

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void JoinFinishedLocked();

    mutable std::mutex fLock;
    std::vector<Worker> fWorkers;
    bool fClosed = false;
};

} // namespace ardent
