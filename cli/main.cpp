// ArdentCmd: the console tool of line scripts. Reports through lines on standard output, its
// exit status and, when ARDENTCMD_RESULT_FILE names a file, the full 32-bit result in that file.

#include "ProgramRun.h"
#include "ResultCodes.h"
#include "RunningInstances.h"

#include <csignal>
#include <cstdlib>

int main(int argc, char** argv) {
    // A caller that stops reading our output must not kill the run before its result is out.
    std::signal(SIGPIPE, SIG_IGN);

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    // The previous run's value must not outlive this run's start: a run that is killed leaves
    // an empty file.
    const char* resultFile = std::getenv("ARDENTCMD_RESULT_FILE");
    ardent::ClearResultFile(resultFile);

    ardent::TStdOutConsole console;
    const int32_t result = ardent::RunArdentCmd(
        arguments, console, ardent::CountRunningInstances(ardent::kProgramName));
    ardent::WriteResultFile(resultFile, result);
    return ardent::ExitStatusFromResult(result);
}
