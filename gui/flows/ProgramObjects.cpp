#include "ProgramObjects.h"

#include "protocol/NotificationSink.h"
#include "protocol/WindowedHidVariant.h"
#include "records/StationPaths.h"
#include "targets/Target.h"

namespace ardent {

TProgramObjects::TProgramObjects(TProgramOptions programOptions)
    : options(std::move(programOptions)),
      settings(std::make_unique<TSettingsModel>(options.settingsFile)),
      targetExchange([this](const TPacketFormat& r) { return SendRequest(r); },
                     handlerQueues.target),
      targetHandler(THandlerSetup{targetExchange, TRequestTimeouts::Windowed(), options.clock}),
      asyncHandler([this](uint8_t card) { deviceSetup.SetSdCardDetected(card != 0); }),
      setupExchange([this](const TPacketFormat& r) { return SendRequest(r); },
                    handlerQueues.deviceSetup),
      setupHandler(THandlerSetup{setupExchange, TRequestTimeouts::Windowed(), options.clock}),
      recording(
          std::make_unique<records::TStationRecorder>(
              options.recordsPath ? *options.recordsPath : records::DefaultStationDatabasePath()),
          settings->GetStationName()) {}

TProgramObjects::~TProgramObjects() {
    Shutdown();
}

bool TProgramObjects::SendRequest(const TPacketFormat& request) {
    return sendThread && sendThread->SendCommand(request);
}

void TProgramObjects::StartTransport(INotificationSink& sink) {
    ctrl = std::make_unique<HIDCtrl>(std::make_unique<TWindowedHidVariant>(receiveQueue));
    readThread = std::make_unique<TReadThread>(receiveQueue, handlerQueues, asyncHandler, sink);
    readThread->Start();
    sendThread = std::make_unique<TSendCommand>(*ctrl);
    sendThread->Start();
    ctrl->Connect();
}

void TProgramObjects::Shutdown() {
    if (sendThread) {
        sendThread->finishThread();
    }
    if (readThread) {
        readThread->finishRThread();
    }
    // An operation still waiting for the programmer would outlive the handlers: the marker the
    // receive thread no longer delivers ends its wait at once.
    runner.WaitAll([this] {
        handlerQueues.deviceSetup.Put(MakeMarker(MARKER_DISCONNECTED));
        handlerQueues.target.Put(MakeMarker(MARKER_DISCONNECTED));
    });
    sendThread.reset();
    readThread.reset();
    ctrl.reset();
}

void TProgramObjects::RefreshLoggerSetup() {
    if (!currentLogger || !deviceSetup.CheckCanCreateLogger()) {
        return;
    }
    TProgrammerSetup setup;
    setup.configName = deviceSetup.GetConfigurationName();
    setup.firmwareVersion = deviceSetup.GetBurnerInfo().firmwareVersion;
    setup.family = deviceSetup.GetConfigurationInfo().targetType;
    currentLogger->SetProgrammerSetup(setup);
}

void TProgramObjects::StartLogger(bool start) {
    RefreshLoggerSetup();
    if (currentLogger) {
        currentLogger->StartLogging(start);
    }
}

uint32_t TProgramObjects::StoredFamilyMismatch() const {
    if (!currentTarget || !deviceSetup.CheckCanCreateLogger() ||
        !deviceSetup.CheckExistConfigurationName()) {
        return 0;
    }
    const uint32_t stored = deviceSetup.GetConfigurationInfo().targetType;
    const TTargetFamily family = TargetFamilyFromNumber(stored);
    return family != TTargetFamily::NotRecognised && family != currentTarget->getFamily() ? stored
                                                                                           : 0;
}

TOperationContext TProgramObjects::Context(INotificationSink& sink) {
    // Progress reaches the window as a notification of its own, once per whole percent.
    auto lastPercent = std::make_shared<int>(-1);
    TTransferProgress progress = [&sink, lastPercent](size_t done, size_t total) {
        const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
        if (percent != *lastPercent) {
            *lastPercent = percent;
            sink.Post(TNotification::TransferProgress, percent);
        }
    };
    TOperationContext context{deviceSetup, setupHandler, targetHandler, configuration, sink};
    context.progress = std::move(progress);
    context.targetQueue = &handlerQueues.target;
    context.targetFlowsRunning = &targetFlowsRunning;
    context.importVerdict = &importVerdict;
    context.recording = &recording;
    return context;
}

} // namespace ardent
