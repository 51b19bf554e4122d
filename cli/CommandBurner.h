#pragma once
// A programmer command: connects to the programmer and runs one operation on an operation
// thread, which the main thread waits for.

#include "AbstractCommand.h"
#include "CommandLineHandlers.h"
#include "Console.h"
#include "OperationThread.h"
#include "Options.h"
#include "RunResult.h"

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace ardent {

// The operation a programmer command runs: the operation thread's name and operation number.
struct TOperationInfo {
    std::string_view threadName;
    int operation;
};

// The operation of command code `command`; nothing when the code has none.
std::optional<TOperationInfo> FindOperation(uint16_t command);

class TCommandBurner : public TAbstractCommand {
public:
    // `parameters`: the option's items; the operation's lines go to `console`, the reason a
    // wait got no answer to `runResult`, what it learns to `report`, the progress of a long
    // operation to `progress`.
    TCommandBurner(uint16_t command, std::string name, std::vector<std::string> parameters,
                   TConsole& console, TRunResult& runResult, TRunReport& report,
                   TProgress& progress);

    int32_t Execute() override;
    // Creates the operation thread of the command code over `handlers`; false, creating nothing,
    // when the code has no operation.
    bool CreateOperationThread(TOperationHandlers handlers);
    // Runs the selected operation to its end and gives its result; ERROR_UNEX_INPUT when no
    // operation was selected.
    int32_t RunAndWaitOperationThread();

private:
    std::vector<std::string> fParameters;
    TConsole& fConsole;
    TRunResult& fRunResult;
    TRunReport& fReport;
    TProgress& fProgress;
    std::unique_ptr<TOperationThread> operationThread;
};

} // namespace ardent
