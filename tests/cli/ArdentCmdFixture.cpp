#include "ArdentCmdFixture.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace ardent::testing {

namespace fs = std::filesystem;

namespace {
const std::string kArdentCmd = std::string(ARDENT_BIN_DIR) + "/ArdentCmd";
// Connecting to a programmer that is not there pauses between attempts; the tests shorten that.
const std::string kShortWaits = "ARDENT_TIMEOUT_SCALE=0.001";
} // namespace

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void ArdentCmdFixture::SetUp() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = fs::temp_directory_path() /
             ("ardent-cmd-" + std::to_string(::getpid()) + "-" + test->name());
    fs::remove_all(folder);
    fs::create_directories(folder / "work");
    resultFile = folder / "result";
    folder /= "work";
}

void ArdentCmdFixture::TearDown() {
    fs::remove_all(folder.parent_path());
}

ProgramOutcome ArdentCmdFixture::Run(const std::vector<std::string>& args) {
    fs::remove(resultFile);
    ProgramOutcome outcome = RunProgram(
        kArdentCmd, args, {"ARDENTCMD_RESULT_FILE=" + resultFile.string(), kShortWaits}, folder);
    // Nothing ever goes to standard error (a sanitizer's report would, too).
    EXPECT_EQ(outcome.err, "") << (args.empty() ? "(no arguments)" : args.front());
    return outcome;
}

fs::path ArdentCmdFixture::Data(const std::string& relative) {
    return fs::path(ARDENT_TEST_DATA_DIR) / relative;
}

fs::path ArdentCmdFixture::CopyData(const std::string& relative, const std::string& name) {
    const fs::path copy = folder / name;
    fs::copy_file(Data(relative), copy, fs::copy_options::overwrite_existing);
    fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);
    return copy;
}

} // namespace ardent::testing
