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

TWaitClock CommandLineWaitClock() {
    // Only against the simulated programmer: with a real one, a shortened burn wait would report
    // a burn still running as failed.
    const char* transport = std::getenv("ARDENT_PORTBRIDGE");
    const char* text = std::getenv("ARDENT_TIMEOUT_SCALE");
    if (text == nullptr || transport == nullptr ||
        std::filesystem::path(transport).filename() != "libportbridge-sim.so")
        return TWaitClock{};
    const std::optional<double> scale = ParseTimeoutScale(text);
    return scale ? TWaitClock{*scale} : TWaitClock{};
}

TCommandLineHandlers::TCommandLineHandlers(TThreadSafeQueue<TPacketFormat>& receiveQueue,
                                           TWaitClock clock)
    : fQueueExchange(SendThroughController, receiveQueue), fExchange(fQueueExchange),
      fDeviceSetup({fExchange, TRequestTimeouts::CommandLine(), clock}),
      fTarget({fExchange, TRequestTimeouts::CommandLine(), clock}),
      fCalibration({fExchange, TRequestTimeouts::CommandLine(), clock}) {}

} // namespace ardent
