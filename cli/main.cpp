// ArdentCmd: the console tool of line scripts. Reports through lines on standard output, its
// exit status and, when ARDENTCMD_RESULT_FILE names a file, the full 32-bit result in that file.

#include "InstanceGate.h"
#include "ProgramRun.h"
#include "ResultCodes.h"
#include "protocol/ProgrammerListing.h"
#include "utils/WaitSeconds.h"

#include <csignal>
#include <cstdio>
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

    // The rule counts copies of this very program: a copy under another name (a test's private
    // one) is apart from the ArdentCmd of the line.
    const std::string programName = ardent::OwnProgramName(ardent::kProgramName);
    const ardent::TInstanceGate gate = ardent::EnterInstanceGate(
        programName, ardent::ChosenProgrammer(),
        ardent::WaitSecondsFromEnvironment("ARDENTCMD_WAIT_S").value_or(std::chrono::seconds(0)));
    if (!gate.mayRun && gate.holder) {
        std::fprintf(stderr, "Programmer %s is held by another process: %s\n",
                     ardent::ChosenProgrammer().c_str(),
                     ardent::DescribeHolder(*gate.holder).c_str());
    } else if (!gate.mayRun && !gate.lockProblem.empty()) {
        std::fprintf(stderr, "%s\n", gate.lockProblem.c_str());
    }

    ardent::TStdOutConsole console;
    const int32_t result = ardent::RunArdentCmd(arguments, console, gate.mayRun ? 1 : 2);
    ardent::WriteResultFile(resultFile, result);
    return ardent::ExitStatusFromResult(result);
}
