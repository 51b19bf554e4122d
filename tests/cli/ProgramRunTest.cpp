#include "ProgramRun.h"
#include "Options.h"
#include "ResultCodes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace ardent {
namespace {

struct RunCase {
    std::vector<std::string> args;
    std::string output;
    int32_t result;
};

const std::string kUnexpectedInput =
    "Operation completed with: ERROR_UNEX_INPUT\r\nOperation failed.\r\n";

TEST(RunArdentCmd, OutputAndResultOfWholeCommandLines) {
    // No programmer is attached: its connection attempts need not pause at full length.
    ::setenv("ARDENT_TIMEOUT_SCALE", "0.001", 1);
    const RunCase cases[] = {
        {{}, kUnexpectedInput, ERROR_UNEX_INPUT},
        {{"--help"}, kUnexpectedInput, ERROR_UNEX_INPUT},
        {{"-execute", "-getName"}, kUnexpectedInput, ERROR_UNEX_INPUT},
        {{"-getInfo", "DP2B"}, kUnexpectedInput, ERROR_UNEX_INPUT},
        {{"-store", "config.CFG"}, kUnexpectedInput, ERROR_UNEX_INPUT},
        {{"-h"}, TOptions::UsageText() + "Operation completed successfully.\r\n", 0},
        {{"-getName"},
         "Operation completed with: ERROR_PROG_CONNECT\r\nOperation failed.\r\n",
         ERROR_PROG_CONNECT},
        {{"-fileGetInfo"},
         "IndexOutOfRangeError: List index out of bounds (0)\r\n",
         ERROR_UNHANDLED},
        {{"-fileUpdateChannel", ""},
         "IndexOutOfRangeError: List index out of bounds (0)\r\n",
         ERROR_UNHANDLED},
    };
    for (const RunCase& c : cases) {
        TStringConsole console;
        const int32_t result = RunArdentCmd(c.args, console, 1);
        std::string line;
        for (const auto& a : c.args) {
            line += a + " ";
        }
        EXPECT_EQ(console.Text(), c.output) << line;
        EXPECT_EQ(result, c.result) << line;
    }
}

TEST(RunArdentCmd, SecondInstanceRefusesBeforeParsing) {
    TStringConsole console;
    EXPECT_EQ(RunArdentCmd({"-h"}, console, 2), ERROR_PROG_RUNNING);
    EXPECT_EQ(console.Text(), "Instance of this program is already running!\r\n");
}

TEST(RunArdentCmd, NoProcessListMeansNoOtherInstance) {
    TStringConsole console;
    EXPECT_EQ(RunArdentCmd({"-cmdVer"}, console, 0), 0);
}

} // namespace
} // namespace ardent
