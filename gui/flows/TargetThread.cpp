#include "TargetThread.h"

#include "BurnRecording.h"
#include "OperationRunner.h"
#include "model/Logger.h"
#include "operations/TargetHandler.h"
#include "protocol/NotificationSink.h"
#include "targets/Target.h"

#include <mutex>
#include <vector>

namespace ardent {

namespace {
// Two target flows never run at the same time.
std::mutex gTargetMutex;

// Empties the queue except for burn results (module 2, opCode 2), which stay in order.
void ClearQueueKeepingBurnResults(TThreadSafeQueue<TPacketFormat>& queue) {
    std::vector<TPacketFormat> results;
    TPacketFormat packet{};
    while (queue.Get(packet)) {
        if (packet.header.module == MODULE_TARGET &&
            packet.header.opCode == TargetOp::TriggerTarget) {
            results.push_back(packet);
        }
    }
    for (const auto& result : results) {
        queue.Put(result);
    }
}
} // namespace

TTargetThread::TTargetThread(std::string threadName, const TOperationContext& context,
                             int operation, std::shared_ptr<TTarget> target,
                             std::shared_ptr<TLogger> logger)
    : name(std::move(threadName)), fContext(context), fOperation(operation),
      fTarget(std::move(target)), fLogger(std::move(logger)) {}

bool TTargetThread::Start(TOperationRunner& runner, const std::string& name,
                          const TOperationContext& context, int operation,
                          std::shared_ptr<TTarget> target, std::shared_ptr<TLogger> logger) {
    if (!IsValidOperation(operation) || !target) {
        return false;
    }
    return runner.Start(
        [thread = TTargetThread(name, context, operation, std::move(target),
                                std::move(logger))]() mutable { thread.Execute(); });
}

void TTargetThread::Execute() {
    // A flow that ends in an error still posts the notification it stands for.
    TFlowOutcome outcome{Announces(fOperation), false};
    if (fContext.targetFlowsRunning != nullptr) {
        ++*fContext.targetFlowsRunning;
    }
    {
        std::lock_guard lock(gTargetMutex);
        if (fOperation == ExternalTrigger && fContext.targetQueue != nullptr) {
            ClearQueueKeepingBurnResults(*fContext.targetQueue);
        } else {
            fContext.targetHandler.ClearQueueBeforeOperation();
        }
        try {
            outcome = RunFlow();
        } catch (const std::exception&) {
            // An error inside a flow ends it as a failure the window hears of, never the program.
            outcome.ok = false;
        }
    }
    // Done with the target before the window hears of it.
    if (fContext.targetFlowsRunning != nullptr) {
        --*fContext.targetFlowsRunning;
    }
    fContext.sink.Post(outcome.notification, outcome.ok ? 1 : 0);
}

TNotification TTargetThread::Announces(int operation) {
    switch (operation) {
    case Trigger:
    case ExternalTrigger:
        return TNotification::BurnReported;
    case ReadFirstChannel:
        return TNotification::FirstChannelRead;
    case DetectAllChannels:
        return TNotification::ChannelsDetected;
    default:
        return TNotification::NoAction;
    }
}

TFlowOutcome TTargetThread::RunFlow() {
    switch (fOperation) {
    case Trigger:
        return DoTrigger();
    case ExternalTrigger:
        return DoExternalTrigger();
    case ReadFirstChannel:
        return DoReadFirstChannel();
    case DetectAllChannels:
        return DoDetectAllChannels();
    default:
        return {TNotification::NoAction, false};
    }
}

TFlowOutcome TTargetThread::DoTrigger() {
    bool handedOver = false;
    try {
        handedOver = fContext.targetHandler.TriggerTarget(kWindowedTriggerByte);
    } catch (const std::exception&) {
        handedOver = false;
    }
    if (!handedOver) {
        return {TNotification::NoAction, false}; // nothing was burned: no burn to report
    }
    return DoExternalTrigger();
}

TFlowOutcome TTargetThread::DoExternalTrigger() {
    TBurningStatusOverall status{};
    const int32_t response = fContext.targetHandler.WaitTriggerStatus(status);
    fTarget->SetBurningStatus(response, status);
    std::array<std::optional<TProcessTargetSendId>, kChannelCount> ids{};
    if (response == 0 && fLogger && fLogger->isStarted()) {
        ids = LogBurnedChannels(status);
    }
    if (response == 0) {
        // On disk before the window hears of the burn and shows its verdict.
        RecordBurn(status, ids);
    }
    return {TNotification::BurnReported, response == 0};
}

std::array<std::optional<TProcessTargetSendId>, kChannelCount>
TTargetThread::LogBurnedChannels(const TBurningStatusOverall& status) {
    std::array<std::optional<TProcessTargetSendId>, kChannelCount> read{};
    bool idsReadable = true;
    for (uint8_t channel = 0; channel < kChannelCount; ++channel) {
        const TBurningStatusChannelSingle& verdict = status.channels[channel];
        TProcessTargetSendId reply{};
        if (idsReadable) {
            idsReadable = fContext.targetHandler.GetLoggerInformation(channel, reply);
        }
        if (idsReadable) {
            read[channel] = reply;
        }
        // The burn result itself is known; only the IDs may be missing.
        fLogger->SetLine(verdict, idsReadable ? &reply : nullptr);
    }
    return read;
}

void TTargetThread::RecordBurn(
    const TBurningStatusOverall& status,
    const std::array<std::optional<TProcessTargetSendId>, kChannelCount>& ids) {
    if (fContext.recording == nullptr) {
        return;
    }
    std::array<const TProcessTargetSendId*, kChannelCount> read{};
    for (size_t channel = 0; channel < read.size(); ++channel) {
        read[channel] = ids[channel] ? &*ids[channel] : nullptr;
    }
    fContext.recording->Record(status, read, fContext.deviceSetup, fTarget->getFamily(),
                               fLogger.get());
}

TFlowOutcome TTargetThread::DoReadFirstChannel() {
    const TReadIDRequest request{0, FamilyNumber(fTarget->getFamily()), 1, 1};
    const TTargetIdReply answer = fContext.targetHandler.ReadID(request);
    // A refused read shows as a zero record, like no read at all.
    const TProcessTargetSendId reply = answer.Executed() ? answer.ids : TProcessTargetSendId{};
    fTarget->setReadID(reply);
    fTarget->SetTableIDsFromDevice();
    return {TNotification::FirstChannelRead,
            answer.Executed() && reply.channelState == CHANNEL_PASSED};
}

TFlowOutcome TTargetThread::DoDetectAllChannels() {
    std::vector<TProcessTargetSendId> received;
    for (uint8_t channel = 0; channel < kChannelCount; ++channel) {
        const TReadIDRequest request{channel, FamilyNumber(fTarget->getFamily()),
                                     static_cast<uint8_t>(channel == 0 ? 1 : 0),
                                     static_cast<uint8_t>(channel == 3 ? 1 : 0)};
        const TTargetIdReply answer = fContext.targetHandler.ReadID(request);
        if (!answer.Executed()) {
            break;
        }
        received.push_back(answer.ids);
    }
    for (const auto& reply : received) {
        fTarget->setReadID(reply);
    }
    return {TNotification::ChannelsDetected, received.size() == kChannelCount};
}

} // namespace ardent
