#pragma once
// The run of ArdentCmd from start to its result: the instance rule, the options, one command,
// the result's message lines, and the top-level handler for errors that escape the command.

#include "Console.h"
#include "Progress.h"
#include "RunReport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ardent {

// The executable file name the instance rule counts.
inline constexpr const char* kProgramName = "ArdentCmd";

// Runs one command line (`arguments`: the list after the program name) with its lines going to
// `console`, and returns the result.
// `runningInstances`: the number of running ArdentCmd processes that stand in this one's way,
// this one included (2 or more: refused with ERROR_PROG_RUNNING); main takes it from the
// instance gate.
int32_t RunArdentCmd(const std::vector<std::string>& arguments, TConsole& console,
                     int runningInstances);
// The same, gathering what the run printed and learnt into `report` and showing the progress of
// long operations on `progress`.
int32_t RunArdentCmd(const std::vector<std::string>& arguments, TConsole& console,
                     int runningInstances, TRunReport& report, TProgress& progress);

} // namespace ardent
