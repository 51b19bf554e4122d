#pragma once
// TSendCommand: the windowed program's send thread. Operation threads hand it one request at a
// time; it writes the request through the controller on its own thread, so no operation waits
// for the transport's write. There is one request slot: a second request before the thread has
// woken replaces the first, which is why only one operation of each kind runs at a time.

#include "protocol/HIDCtrl.h"
#include "protocol/PacketFormat.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ardent {

class TSendCommand {
public:
    // Created suspended; Start runs the thread.
    explicit TSendCommand(HIDCtrl& ctrl) : hCtrl(ctrl) {}
    // Stops the thread (finishThread) and waits for it to end.
    ~TSendCommand();
    TSendCommand(const TSendCommand&) = delete;
    TSendCommand& operator=(const TSendCommand&) = delete;

    void Start();
    // False (nothing sent) when the programmer is not connected; otherwise fills the request
    // slot, wakes the thread and returns true without waiting for the write.
    bool SendCommand(const TPacketFormat& request);
    // Tells the thread to stop; a request still in the slot is not written.
    void finishThread();

private:
    void Execute();

    HIDCtrl& hCtrl;
    std::mutex fLock; // guards event and req
    std::condition_variable fWake;
    bool event = false;
    TPacketFormat req{};
    std::atomic<bool> fTerminated{false};
    std::thread fThread;
};

} // namespace ardent
