// ArdentCmd: the console tool of line scripts. Reports through lines on standard output, its
// exit status and, when ARDENTCMD_RESULT_FILE names a file, the full 32-bit result in that file;
// when ARDENTCMD_REPORT_FILE names a file, a JSON report of the run goes there.

#include "InstanceGate.h"
#include "ProgramRun.h"
#include "ReportFile.h"
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
    // The report file is emptied the same way: a killed run leaves no earlier run's report.
    const char* reportFile = std::getenv("ARDENTCMD_REPORT_FILE");
    ardent::ClearResultFile(reportFile);

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

    ardent::TRunReport report;
    if (const char* programmer = std::getenv("ARDENT_PROGRAMMER")) {
        report.SetProgrammer(programmer);
    }
    const std::unique_ptr<ardent::TProgress> progress = ardent::StandardErrorProgress();
    ardent::TStdOutConsole console;
    const int32_t result =
        ardent::RunArdentCmd(arguments, console, gate.mayRun ? 1 : 2, report, *progress);
    ardent::WriteResultFile(resultFile, result);
    // A report that cannot be written changes neither the result nor standard output.
    if (std::string failure; !ardent::WriteReportFile(reportFile, report, result, failure)) {
        std::fprintf(stderr, "ArdentCmd: report file \"%s\" not written: %s\n", reportFile,
                     failure.c_str());
    }
    return ardent::ExitStatusFromResult(result);
}
