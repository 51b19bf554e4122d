#pragma once
// TReadThread: the windowed program's receive thread. It drains the receive queue the
// controller's callbacks fill and routes each packet by its first byte: programmer replies and
// target replies to the waiting queues of their handlers, event reports and connection markers
// to notifications for the main window. The disconnect marker goes to both handlers too, so an
// operation waiting for a reply ends at once instead of running into its time-out.

#include "protocol/AsyncHandler.h"
#include "protocol/NotificationSink.h"
#include "protocol/PacketFormat.h"
#include "protocol/ThreadSafeQueue.h"

#include <atomic>
#include <thread>

namespace ardent {

// The waiting queues of the windowed program's two handlers (device setup: module 1; target:
// module 2). The program creates them once; the read thread fills them, the running operation
// of each handler drains its own.
struct THandlerQueues {
    TThreadSafeQueue<TPacketFormat> deviceSetup;
    TThreadSafeQueue<TPacketFormat> target;
};

class TReadThread {
public:
    // Created suspended; Start runs the thread.
    TReadThread(TThreadSafeQueue<TArrayByte>& receiveQueue, THandlerQueues& handlerQueues,
                const TAsyncHandler& asyncHandler, INotificationSink& sink)
        : fReceiveQueue(receiveQueue), fHandlerQueues(handlerQueues), fAsyncHandler(asyncHandler),
          msgHandler(sink) {}
    // Stops the thread (finishRThread) and waits for it to end.
    ~TReadThread();
    TReadThread(const TReadThread&) = delete;
    TReadThread& operator=(const TReadThread&) = delete;

    void Start();
    // Marks the thread terminated and wakes it with a MARKER_STOP packet; packets still queued
    // are not dispatched.
    void finishRThread();

    // Routes one packet by byte 0 (see the class comment); anything else, MARKER_STOP and
    // modules 3 and 4 included, is dropped.
    void DispatchPacket(const TArrayByte& packet);

private:
    void Execute();

    TThreadSafeQueue<TArrayByte>& fReceiveQueue;
    THandlerQueues& fHandlerQueues;
    const TAsyncHandler& fAsyncHandler;
    INotificationSink& msgHandler;
    std::atomic<bool> fTerminated{false};
    std::thread fThread;
};

} // namespace ardent
