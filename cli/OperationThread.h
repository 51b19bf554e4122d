#pragma once
// TOperationThread: runs the one programmer operation of an ArdentCmd run on a thread of its own
// - set baud rate, firmware version, CRC, name, trigger behaviour, store, backup, read IDs,
// burn, service command, active channel, detect IDs - prints its lines and leaves a 32-bit
// result that becomes the run's result.

#include "CommandLineHandlers.h"
#include "CommandRecords.h"
#include "Console.h"
#include "Progress.h"
#include "RunReport.h"
#include "RunResult.h"
#include "TargetReport.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace ardent {

// What an operation reads from the command line.
struct TOperationInput {
    uint16_t command = 0;                // the command code (selects the service command)
    std::string cfgName;                 // -store and -backup
    std::vector<std::string> parameters; // the option's comma-separated items
};

class TOperationThread {
public:
    // Operation numbers.
    enum : int {
        OP_SET_BAUD_RATE = 0,
        OP_GET_FIRMWARE_VERSION = 1,
        OP_GET_CRC = 2,
        OP_GET_NAME = 3,
        OP_TRIGGER_BEHAVIOR = 4,
        OP_STORE_CONFIGURATION = 5,
        OP_READ_CONFIGURATION = 6,
        OP_READ_ID = 7,
        OP_TRIGGER = 8,
        OP_SPECIAL_COMMAND = 9,
        OP_SET_CHANNEL = 10,
        OP_DETECT_ID = 11,
    };
    // The result an operation starts with; left when it fails without a code of its own.
    static constexpr uint32_t kNoResult = 255;

    // Creates the thread suspended; `operation` selects the procedure (an unknown number runs
    // nothing and leaves kNoResult).
    // `runResult` holds the reason a failed wait left (read, never written, here); what the
    // operation learns goes into `report`, the progress of a transfer or burn to `progress`.
    TOperationThread(std::string name, int operation, TOperationHandlers handlers,
                     TOperationInput input, TConsole& console, const TRunResult& runResult,
                     TRunReport& report, TProgress& progress);
    // Waits for a started thread.
    ~TOperationThread();
    TOperationThread(const TOperationThread&) = delete;
    TOperationThread& operator=(const TOperationThread&) = delete;

    // Where burns and ID reads are recorded; none by default.
    void SetRecords(TCommandRecords* records) { fRecords = records; }
    void Start();
    // Blocks until the operation has ended (without a limit: every wait inside has its own).
    void WaitFor();
    uint32_t GetOperationResult() const { return operationResult.load(); }
    const std::string& Name() const { return name; }

    // The thread body: result kNoResult, then the procedure. An error raised inside ends the
    // operation with the result it had then and one line, "<error type>: <message>".
    void Execute();

private:
    using TProcedure = void (TOperationThread::*)();

    void DoSetBaudRate();
    void DoGetFirmwareVersion();
    void DoGetCrc();
    void DoGetName();
    void DoTriggerBehavior();
    void DoStoreConfiguration();
    void DoReadConfiguration();
    void DoReadID();
    void DoTrigger();
    void DoSpecialCommand();
    void DoSetChannel();
    void DoDetectID();

    void ReportResult(bool ok);
    // The line of an error that ended the operation, which is also the run's message line.
    void ReportError(const std::string& line);
    void SetResult(int32_t result) { operationResult = static_cast<uint32_t>(result); }
    // The result of an operation whose request failed: the reason the failed wait left in the
    // run's result, or kNoResult when there is none (the programmer answered with a refusal) -
    // never 0, so a script cannot read success.
    uint32_t FailureResult() const;
    // Item `index` of the parameters; IndexOutOfRangeError when the list does not have it.
    const std::string& Item(size_t index) const;

    std::string name;
    TProcedure execFunction = nullptr;
    std::atomic<uint32_t> operationResult{kNoResult};
    TOperationHandlers fHandlers;
    TOperationInput fInput;
    TConsole& fConsole;
    TTargetReport fReport;
    const TRunResult& fRunResult;
    TRunReport& fRunReport;
    TProgress& fProgress;
    TCommandRecords* fRecords = nullptr;
    std::thread fThread;
};

} // namespace ardent
