#pragma once
// TThreadSafeQueue: the first-in-first-out queue that carries packets between the transport's
// callback thread, the receive thread and the waiting operations. Every access to the items
// happens under one lock; a manual-reset "items available" event is set when the queue goes
// from empty to one item and reset when a Get empties it. Waiting for the event never holds the
// lock, so a producer (the transport callback) is never blocked by a waiting consumer.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

namespace ardent {

template <typename T> class TThreadSafeQueue {
public:
    // A timeout of this many milliseconds waits without limit.
    static constexpr int kInfinite = -1;

    TThreadSafeQueue() = default;
    TThreadSafeQueue(const TThreadSafeQueue&) = delete;
    TThreadSafeQueue& operator=(const TThreadSafeQueue&) = delete;

    // Appends a copy of `item`; sets the event when the queue held nothing before.
    void Put(const T& item) {
        {
            std::lock_guard lock(fLock);
            fItems.push_back(item);
            if (fItems.size() != 1)
                return;
            SetEvent(true);
        }
        // Notified after unlocking so a woken waiter does not block on the lock again.
        fItemSignal.notify_all();
    }

    size_t GetCount() const {
        std::lock_guard lock(fLock);
        return fItems.size();
    }

    // Removes the oldest item into `item`. False (and `item` untouched) on an empty queue:
    // callers check first, but a race with another consumer must not be undefined behaviour.
    bool Get(T& item) {
        std::lock_guard lock(fLock);
        if (fItems.empty())
            return false;
        item = fItems.front();
        fItems.pop_front();
        if (fItems.empty())
            SetEvent(false);
        return true;
    }

    // Waits up to `timeoutMs` (kInfinite = no limit) for the event, then behaves as Get(item).
    bool Get(int timeoutMs, T& item) {
        WaitForEvent(timeoutMs);
        return Get(item);
    }

    // Waits up to `timeoutMs` (kInfinite = no limit) for the event; then true when the queue
    // holds at least one item.
    bool ItemsAvailable(int timeoutMs) {
        WaitForEvent(timeoutMs);
        return GetCount() >= 1;
    }

    // Whether the event is signalled now (for tests and diagnostics).
    bool IsEventSet() const {
        std::lock_guard lock(fEventLock);
        return fItemEvent;
    }

    // Drops every item and resets the event.
    void Clear() {
        std::lock_guard lock(fLock);
        fItems.clear();
        SetEvent(false);
    }

private:
    // The event is a flag under its own small mutex plus a condition variable, so that waiting
    // on it never takes fLock (the one every Put and Get needs). The flag changes only while
    // fLock is held, so it always agrees with the item count; lock order is fLock, fEventLock.
    void SetEvent(bool signalled) {
        std::lock_guard lock(fEventLock);
        fItemEvent = signalled;
    }

    void WaitForEvent(int timeoutMs) {
        std::unique_lock lock(fEventLock);
        auto signalled = [this] { return fItemEvent; };
        if (timeoutMs < 0)
            fItemSignal.wait(lock, signalled);
        else
            fItemSignal.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled);
    }

    mutable std::mutex fLock;
    std::deque<T> fItems;
    mutable std::mutex fEventLock;
    std::condition_variable fItemSignal;
    bool fItemEvent = false;
};

} // namespace ardent
