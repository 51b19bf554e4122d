#include "protocol/SendCommand.h"

namespace ardent {

TSendCommand::~TSendCommand() {
    finishThread();
    if (fThread.joinable())
        fThread.join();
}

void TSendCommand::Start() {
    if (!fThread.joinable())
        fThread = std::thread(&TSendCommand::Execute, this);
}

bool TSendCommand::SendCommand(const TPacketFormat& request) {
    if (!hCtrl.isConnected())
        return false;
    {
        std::lock_guard guard(fLock);
        req = request;
        event = true;
    }
    fWake.notify_one();
    return true;
}

void TSendCommand::finishThread() {
    {
        std::lock_guard guard(fLock);
        fTerminated.store(true);
        event = true;
    }
    fWake.notify_one();
}

void TSendCommand::Execute() {
    while (!fTerminated.load()) {
        TPacketFormat request;
        {
            std::unique_lock lock(fLock);
            fWake.wait(lock, [this] { return event; });
            event = false;
            if (fTerminated.load())
                return;
            request = req;
        }
        // Written outside the lock so a new request can be queued meanwhile; the result is not
        // looked at (the waiting operation sees a missing reply as a time-out).
        const TArrayByte bytes = PacketToBytes(request);
        hCtrl.SendData(bytes.data(), static_cast<uint16_t>(bytes.size()));
    }
}

} // namespace ardent
