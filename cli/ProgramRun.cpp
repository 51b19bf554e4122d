#include "ProgramRun.h"

#include "CommandExecutor.h"
#include "ErrorLine.h"
#include "Options.h"
#include "ResultCodes.h"
#include "RunResult.h"

#include <exception>

namespace ardent {

namespace {

// The top-level handler: one line, "<error type>: <message>". The run keeps the result it had
// when the error arose; a result of 0 becomes ERROR_UNHANDLED, so the caller never reads
// success from a run that broke off.
void ReportEscapedError(TConsole& console, TRunResult& runResult, const std::string& line) {
    runResult.SetIfNone(ERROR_UNHANDLED);
    console.WriteLine(line);
}

int32_t RunCommandLine(const std::vector<std::string>& arguments, TConsole& console,
                       TRunResult& runResult) {
    TOptions options(arguments, console);
    options.Parse();
    TCommandExecutor executor(options, console, runResult);
    const int32_t result = executor.Execute();
    runResult.Set(result);
    if (const auto message = ResultMessage(result)) {
        console.WriteLine(*message);
        console.WriteLine(kOperationFailed);
    }
    return result;
}

} // namespace

int32_t RunArdentCmd(const std::vector<std::string>& arguments, TConsole& console,
                     int runningInstances) {
    if (runningInstances >= 2) {
        console.WriteLine("Instance of this program is already running!");
        return ERROR_PROG_RUNNING;
    }
    TRunResult runResult;
    try {
        RunCommandLine(arguments, console, runResult);
    } catch (const std::exception& error) {
        ReportEscapedError(console, runResult, ErrorLine(error));
    } catch (...) {
        ReportEscapedError(console, runResult, UnknownErrorLine());
    }
    return runResult.Get();
}

} // namespace ardent
