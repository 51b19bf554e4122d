#include "CommandLineHandlers.h"

#include "ResultCodes.h"

#include <cstdlib>
#include <filesystem>

namespace ardent {

void TResultRecordingExchange::NoteFailure(const TExchangeResult& failure) {
    int32_t code = ERROR_CONN_TIMEOUT;
    switch (failure.check) {
    case TReplyCheck::NotSent:
        code = fController != nullptr && fController->isConnected() ? ERROR_CONN_TIMEOUT
                                                                    : ERROR_PROG_DISCONNECTED;
        break;
    case TReplyCheck::LinkLost:
        code = ERROR_PROG_DISCONNECTED;
        break;
    default:
        break;
    }
    fRunResult.Set(code);
}

TWaitClock CommandLineWaitClock() { return WaitClockFromEnvironment(); }

TCommandLineHandlers::TCommandLineHandlers(HIDCtrl& controller,
                                           TThreadSafeQueue<TPacketFormat>& receiveQueue,
                                           TRunResult& runResult, TWaitClock clock)
    : fQueueExchange(
          [&controller](const TPacketFormat& request) { return controller.SendData(request); },
          receiveQueue),
      fExchange(fQueueExchange, runResult, &controller),
      fDeviceSetup({fExchange, TRequestTimeouts::CommandLine(), clock}),
      fTarget({fExchange, TRequestTimeouts::CommandLine(), clock}),
      fCalibration({fExchange, TRequestTimeouts::CommandLine(), clock}) {}

} // namespace ardent
