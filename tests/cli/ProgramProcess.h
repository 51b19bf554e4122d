#pragma once
// Runs a built program as a child process for end-to-end tests: its exact standard output and
// standard error bytes and its exit status.

#include <chrono>
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

// Runs `program` with `args` to its end; `environment` entries ("NAME=value") are added to ours;
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
