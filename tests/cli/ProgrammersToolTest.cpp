// ardent-programmers as a line engineer runs it: the table of serial numbers, paths, access and
// holders, and the plain sentence when the library cannot list.

#include "ProgramProcess.h"
#include "protocol/ProgrammerLock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;

const std::string kTool = std::string(ARDENT_BIN_DIR) + "/ardent-programmers";

class ProgrammersTool : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("ardent-programmers-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    testing::ProgramOutcome Run(const std::string& library, const std::string& programmers,
                                const std::vector<std::string>& args = {}) {
        return testing::RunProgram(kTool, args,
                                   {"ARDENT_PORTBRIDGE=" + library,
                                    "ARDENT_TEST_PROGRAMMERS=" + programmers,
                                    "ARDENT_LOCK_DIR=" + folder.string()});
    }

    fs::path folder;
};

TEST_F(ProgrammersTool, ListsEachProgrammerWithAccessAndHolder) {
    TProgrammerLock window("ORV0002", folder.string());
    ASSERT_TRUE(window.TryAcquire("Ardent"));
    const auto outcome = Run(ARDENT_TEST_LISTING_LIBRARY,
                             "ORV0001|/dev/hidraw3|1;ORV0002|/dev/hidraw12|1;|/dev/hidraw5|0");
    const std::string pid = std::to_string(::getpid());
    EXPECT_EQ(outcome.out, "SERIAL   PATH           MAY OPEN  HOLDER\n"
                           "ORV0001  /dev/hidraw3   yes       none\n"
                           "ORV0002  /dev/hidraw12  yes       pid " +
                               pid +
                               " (Ardent)\n"
                               "-        /dev/hidraw5   no        none\n");
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_EQ(outcome.err, "");
}

TEST_F(ProgrammersTool, SaysPlainlyWhatItCannotTell) {
    struct Case {
        std::string library;
        std::string programmers;
        std::string out;
        int exitStatus;
    };
    const std::string full = ARDENT_TEST_FULL_LIBRARY;
    const std::string listing = ARDENT_TEST_LISTING_LIBRARY;
    const Case cases[] = {
        {listing, "", "No programmer is connected.\n", 0},
        {full, "", "Listing programmers is not supported by the transport library " + full + ".\n",
         1},
        {listing, "fail", "The transport library " + listing + " could not look for programmers.\n",
         1},
    };
    for (const Case& c : cases) {
        const auto outcome = Run(c.library, c.programmers);
        EXPECT_EQ(outcome.out, c.out) << c.library;
        EXPECT_EQ(outcome.exitStatus, c.exitStatus) << c.library;
    }
    const auto help = Run(listing, "", {"--help"});
    EXPECT_TRUE(help.out.starts_with("Usage: ardent-programmers\n")) << help.out;
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(Run(listing, "", {"--bogus"}).exitStatus, 2);
}

} // namespace
} // namespace ardent
