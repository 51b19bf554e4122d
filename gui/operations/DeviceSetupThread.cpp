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
    bool result = false;
    {
        std::lock_guard lock(gDeviceSetupMutex);
        fContext.setupHandler.ClearQueueBeforeOperation();
        try {
            result = RunFlow();
        } catch (const std::exception&) {
            // An error inside a flow ends it as a failure the window hears of, never the program.
            result = false;
        }
    }
    fContext.sink.PostNotification(msgType, result ? 1 : 0);
}

bool TDeviceSetupThread::RunFlow() {
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
        return false;
    }
}

bool TDeviceSetupThread::DoSetBaudRate() {
    msgType = 7;
    return fContext.setupHandler.SetBaudRate(fContext.deviceSetup.GetBaudRate());
}

bool TDeviceSetupThread::DoInitialization() {
    msgType = 1;
    TDeviceBurnerInfo burnerInfo{};
    if (!fContext.setupHandler.GetDeviceSetup(burnerInfo)) {
        return false;
    }
    fContext.deviceSetup.SetBurnerInfo(true, burnerInfo);
    // Firmware older than the host works with keeps its external trigger off: every burn the
    // window cannot start (and log) itself would go unlogged.
    const uint8_t externalTrigger = fContext.deviceSetup.CheckFwVersion() ? 1 : 0;
    if (!fContext.setupHandler.SetTriggerBehavior(externalTrigger, 1, 1)) {
        return false;
    }
    TDeviceConfigurationStruct info{};
    const bool read = fContext.setupHandler.GetConfigurationInfo(info);
    fContext.deviceSetup.SetConfigurationInfo(read, info);
    return read;
}

bool TDeviceSetupThread::DoSetTriggerBehavior() {
    msgType = 0;
    return fContext.setupHandler.SetTriggerBehavior(0, 0, 1);
}

bool TDeviceSetupThread::DoStoreConfiguration() {
    msgType = 3;
    uint16_t crc = 0;
    Bytes image;
    const bool stored =
        fContext.configuration.GetBufferForSend(crc, image) &&
        fContext.setupHandler.StoreConfigurationImage(image, crc, fContext.progress);
    TDeviceConfigurationStruct info{};
    fContext.setupHandler.GetConfigurationInfo(info);
    fContext.deviceSetup.SetConfigurationInfo(stored, info);
    return stored;
}

bool TDeviceSetupThread::DoReadConfiguration() {
    msgType = 2;
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
    return read && verdict == TLoadVerdict::Loaded;
}

} // namespace ardent
