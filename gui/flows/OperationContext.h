#pragma once
// What the windowed program's operation threads work on: the programmer model, the two
// handlers, the program-wide configuration and the sink of the main window's notifications.

#include "configuration/ConfigurationLoader.h"
#include "operations/HandlerSetup.h"
#include "protocol/PacketFormat.h"
#include "protocol/ThreadSafeQueue.h"

#include <atomic>

namespace ardent {

class INotificationSink;
class TBurnRecording;
class TConfiguration;
class TDeviceSetup;
class TDeviceSetupHandler;
class TTargetHandler;

struct TOperationContext {
    TDeviceSetup& deviceSetup;
    TDeviceSetupHandler& setupHandler;
    TTargetHandler& targetHandler;
    TConfiguration& configuration;
    INotificationSink& sink;
    // Hears of the pieces a store or read moves; called on the operation's thread.
    TTransferProgress progress{};
    // The target handler's waiting queue. A burn the programmer started by itself may have
    // finished (its result queued) before the flow that waits for it starts; with the queue at
    // hand that flow keeps such a result instead of clearing it away.
    TThreadSafeQueue<TPacketFormat>* targetQueue = nullptr;
    // Counts running target flows, so the window leaves the target's ID table alone while a
    // flow may be writing it.
    std::atomic<int>* targetFlowsRunning = nullptr;
    // The loader's verdict on the image the last configuration read brought (Loaded also when
    // the read itself failed and brought none), so the window can say why an import failed.
    std::atomic<TLoadVerdict>* importVerdict = nullptr;
    // Where reported burns are recorded; none: not recorded.
    TBurnRecording* recording = nullptr;
};

} // namespace ardent
