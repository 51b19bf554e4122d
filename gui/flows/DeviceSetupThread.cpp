#include "DeviceSetupThread.h"

#include "DeviceSetup.h"
#include "OperationRunner.h"
#include "configuration/Configuration.h"
#include "configuration/ConfigurationLoader.h"
#include "operations/DeviceSetupHandler.h"
#include "protocol/NotificationSink.h"

#include <mutex>

namespace ardent {

namespace {
// Two set-up flows never run at the same time.
std::mutex gDeviceSetupMutex;
} // namespace

TDeviceSetupThread::TDeviceSetupThread(std::string threadName, const TOperationContext& context,
                                       int operation)
    : name(std::move(threadName)), fContext(context), fOperation(operation) {}

bool TDeviceSetupThread::Start(TOperationRunner& runner, const std::string& name,
                               const TOperationContext& context, int operation) {
    if (!IsValidOperation(operation)) {
        return false;
    }
    return runner.Start(
        [thread = TDeviceSetupThread(name, context, operation)]() mutable { thread.Execute(); });
}

void TDeviceSetupThread::Execute() {
    // A flow that ends in an error still posts the notification it stands for.
    TFlowOutcome outcome{Announces(fOperation), false};
    {
        std::lock_guard lock(gDeviceSetupMutex);
        fContext.setupHandler.ClearQueueBeforeOperation();
        try {
            outcome = RunFlow();
        } catch (const std::exception&) {
            // An error inside a flow ends it as a failure the window hears of, never the program.
            outcome.ok = false;
        }
    }
    fContext.sink.Post(outcome.notification, outcome.ok ? 1 : 0);
}

TNotification TDeviceSetupThread::Announces(int operation) {
    switch (operation) {
    case SetBaudRate:
        return TNotification::BaudRateSet;
    case Initialization:
        return TNotification::Initialized;
    case StoreConfiguration:
        return TNotification::ConfigurationStored;
    case ReadConfiguration:
        return TNotification::ConfigurationRead;
    default:
        return TNotification::NoAction;
    }
}

TFlowOutcome TDeviceSetupThread::RunFlow() {
    switch (fOperation) {
    case SetBaudRate:
        return DoSetBaudRate();
    case Initialization:
        return DoInitialization();
    case SetTriggerBehavior:
        return DoSetTriggerBehavior();
    case StoreConfiguration:
        return DoStoreConfiguration();
    case ReadConfiguration:
        return DoReadConfiguration();
    default:
        return {TNotification::NoAction, false};
    }
}

TFlowOutcome TDeviceSetupThread::DoSetBaudRate() {
    return {TNotification::BaudRateSet,
            fContext.setupHandler.SetBaudRate(fContext.deviceSetup.GetBaudRate())};
}

TFlowOutcome TDeviceSetupThread::DoInitialization() {
    const TNotification done = Announces(Initialization);
    TDeviceBurnerInfo burnerInfo{};
    if (!fContext.setupHandler.GetDeviceSetup(burnerInfo)) {
        return {done, false};
    }
    fContext.deviceSetup.SetBurnerInfo(true, burnerInfo);
    // Firmware older than the host works with keeps its external trigger off: every burn the
    // window cannot start (and log) itself would go unlogged.
    const uint8_t externalTrigger = fContext.deviceSetup.CheckFwVersion() ? 1 : 0;
    if (!fContext.setupHandler.SetTriggerBehavior(externalTrigger, 1, 1)) {
        return {done, false};
    }
    TDeviceConfigurationStruct info{};
    const bool read = fContext.setupHandler.GetConfigurationInfo(info);
    fContext.deviceSetup.SetConfigurationInfo(read, info);
    return {done, read};
}

TFlowOutcome TDeviceSetupThread::DoSetTriggerBehavior() {
    return {TNotification::NoAction, fContext.setupHandler.SetTriggerBehavior(0, 0, 1)};
}

TFlowOutcome TDeviceSetupThread::DoStoreConfiguration() {
    uint16_t crc = 0;
    Bytes image;
    const bool stored =
        fContext.configuration.GetBufferForSend(crc, image) &&
        fContext.setupHandler.StoreConfigurationImage(image, crc, fContext.progress);
    TDeviceConfigurationStruct info{};
    fContext.setupHandler.GetConfigurationInfo(info);
    fContext.deviceSetup.SetConfigurationInfo(stored, info);
    return {TNotification::ConfigurationStored, stored};
}

TFlowOutcome TDeviceSetupThread::DoReadConfiguration() {
    Bytes image;
    TLoadVerdict verdict = TLoadVerdict::Loaded;
    const bool read = fContext.setupHandler.ReadConfigurationImage(image, fContext.progress) ==
                      TDeviceSetupHandler::TReadOutcome::Read;
    if (read) {
        // An image the loader refuses leaves the configuration as it was; the import failed, or
        // the window would report the previous configuration as the one read.
        verdict = TConfigurationLoader().LoadBuffer(image, fContext.configuration);
    }
    if (fContext.importVerdict != nullptr) {
        *fContext.importVerdict = verdict;
    }
    return {TNotification::ConfigurationRead, read && verdict == TLoadVerdict::Loaded};
}

} // namespace ardent
