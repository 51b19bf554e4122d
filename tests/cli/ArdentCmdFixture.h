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

    std::filesystem::path folder;
    std::filesystem::path resultFile;
    // Added to the environment of every run. Without a programmer, connecting only pauses
    // between its attempts, so the waits are shortened; a test with a programmer replaces this.
    std::vector<std::string> environment = {"ARDENT_TIMEOUT_SCALE=0.001"};
};

} // namespace ardent::testing
