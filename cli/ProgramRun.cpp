#include "ProgramRun.h"

#include "CommandExecutor.h"
#include "ExitCode.h"
#include "Options.h"
#include "ResultCodes.h"
#include "utils/Errors.h"

#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <memory>
#include <typeinfo>

namespace ardent {

namespace {

// The readable C++ name of an error's dynamic type ("std::bad_alloc").
std::string TypeNameOf(const std::exception& error) {
    const char* mangled = typeid(error).name();
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangled);
}

// The top-level handler: one line, "<error type>: <message>". The run keeps the result it had
// when the error arose; a result of 0 becomes ERROR_UNHANDLED, so the caller never reads
// success from a run that broke off.
void ReportEscapedError(TConsole& console, const std::string& typeName,
                        const std::string& message) {
    int32_t expected = 0;
    ProcessExitCode().compare_exchange_strong(expected, ERROR_UNHANDLED);
    console.WriteLine(typeName + ": " + message);
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
    } catch (const ArdentError& error) {
        ReportEscapedError(console, error.TypeName(), error.what());
    } catch (const std::exception& error) {
        ReportEscapedError(console, TypeNameOf(error), error.what());
    } catch (...) {
        ReportEscapedError(console, "UnknownError", "An error of unknown type ended the command.");
    }
    return ProcessExitCode();
}

} // namespace ardent
