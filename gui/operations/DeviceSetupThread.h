#pragma once
// TDeviceSetupThread: one programmer set-up flow (baud rate, initialization, trigger behaviour,
// store or read of the configuration) on its own thread. Set-up flows never overlap: they share
// one process-wide mutex. The flow's outcome reaches the main window only as the notification
// posted at its end.

#include "OperationContext.h"

#include <cstdint>
#include <string>

namespace ardent {

class TOperationRunner;

class TDeviceSetupThread {
public:
    enum Operation : int {
        SetBaudRate = 0,        // posts 7
        Initialization = 1,     // posts 1
        SetTriggerBehavior = 2, // posts 0
        StoreConfiguration = 3, // posts 3
        ReadConfiguration = 4,  // posts 2
    };
    static bool IsValidOperation(int operation) { return operation >= 0 && operation <= 4; }

    TDeviceSetupThread(std::string name, const TOperationContext& context, int operation);

    // The thread body: takes the class's mutex, empties the handler's queue, runs the flow,
    // releases the mutex and posts (msgType, result).
    void Execute();
    uint16_t MessageType() const { return msgType; }

    // Runs a new thread with the flow `operation`; false when the operation is not valid or the
    // runner no longer accepts work.
    static bool Start(TOperationRunner& runner, const std::string& name,
                      const TOperationContext& context, int operation);

private:
    // The selected flow; its boolean is the result.
    bool RunFlow();
    bool DoSetBaudRate();
    bool DoInitialization();
    bool DoSetTriggerBehavior();
    bool DoStoreConfiguration();
    bool DoReadConfiguration();

    std::string name;
    TOperationContext fContext;
    int fOperation;
    uint16_t msgType = 0;
};

} // namespace ardent
