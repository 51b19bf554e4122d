#include "CommandBurner.h"

#include "CommandRecords.h"

#include "ResultCodes.h"
#include "protocol/CommandLineHidVariant.h"
#include "protocol/HIDCtrl.h"
#include "protocol/ProgrammerListing.h"
#include "protocol/ProgrammerLock.h"
#include "utils/WaitSeconds.h"

#include <array>
#include <cstdio>
#include <thread>

namespace ardent {

namespace {

struct TOperationRow {
    uint16_t command;
    TOperationInfo info;
};

constexpr std::array<TOperationRow, 11> kOperationTable = {{
    {CMD_EXECUTE, {"Trigger", TOperationThread::OP_TRIGGER}},
    {CMD_STORE, {"Store", TOperationThread::OP_STORE_CONFIGURATION}},
    {CMD_BACKUP, {"Read configuration", TOperationThread::OP_READ_CONFIGURATION}},
    {CMD_READ_ID, {"ReadID", TOperationThread::OP_READ_ID}},
    {CMD_GET_NAME, {"GetName", TOperationThread::OP_GET_NAME}},
    {CMD_GET_FW_VER, {"Get fw", TOperationThread::OP_GET_FIRMWARE_VERSION}},
    {CMD_GET_CRC, {"Get crc", TOperationThread::OP_GET_CRC}},
    {CMD_SET_BAUD_RATE, {"Set baud rate", TOperationThread::OP_SET_BAUD_RATE}},
    {CMD_SET_CHANNEL, {"Set channel", TOperationThread::OP_SET_CHANNEL}},
    {CMD_BURN_TRIGGER, {"Set trigger behavior", TOperationThread::OP_TRIGGER_BEHAVIOR}},
    {CMD_DETECT_ID, {"DetectID", TOperationThread::OP_DETECT_ID}},
}};

constexpr TOperationInfo kSpecialOperation = {"Special command",
                                              TOperationThread::OP_SPECIAL_COMMAND};

// Why there is no programmer: one line on standard error, so that the fixed lines on standard
// output stay as they are.
void ReportNoProgrammer(const TConnectFacts& facts) {
    const std::string line = DescribeConnectFailure(facts) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

// Without a chosen programmer, the one programmer the library reports is locked for this run,
// so that a window or a script that chose it by its serial number does not talk to it at the
// same time. With a chosen one the instance rule holds its lock already; with several or none
// connected the connection fails anyway, and a library that cannot list leaves nothing to lock.
// False when another process holds it (`facts` then says who).
bool LockTheOnlyProgrammer(std::optional<TProgrammerLock>& lock, TConnectFacts& facts) {
    if (!facts.chosen.empty())
        return true;
    facts.listing = ListProgrammers();
    const std::optional<std::string> key = ProgrammerToLock(facts.listing, facts.chosen);
    if (!key)
        return true;
    lock.emplace(*key);
    const auto wait =
        WaitSecondsFromEnvironment("ARDENTCMD_WAIT_S").value_or(std::chrono::seconds(0));
    if (lock->AcquireWithin(OwnProgramName("ArdentCmd"), wait))
        return true;
    facts.lockProblem = LockProblem(*lock);
    if (facts.lockProblem.empty())
        facts.holder = lock->Holder().value_or(TProgrammerHolder{});
    return false;
}

} // namespace

std::optional<TOperationInfo> FindOperation(uint16_t command) {
    if (FindSpecialCommand(command) != nullptr) {
        return kSpecialOperation;
    }
    for (const TOperationRow& row : kOperationTable) {
        if (row.command == command) {
            return row.info;
        }
    }
    return std::nullopt;
}

TCommandBurner::TCommandBurner(uint16_t command, std::string name,
                               std::vector<std::string> parameters, TConsole& console,
                               TRunResult& runResult, TRunReport& report, TProgress& progress)
    : TAbstractCommand(command, std::move(name)), fParameters(std::move(parameters)),
      fConsole(console), fRunResult(runResult), fReport(report), fProgress(progress) {}

int32_t TCommandBurner::Execute() {
    // The receive queue outlives the controller, whose destruction stops the callbacks that fill
    // it; the handlers and the operation thread end before either.
    TConnectFacts facts;
    facts.chosen = ChosenProgrammer();
    std::optional<TProgrammerLock> programmerLock;
    if (!LockTheOnlyProgrammer(programmerLock, facts)) {
        ReportNoProgrammer(facts);
        return ERROR_PROG_CONNECT;
    }
    TThreadSafeQueue<TPacketFormat> receiveQueue;
    const TWaitClock clock = CommandLineWaitClock();
    HIDCtrl controller(std::make_unique<TCommandLineHidVariant>(
        receiveQueue,
        [clock](std::chrono::milliseconds pause) {
            std::this_thread::sleep_for(clock.Wait(pause));
        },
        WaitSecondsFromEnvironment("ARDENT_CONNECT_WAIT_S")));
    controller.Connect();
    if (!controller.isConnected()) {
        // Looked at after the attempts: what is connected now is what the user must act on.
        facts.listing = ListProgrammers();
        ReportNoProgrammer(facts);
        return ERROR_PROG_CONNECT;
    }
    TCommandLineHandlers handlers(controller, receiveQueue, fRunResult, clock);
    CreateOperationThread(handlers.Handlers());
    // Only the commands that touch chips record; the store is opened when the first record
    // is due, so a run that records nothing never creates the database.
    const bool touchesChips = fCommand == CMD_EXECUTE || fCommand == CMD_READ_ID;
    const auto recorder = touchesChips ? records::TStationRecorder::FromEnvironment() : nullptr;
    TStdErrConsole warnings;
    TCommandRecords commandRecords(recorder.get(), warnings);
    if (operationThread) {
        operationThread->SetRecords(&commandRecords);
    }
    return RunAndWaitOperationThread();
}

bool TCommandBurner::CreateOperationThread(TOperationHandlers handlers) {
    const std::optional<TOperationInfo> operation = FindOperation(fCommand);
    if (!operation) {
        return false;
    }
    operationThread = std::make_unique<TOperationThread>(
        std::string(operation->threadName), operation->operation, handlers,
        TOperationInput{fCommand, fName, fParameters}, fConsole, fRunResult, fReport, fProgress);
    return true;
}

int32_t TCommandBurner::RunAndWaitOperationThread() {
    if (!operationThread) {
        return ERROR_UNEX_INPUT;
    }
    operationThread->Start();
    operationThread->WaitFor();
    const uint32_t result = operationThread->GetOperationResult();
    operationThread.reset();
    return static_cast<int32_t>(result);
}

} // namespace ardent
