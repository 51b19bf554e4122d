#include "CommandBurner.h"

#include "CommandRecords.h"

#include "ResultCodes.h"
#include "protocol/CommandLineHidVariant.h"
#include "protocol/HIDCtrl.h"

#include <array>
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
                               TRunResult& runResult)
    : TAbstractCommand(command, std::move(name)), fParameters(std::move(parameters)),
      fConsole(console), fRunResult(runResult) {}

int32_t TCommandBurner::Execute() {
    // The receive queue outlives the controller, whose destruction stops the callbacks that fill
    // it; the handlers and the operation thread end before either.
    TThreadSafeQueue<TPacketFormat> receiveQueue;
    const TWaitClock clock = CommandLineWaitClock();
    HIDCtrl controller(std::make_unique<TCommandLineHidVariant>(
        receiveQueue, [clock](std::chrono::milliseconds pause) {
            std::this_thread::sleep_for(clock.Wait(pause));
        }));
    controller.Connect();
    if (!controller.isConnected()) {
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
        TOperationInput{fCommand, fName, fParameters}, fConsole, fRunResult);
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
