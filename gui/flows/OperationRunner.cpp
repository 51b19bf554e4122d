#include "OperationRunner.h"

namespace ardent {

TOperationRunner::~TOperationRunner() {
    WaitAll();
}

bool TOperationRunner::Start(std::function<void()> body) {
    std::lock_guard lock(fLock);
    if (fClosed) {
        return false;
    }
    JoinFinishedLocked();
    auto done = std::make_shared<std::atomic<bool>>(false);
    fWorkers.push_back(Worker{std::thread([body = std::move(body), done] {
                                  body();
                                  done->store(true);
                              }),
                              done});
    return true;
}

size_t TOperationRunner::Running() const {
    std::lock_guard lock(fLock);
    size_t running = 0;
    for (const auto& worker : fWorkers) {
        running += worker.done->load() ? 0 : 1;
    }
    return running;
}

void TOperationRunner::JoinFinishedLocked() {
    for (auto it = fWorkers.begin(); it != fWorkers.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = fWorkers.erase(it);
        } else {
            ++it;
        }
    }
}

void TOperationRunner::WaitAll(const std::function<void()>& wake,
                               std::chrono::milliseconds interval) {
    std::vector<Worker> workers;
    {
        std::lock_guard lock(fLock);
        fClosed = true;
        workers.swap(fWorkers);
    }
    // The lock is not held while waiting: a finishing operation never needs it.
    for (auto& worker : workers) {
        while (!worker.done->load()) {
            if (wake) {
                wake();
            }
            std::this_thread::sleep_for(interval);
        }
        worker.thread.join();
    }
}

} // namespace ardent
