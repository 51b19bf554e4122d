// ArdentCmd against a real programmer on this PC, chosen by its serial number with
// ARDENT_TEST_PROGRAMMER=<serial> (ardent-programmers lists them). Without it every test skips
// and says why. A burn runs only with ARDENT_TEST_BURN=1 as well, on chips that may be spent.
// The configuration the programmer holds is backed up first and stored back at the end.

#include "ProgramProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;

const std::string kArdentCmd = std::string(ARDENT_BIN_DIR) + "/ArdentCmd";
const std::string kSuccess = "Operation completed successfully.\r\n";
// A real programmer answers well within this; only a hang reaches it.
constexpr std::chrono::seconds kRunLimit{120};

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class RealProgrammer : public ::testing::Test {
protected:
    void SetUp() override {
        const char* serial = std::getenv("ARDENT_TEST_PROGRAMMER");
        if (serial == nullptr || *serial == '\0')
            GTEST_SKIP() << "no real programmer: set ARDENT_TEST_PROGRAMMER=<serial number> (see "
                            "ardent-programmers) to run these tests against one";
        fSerial = serial;
        folder = fs::temp_directory_path() / ("ardent-real-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override {
        if (!folder.empty())
            fs::remove_all(folder);
    }

    struct Outcome {
        std::string out;
        int64_t result = 0;
    };

    // Runs ArdentCmd for the chosen programmer with the transport library of the build; the
    // programmer's owner lock is the line PC's own, so a window holding it refuses the run.
    Outcome Run(const std::vector<std::string>& args) {
        const fs::path resultFile = folder / "result";
        fs::remove(resultFile);
        const auto run = testing::RunProgram(
            kArdentCmd, args,
            {"ARDENT_PROGRAMMER=" + fSerial, "ARDENTCMD_RESULT_FILE=" + resultFile.string()}, {},
            kRunLimit);
        EXPECT_FALSE(run.overTime) << args[0] << " did not end";
        Outcome outcome{run.out, -1};
        const std::string result = ReadBytes(resultFile);
        if (!result.empty())
            outcome.result = std::stoll(result);
        testing::ExpectQuietStandardError(run.err, outcome.result, args[0]);
        return outcome;
    }

    std::string fSerial;
    fs::path folder;
};

TEST_F(RealProgrammer, FirmwareVersion) {
    const Outcome outcome = Run({"-getFwVer"});
    EXPECT_EQ(outcome.result, 0) << outcome.out;
    EXPECT_TRUE(outcome.out.starts_with("Firmware version is ")) << outcome.out;
}

TEST_F(RealProgrammer, ConfigurationInfo) {
    const Outcome name = Run({"-getName"});
    EXPECT_EQ(name.result, 0) << name.out;
    EXPECT_TRUE(name.out.ends_with(kSuccess)) << name.out;
    const Outcome crc = Run({"-getCrc"});
    EXPECT_TRUE(crc.out.starts_with("CRC = ")) << crc.out;
    // The CRC is the upper half of the result; the lower half is 0.
    EXPECT_EQ(crc.result & 0xFFFF, 0) << crc.out;
}

// A small configuration stored and read back byte for byte; what the programmer held before is
// stored back afterwards (also when a check failed).
TEST_F(RealProgrammer, StoreAndBackupRoundTripOfASmallConfiguration) {
    const fs::path original = folder / "original.cfg";
    const bool hadConfiguration = Run({"-backup", original.string()}).result == 0;
    const fs::path small = fs::path(ARDENT_TEST_DATA_DIR) / "cfg" / "current.cfg";
    const fs::path readBack = folder / "read-back.cfg";
    const Outcome stored = Run({"-store", small.string()});
    EXPECT_EQ(stored.out, kSuccess);
    EXPECT_EQ(stored.result, 0);
    const Outcome backedUp = Run({"-backup", readBack.string()});
    EXPECT_EQ(backedUp.result, 0) << backedUp.out;
    EXPECT_EQ(ReadBytes(readBack), ReadBytes(small)) << "the backup differs from what was stored";
    if (hadConfiguration) {
        const Outcome restored = Run({"-store", original.string()});
        EXPECT_EQ(restored.result, 0) << "the programmer's configuration was not stored back; "
                                         "it is in "
                                      << original;
        if (restored.result != 0)
            folder.clear(); // keep the file for the operator
    }
}

TEST_F(RealProgrammer, BurnOnlyWhenAskedFor) {
    const char* burn = std::getenv("ARDENT_TEST_BURN");
    if (burn == nullptr || std::string(burn) != "1")
        GTEST_SKIP() << "a burn spends chips: set ARDENT_TEST_BURN=1 as well to run it";
    const Outcome outcome = Run({"-execute"});
    // Whatever the chips answer, the programmer must have run the burn and said so.
    EXPECT_NE(outcome.result, -127) << outcome.out;
    EXPECT_NE(outcome.result, -124) << outcome.out;
    EXPECT_NE(outcome.result, -123) << outcome.out;
    EXPECT_NE(outcome.out.find("channel"), std::string::npos) << outcome.out;
}

} // namespace
} // namespace ardent
