#include "CommandLineHandlers.h"

#include "ExitCode.h"
#include "ResultCodes.h"
#include "protocol/HIDCtrl.h"

#include <cstdlib>
#include <filesystem>

namespace ardent {

namespace {

bool ProgrammerConnected() {
    const HIDCtrl* controller = HIDCtrl::Current();
    return controller != nullptr && controller->isConnected();
}

bool SendThroughController(const TPacketFormat& request) {
    HIDCtrl* controller = HIDCtrl::Current();
    return controller != nullptr && controller->SendData(request);
}

} // namespace

void TResultRecordingExchange::NoteFailure(const TExchangeResult& failure) {
    int32_t code = ERROR_CONN_TIMEOUT;
    switch (failure.check) {
    case TReplyCheck::NotSent:
        code = ProgrammerConnected() ? ERROR_CONN_TIMEOUT : ERROR_PROG_DISCONNECTED;
        break;
    case TReplyCheck::LinkLost:
        code = ERROR_PROG_DISCONNECTED;
        break;
    default:
        break;
    }
    ProcessExitCode() = code;
}

TWaitClock CommandLineWaitClock() { return WaitClockFromEnvironment(); }

TCommandLineHandlers::TCommandLineHandlers(TThreadSafeQueue<TPacketFormat>& receiveQueue,
                                           TConsole& console, TWaitClock clock)
    : fQueueExchange(SendThroughController, receiveQueue), fExchange(fQueueExchange),
      fDeviceSetup({fExchange, TRequestTimeouts::CommandLine(), clock}),
      fTarget({fExchange, TRequestTimeouts::CommandLine(), clock,
               [&console](std::string_view text) { console.Write(text); }}),
      fCalibration({fExchange, TRequestTimeouts::CommandLine(), clock}) {}

} // namespace ardent
