#include "ArdentCmdFixture.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace ardent::testing {

namespace fs = std::filesystem;

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
    std::vector<std::string> runEnvironment = {"ARDENTCMD_RESULT_FILE=" + resultFile.string()};
    if (ownProgrammer) {
        const auto own = PrivateProgrammerEnvironment(folder.parent_path().string());
        runEnvironment.insert(runEnvironment.end(), own.begin(), own.end());
    }
    runEnvironment.insert(runEnvironment.end(), environment.begin(), environment.end());
    ProgramOutcome outcome = RunProgram(program, args, runEnvironment, folder);
    // Nothing else goes to standard error (a sanitizer's report would, too).
    const std::string result = Result();
    ExpectQuietStandardError(outcome.err, result.empty() ? 0 : std::stoll(result),
                             args.empty() ? "(no arguments)" : args.front());
    return outcome;
}

fs::path ArdentCmdFixture::Data(const std::string& relative) {
    return fs::path(ARDENT_TEST_DATA_DIR) / relative;
}

void ArdentCmdFixture::UsePrivateCopy(const std::string& name) {
    program = PrivateCopy(program, folder.parent_path() / "bin", name);
    ownProgrammer = false;
}

fs::path ArdentCmdFixture::CopyData(const std::string& relative, const std::string& name) {
    const fs::path copy = folder / name;
    fs::copy_file(Data(relative), copy, fs::copy_options::overwrite_existing);
    fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);
    return copy;
}

} // namespace ardent::testing
