#pragma once
// What the windowed program's operation threads work on: the programmer model, the two
// handlers, the program-wide configuration and the sink of the main window's notifications.

#include "operations/HandlerSetup.h"

namespace ardent {

class INotificationSink;
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
};

} // namespace ardent
