#pragma once
// The programmer handlers of an ArdentCmd run. Requests leave through the controller the run
// created, replies are taken from the receive queue its callbacks fill, and a wait that gets no
// answer leaves its reason in the run's result: -124 when no answer came in time (late replies to
// earlier requests and reports too short to be one are no answer), -123 when the programmer went
// away.

#include "CalibrationHandler.h"
#include "RunResult.h"
#include "operations/DeviceSetupHandler.h"
#include "operations/QueueExchange.h"
#include "operations/TargetHandler.h"
#include "protocol/HIDCtrl.h"

namespace ardent {

// Wraps the exchange the handlers use and writes the run's result when an exchange fails.
class TResultRecordingExchange : public IPacketExchange {
public:
    // `controller` tells a programmer that is gone from one that refused the write; null when
    // there is none (the programmer counts as gone).
    TResultRecordingExchange(IPacketExchange& inner, TRunResult& runResult,
                             const HIDCtrl* controller)
        : fInner(inner), fRunResult(runResult), fController(controller) {}

    bool Send(const TPacketFormat& request) override { return fInner.Send(request); }
    std::optional<TPacketFormat> Receive(std::chrono::milliseconds timeout) override {
        return fInner.Receive(timeout);
    }
    void DiscardPending() override { fInner.DiscardPending(); }
    void Deliver(const TPacketFormat& packet) override { fInner.Deliver(packet); }
    // -123 for the link-lost marker and for a request that could not be sent because the
    // programmer is gone; -124 for no answer in time or a write the transport refused.
    void NoteFailure(const TExchangeResult& failure) override;

private:
    IPacketExchange& fInner;
    TRunResult& fRunResult;
    const HIDCtrl* fController;
};

// The handlers one run uses, over any exchange.
struct TOperationHandlers {
    TDeviceSetupHandler& deviceSetup;
    TTargetHandler& target;
    TCalibrationHandler& calibration;
};

// The tool's waits; shortened when ARDENT_TIMEOUT_SCALE holds a scale above 0 and at most 1 and
// ARDENT_PORTBRIDGE names the simulated programmer's transport (libportbridge-sim.so): a
// facility for tests and dry runs. Anything else keeps the real waits.
TWaitClock CommandLineWaitClock();

// The handlers over `controller` and the `receiveQueue` its callbacks fill; both, and
// `runResult`, outlive the handlers.
class TCommandLineHandlers {
public:
    TCommandLineHandlers(HIDCtrl& controller, TThreadSafeQueue<TPacketFormat>& receiveQueue,
                         TRunResult& runResult, TWaitClock clock = CommandLineWaitClock());
    TCommandLineHandlers(const TCommandLineHandlers&) = delete;
    TCommandLineHandlers& operator=(const TCommandLineHandlers&) = delete;

    TOperationHandlers Handlers() { return {fDeviceSetup, fTarget, fCalibration}; }

private:
    TQueueExchange fQueueExchange;
    TResultRecordingExchange fExchange;
    TDeviceSetupHandler fDeviceSetup;
    TTargetHandler fTarget;
    TCalibrationHandler fCalibration;
};

} // namespace ardent
