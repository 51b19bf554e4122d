#pragma once
// TDeviceSetupThread: one programmer set-up flow (baud rate, initialization, trigger behaviour,
// store or read of the configuration) on its own thread. Set-up flows never overlap: they share
// one process-wide mutex. The flow's outcome reaches the main window only as the notification
// posted at its end.

#include "OperationContext.h"
#include "protocol/NotificationSink.h"

#include <cstdint>
#include <string>

namespace ardent {

class TOperationRunner;

class TDeviceSetupThread {
public:
    enum Operation : int {
        SetBaudRate = 0,        // BaudRateSet
        Initialization = 1,     // Initialized
        SetTriggerBehavior = 2, // NoAction
        StoreConfiguration = 3, // ConfigurationStored
        ReadConfiguration = 4,  // ConfigurationRead
    };
    static bool IsValidOperation(int operation) { return operation >= 0 && operation <= 4; }

    TDeviceSetupThread(std::string name, const TOperationContext& context, int operation);

    // The thread body: takes the class's mutex, empties the handler's queue, runs the flow,
    // releases the mutex and posts the flow's notification and result.
    void Execute();

    // Runs a new thread with the flow `operation`; false when the operation is not valid or the
    // runner no longer accepts work.
    static bool Start(TOperationRunner& runner, const std::string& name,
                      const TOperationContext& context, int operation);

private:
    // The notification the flow of `operation` posts, also when it ends in an error.
    static TNotification Announces(int operation);
    // The selected flow and how it ended.
    TFlowOutcome RunFlow();
    TFlowOutcome DoSetBaudRate();
    TFlowOutcome DoInitialization();
    TFlowOutcome DoSetTriggerBehavior();
    TFlowOutcome DoStoreConfiguration();
    TFlowOutcome DoReadConfiguration();

    std::string name;
    TOperationContext fContext;
    int fOperation;
};

} // namespace ardent
