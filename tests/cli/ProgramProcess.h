#pragma once
// Runs a built program as a child process for end-to-end tests: its exact standard output and
// standard error bytes and its exit status.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ardent::testing {

struct ProgramOutcome {
    std::string out;
    std::string err;
    int exitStatus = -1;   // -1 when the program did not end normally
    bool overTime = false; // it was still running at its time limit and was killed
};

// The simulated programmer's serial number when a test starts a single one of its own.
inline constexpr const char* kPrivateSimulatorSerial = "SIM00000001";

// What makes a test's ArdentCmd its own: it chooses its private simulator by serial number and
// keeps its programmer locks in `lockFolder`, so only a run for the same programmer in the same
// folder counts, never another ArdentCmd of the machine.
std::vector<std::string> PrivateProgrammerEnvironment(const std::string& lockFolder);

// A copy of `program` named `name` in `folder` (made when missing); its path. A run that must
// choose no programmer uses a copy under a name of its own: the machine-wide single-instance
// rule counts only processes of that name, never another ArdentCmd of the machine.
std::string PrivateCopy(const std::string& program, const std::filesystem::path& folder,
                        const std::string& name);

// Standard error of a run: nothing, except the one line that says why there is no programmer
// when the result is ERROR_PROG_CONNECT (-127), or who holds the chosen one (or why it cannot be
// locked) with -121. False, with a failure recorded, otherwise.
bool ExpectQuietStandardError(const std::string& err, int64_t result, const std::string& what);

// Runs `program` with `args` to its end; `environment` entries ("NAME=value") are added to ours
// (replacing ours and earlier ones of the same name; the programmer choice, lock folder and waits
// of ours are never passed on);
// `workingFolder`, when not empty, is the child's current folder. With a `limit`, a program
// still running then is killed, so a hang fails a test instead of stalling the run.
ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::vector<std::string>& environment = {},
                          const std::string& workingFolder = {},
                          std::chrono::milliseconds limit = std::chrono::milliseconds::zero());

// `program` with `args` (and `environment` added to ours) running in the background, output
// discarded, for as long as this object lives (also when a test fails or throws); then killed.
class BackgroundProgram {
public:
    BackgroundProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& environment = {});
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

private:
    pid_t fPid;
};

} // namespace ardent::testing

namespace ardent::testing {

// Runs `program` like RunProgram, but with its standard error on a pseudo-terminal in raw mode
// (so the bytes arrive as written); `err` holds what the terminal received.
ProgramOutcome RunProgramOnTerminal(const std::string& program,
                                    const std::vector<std::string>& args,
                                    const std::vector<std::string>& environment,
                                    std::chrono::milliseconds limit);

} // namespace ardent::testing
