#pragma once
// TTargetThread: one target flow (burn, wait for an external-trigger burn, read the IDs of the
// first channel or of all channels) on its own thread. Target flows never overlap: they share
// one process-wide mutex. The thread keeps the target and logger it was started with alive, so
// a family change in the window cannot free them under it.

#include "OperationContext.h"
#include "protocol/NotificationSink.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ardent {

class TLogger;
class TOperationRunner;
class TTarget;

class TTargetThread {
public:
    enum Operation : int {
        Trigger = 0,           // BurnReported (NoAction when the request could not be handed over)
        ExternalTrigger = 1,   // BurnReported
        ReadFirstChannel = 2,  // FirstChannelRead
        DetectAllChannels = 3, // ChannelsDetected
    };
    static bool IsValidOperation(int operation) { return operation >= 0 && operation <= 3; }

    TTargetThread(std::string name, const TOperationContext& context, int operation,
                  std::shared_ptr<TTarget> target, std::shared_ptr<TLogger> logger);

    // The thread body: takes the class's mutex, empties the handler's queue, runs the flow,
    // releases the mutex and posts the flow's notification and result.
    void Execute();

    static bool Start(TOperationRunner& runner, const std::string& name,
                      const TOperationContext& context, int operation,
                      std::shared_ptr<TTarget> target, std::shared_ptr<TLogger> logger);

private:
    // The notification the flow of `operation` posts, also when it ends in an error after the
    // burn request was handed over.
    static TNotification Announces(int operation);
    // The selected flow and how it ended.
    TFlowOutcome RunFlow();
    TFlowOutcome DoTrigger();
    TFlowOutcome DoExternalTrigger();
    TFlowOutcome DoReadFirstChannel();
    TFlowOutcome DoDetectAllChannels();
    // One log line per burned channel; a channel whose IDs cannot be read is logged with empty
    // ID columns, and so is every channel after it (the programmer may have gone away).
    // Returns the IDs it read, channel by channel (empty entries where none were read).
    std::array<std::optional<TProcessTargetSendId>, kChannelCount>
    LogBurnedChannels(const TBurningStatusOverall& status);
    // The burn's records, with the IDs read for the log.
    void RecordBurn(const TBurningStatusOverall& status,
                    const std::array<std::optional<TProcessTargetSendId>, kChannelCount>& ids);

    std::string name;
    TOperationContext fContext;
    int fOperation;
    std::shared_ptr<TTarget> fTarget;
    std::shared_ptr<TLogger> fLogger;
};

} // namespace ardent
