#pragma once
// Turns the parsed command line into one command object and runs it.

#include "AbstractCommand.h"
#include "Console.h"
#include "Options.h"
#include "Progress.h"
#include "RunReport.h"
#include "RunResult.h"

#include <memory>

namespace ardent {

class TCommandExecutor {
public:
    // Creates the command the options selected; `options`, `console` (where the commands'
    // lines go) and `runResult` (where a programmer command's waits leave their reason) must
    // outlive the executor, as do `report` (what the command learns) and `progress`.
    TCommandExecutor(const TOptions& options, TConsole& console, TRunResult& runResult,
                     TRunReport& report, TProgress& progress);

    // The command's result, or the result of the creation when there is no command (0 after
    // the usage text or the version, ERROR_UNEX_INPUT for a rejected command line).
    int32_t Execute();

private:
    int32_t CreateCommand(uint8_t commandType, uint16_t command, const std::string& name);

    const TOptions& fOptions;
    TConsole& fConsole;
    TRunResult& fRunResult;
    TRunReport& fReport;
    TProgress& fProgress;
    std::unique_ptr<TAbstractCommand> fCommand;
    int32_t commandCreateStatus = 0;
};

} // namespace ardent
