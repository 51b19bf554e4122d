#include "protocol/ReadThread.h"

namespace ardent {

TReadThread::~TReadThread() {
    finishRThread();
    if (fThread.joinable())
        fThread.join();
}

void TReadThread::Start() {
    if (!fThread.joinable())
        fThread = std::thread(&TReadThread::Execute, this);
}

void TReadThread::finishRThread() {
    if (fTerminated.exchange(true))
        return;
    // A packet of its own rather than the thread's working packet, which the thread may be
    // using at this moment.
    fReceiveQueue.Put(PacketToBytes(MakeMarker(MARKER_STOP)));
}

void TReadThread::Execute() {
    while (!fTerminated.load()) {
        if (!fReceiveQueue.ItemsAvailable(TThreadSafeQueue<TArrayByte>::kInfinite) ||
            fTerminated.load())
            continue;
        TArrayByte pData;
        if (fReceiveQueue.Get(pData))
            DispatchPacket(pData);
    }
}

void TReadThread::DispatchPacket(const TArrayByte& bytes) {
    const TPacketFormat packet = PacketFromBytes(bytes);
    switch (packet.header.module) {
    case MODULE_PROGRAMMER:
        fHandlerQueues.deviceSetup.Put(packet);
        break;
    case MODULE_TARGET:
        fHandlerQueues.target.Put(packet);
        break;
    case MODULE_EVENT:
        msgHandler.Post(fAsyncHandler.ParseResponse(packet), 0);
        break;
    case MARKER_DISCONNECTED:
        fHandlerQueues.deviceSetup.Put(packet);
        fHandlerQueues.target.Put(packet);
        msgHandler.Post(TNotification::Disconnected, 0);
        break;
    case MARKER_CONNECTED:
        msgHandler.Post(TNotification::Connected, 0);
        break;
    default:
        break;
    }
}

} // namespace ardent
