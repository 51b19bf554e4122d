#pragma once
// TTargetThread: one target flow (burn, wait for an external-trigger burn, read the IDs of the
// first channel or of all channels) on its own thread. Target flows never overlap: they share
// one process-wide mutex. The thread keeps the target and logger it was started with alive, so
// a family change in the window cannot free them under it.

#include "OperationContext.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ardent {

class TLogger;
class TOperationRunner;
class TTarget;

class TTargetThread {
public:
    enum Operation : int {
        Trigger = 0,           // posts 10 (0 when the request could not be handed over)
        ExternalTrigger = 1,   // posts 10
        ReadFirstChannel = 2,  // posts 4
        DetectAllChannels = 3, // posts 5
    };
    static bool IsValidOperation(int operation) { return operation >= 0 && operation <= 3; }

    TTargetThread(std::string name, const TOperationContext& context, int operation,
                  std::shared_ptr<TTarget> target, std::shared_ptr<TLogger> logger);

    // The thread body: takes the class's mutex, empties the handler's queue, runs the flow,
    // releases the mutex and posts (msgType, result).
    void Execute();
    uint16_t MessageType() const { return msgType; }

    static bool Start(TOperationRunner& runner, const std::string& name,
                      const TOperationContext& context, int operation,
                      std::shared_ptr<TTarget> target, std::shared_ptr<TLogger> logger);

private:
    // The selected flow; its boolean is the result.
    bool RunFlow();
    bool DoTrigger();
    bool DoExternalTrigger();
    bool DoReadFirstChannel();
    bool DoDetectAllChannels();
    // One log line per burned channel; a channel whose IDs cannot be read is logged with empty
    // ID columns, and so is every channel after it (the programmer may have gone away).
    void LogBurnedChannels(const TBurningStatusOverall& status);

    std::string name;
    TOperationContext fContext;
    int fOperation;
    std::shared_ptr<TTarget> fTarget;
    std::shared_ptr<TLogger> fLogger;
    uint16_t msgType = 0;
};

} // namespace ardent
