#pragma once
// Runs the built ArdentCmd in a temporary folder of its own: exact output bytes, exit status and
// the result file of each run.

#include "ProgramProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace ardent::testing {

std::string ReadFile(const std::filesystem::path& path);

class ArdentCmdFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs ArdentCmd with `args` in `folder`; the result file is removed before. Expects
    // nothing on standard error.
    ProgramOutcome Run(const std::vector<std::string>& args);
    // The result file of the last run ("" when none was written).
    std::string Result() const { return ReadFile(resultFile); }
    // A copy of a file of tests/data (`relative`, such as "cfg/current.cfg") in `folder`.
    std::filesystem::path CopyData(const std::string& relative, const std::string& name);

    static std::filesystem::path Data(const std::string& relative);
    // Makes `program` a copy of ArdentCmd named `name` in a private folder and turns
    // ownProgrammer off: the machine-wide rule of that copy counts only processes of that name.
    void UsePrivateCopy(const std::string& name);

    std::filesystem::path folder;
    std::filesystem::path resultFile;
    // Added to the environment of every run. Without a programmer, connecting only pauses
    // between its attempts, so the waits are shortened (the scale for the simulated transport,
    // one attempt for any other); a test with a programmer replaces this.
    std::vector<std::string> environment = {"ARDENT_TIMEOUT_SCALE=0.001",
                                            "ARDENT_CONNECT_WAIT_S=0"};
    // The program run: the built ArdentCmd, or a test's copy of it.
    std::string program = std::string(ARDENT_BIN_DIR) + "/ArdentCmd";
    // With PrivateProgrammerEnvironment (locks beside `folder`); a test of the machine-wide
    // rule turns it off and runs a copy under a name of its own instead.
    bool ownProgrammer = true;
};

} // namespace ardent::testing
