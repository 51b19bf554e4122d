#pragma once
// The windowed program's program-wide objects, created once in the order the program starts them
// and freed in the order it shuts down: configuration, settings, programmer model, handlers;
// later the transport (controller, receive queue, receive and send threads) and one connect.
// The current target and logger live here too; the main window replaces them together.

#include "BurnRecording.h"
#include "DeviceSetup.h"
#include "OperationContext.h"
#include "OperationRunner.h"
#include "configuration/Configuration.h"
#include "model/Logger.h"
#include "model/SettingsModel.h"
#include "operations/DeviceSetupHandler.h"
#include "operations/QueueExchange.h"
#include "operations/TargetHandler.h"
#include "protocol/AsyncHandler.h"
#include "protocol/HIDCtrl.h"
#include "protocol/ReadThread.h"
#include "protocol/SendCommand.h"
#include "protocol/ThreadSafeQueue.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>

namespace ardent {

class TTarget;

struct TProgramOptions {
    std::string settingsFile;
    // Shortens the handlers' waits (tests, dry runs); the real waits by default.
    TWaitClock clock{};
    TLoggerEnvironment logEnvironment = TLoggerEnvironment::Default();
    // The station's record database; nothing: ARDENT_RECORDS or the station's default place,
    // empty: burns are not recorded.
    std::optional<std::string> recordsPath;
};

class TProgramObjects {
public:
    // Configuration, settings model (reads the settings file), programmer model, target handler,
    // event-report handler, device setup handler.
    explicit TProgramObjects(TProgramOptions options);
    // Shutdown, then the settings model saves the settings file.
    ~TProgramObjects();
    TProgramObjects(const TProgramObjects&) = delete;
    TProgramObjects& operator=(const TProgramObjects&) = delete;

    // Controller, receive queue, receive thread (posting to `sink`), send thread, one connect.
    void StartTransport(INotificationSink& sink);
    // Stops the send and receive threads, ends running operations (their waits are cut short by
    // a disconnect marker) and frees the controller. Safe to call twice.
    void Shutdown();

    bool IsConnected() const { return ctrl && ctrl->isConnected(); }
    // A target flow is running (it may be writing the current target).
    bool TargetBusy() const { return targetFlowsRunning.load() > 0; }
    // Hands the current logger the configuration name, firmware version and family the programmer
    // holds, once the programmer has told them (a log named after the configuration follows it).
    void RefreshLoggerSetup();
    // The same, then the current logger is started or stopped.
    void StartLogger(bool start);
    // The family of the configuration stored in the programmer when it is known and differs from
    // the current target's, else 0.
    uint32_t StoredFamilyMismatch() const;

    // The loader's verdict on the image the last configuration read brought from the programmer.
    TLoadVerdict LastImportVerdict() const { return importVerdict.load(); }
    // The context of an operation that notifies `sink`; stores and reads also post their
    // progress there (TransferProgress with the percent as result).
    TOperationContext Context(INotificationSink& sink);

    const TProgramOptions options;
    TConfiguration configuration;
    std::unique_ptr<TSettingsModel> settings;
    TDeviceSetup deviceSetup;
    THandlerQueues handlerQueues;
    TQueueExchange targetExchange;
    TTargetHandler targetHandler;
    TAsyncHandler asyncHandler;
    TQueueExchange setupExchange;
    TDeviceSetupHandler setupHandler;
    // Records every reported burn (its station name follows the settings' station); declared
    // before the runner, so it outlives every flow that may still record.
    TBurnRecording recording;
    TOperationRunner runner;

    // The current target family's objects (user-interface thread only; operations keep their
    // own references while they run).
    std::shared_ptr<TTarget> currentTarget;
    std::shared_ptr<TLogger> currentLogger;

private:
    bool SendRequest(const TPacketFormat& request);

    std::atomic<int> targetFlowsRunning{0};
    std::atomic<TLoadVerdict> importVerdict{TLoadVerdict::Loaded};

    TThreadSafeQueue<TArrayByte> receiveQueue;
    std::unique_ptr<HIDCtrl> ctrl;
    std::unique_ptr<TReadThread> readThread;
    std::unique_ptr<TSendCommand> sendThread;
};

} // namespace ardent
