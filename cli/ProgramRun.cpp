#include "ProgramRun.h"

#include "CommandExecutor.h"
#include "ErrorLine.h"
#include "ExitCode.h"
#include "Options.h"
#include "ResultCodes.h"

#include <exception>

namespace ardent {

namespace {

// The top-level handler: one line, "<error type>: <message>". The run keeps the result it had
// when the error arose; a result of 0 becomes ERROR_UNHANDLED, so the caller never reads
// success from a run that broke off.
void ReportEscapedError(TConsole& console, const std::string& line) {
    int32_t expected = 0;
    ProcessExitCode().compare_exchange_strong(expected, ERROR_UNHANDLED);
    console.WriteLine(line);
}

int32_t RunCommandLine(const std::vector<std::string>& arguments, TConsole& console) {
    TOptions options(arguments, console);
    options.Parse();
    TCommandExecutor executor(options, console);
    const int32_t result = executor.Execute();
    ProcessExitCode() = result;
    if (const auto message = ResultMessage(result)) {
        console.WriteLine(*message);
        console.WriteLine(kOperationFailed);
    }
    return result;
}

} // namespace

int32_t RunArdentCmd(const std::vector<std::string>& arguments, TConsole& console,
                     int runningInstances) {
    ProcessExitCode() = 0;
    if (runningInstances >= 2) {
        console.WriteLine("Instance of this program is already running!");
        ProcessExitCode() = ERROR_PROG_RUNNING;
        return ERROR_PROG_RUNNING;
    }
    try {
        RunCommandLine(arguments, console);
    } catch (const std::exception& error) {
        ReportEscapedError(console, ErrorLine(error));
    } catch (...) {
        ReportEscapedError(console, UnknownErrorLine());
    }
    return ProcessExitCode();
}

} // namespace ardent
