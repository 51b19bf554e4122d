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
void ReportEscapedError(TConsole& console, TRunResult& runResult, TRunReport& report,
                        const std::string& line) {
    runResult.SetIfNone(ERROR_UNHANDLED);
    console.WriteLine(line);
    report.SetMessage(line);
}

TCommandFacts CommandFacts(const TOptions& options) {
    TCommandFacts facts;
    if (std::string option = options.commandOption(); !option.empty()) {
        facts.option = std::move(option);
        if (std::string value = options.commandValue(); !value.empty())
            facts.value = std::move(value);
    }
    facts.type = options.commandType();
    facts.code = options.command();
    facts.items = options.parameters();
    facts.named = options.givenNamedOptions();
    return facts;
}

int32_t RunCommandLine(const std::vector<std::string>& arguments, TConsole& console,
                       TRunResult& runResult, TRunReport& report, TProgress& progress) {
    TOptions options(arguments, console);
    try {
        options.Parse();
    } catch (...) {
        report.SetCommand(CommandFacts(options));
        throw;
    }
    report.SetCommand(CommandFacts(options));
    TCommandExecutor executor(options, console, runResult, report, progress);
    const int32_t result = executor.Execute();
    runResult.Set(result);
    if (const auto message = ResultMessage(result)) {
        console.WriteLine(*message);
        console.WriteLine(kOperationFailed);
        report.SetMessage(std::string(*message));
    }
    return result;
}

} // namespace

int32_t RunArdentCmd(const std::vector<std::string>& arguments, TConsole& console,
                     int runningInstances) {
    TRunReport report;
    TNoProgress progress;
    return RunArdentCmd(arguments, console, runningInstances, report, progress);
}

int32_t RunArdentCmd(const std::vector<std::string>& arguments, TConsole& outputConsole,
                     int runningInstances, TRunReport& report, TProgress& progress) {
    report.SetArguments(arguments);
    TReportedConsole console(outputConsole, report);
    if (runningInstances >= 2) {
        static constexpr const char* kRefused = "Instance of this program is already running!";
        console.WriteLine(kRefused);
        report.SetMessage(kRefused);
        return ERROR_PROG_RUNNING;
    }
    TRunResult runResult;
    try {
        RunCommandLine(arguments, console, runResult, report, progress);
    } catch (const std::exception& error) {
        ReportEscapedError(console, runResult, report, ErrorLine(error));
    } catch (...) {
        ReportEscapedError(console, runResult, report, UnknownErrorLine());
    }
    return runResult.Get();
}

} // namespace ardent
