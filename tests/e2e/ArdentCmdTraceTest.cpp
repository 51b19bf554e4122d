// ARDENT_TRACE through the built ArdentCmd: the trace a user sends along with a fault report,
// for a run that finds no transport library, one that finds no programmer, and a store against
// the simulated programmer; and a trace file that cannot be opened changes nothing but one line
// on standard error.

#include "ProgramProcess.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <unistd.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;

const std::string kArdentCmd = std::string(ARDENT_BIN_DIR) + "/ArdentCmd";
const std::string kSimTransport = std::string(ARDENT_BIN_DIR) + "/libportbridge-sim.so";
constexpr std::chrono::seconds kRunLimit{30};
const std::string kConnectFailure =
    "Operation completed with: ERROR_PROG_CONNECT\r\nOperation failed.\r\n";

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The trace's texts without their timestamps; a line that is not "<s>.<us> <text>" fails.
std::vector<std::string> TraceTexts(const fs::path& trace) {
    static const std::regex line(R"(^[0-9]+\.[0-9]{6} (.*)$)");
    std::vector<std::string> texts;
    std::istringstream in(ReadText(trace));
    for (std::string text; std::getline(in, text);) {
        std::smatch match;
        EXPECT_TRUE(std::regex_match(text, match, line)) << text;
        texts.push_back(match.size() > 1 ? match[1].str() : text);
    }
    return texts;
}

std::string Hex(const uint8_t* data, size_t count) {
    std::string text;
    char pair[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, i == 0 ? "%02x" : " %02x", data[i]);
        text += pair;
    }
    return text;
}

class ArdentCmdTrace : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Ready());
        folder = fs::temp_directory_path() / ("ardent-e2e-trace-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        trace = folder / "trace.txt";
    }
    void TearDown() override { fs::remove_all(folder); }

    // Runs `program` against the simulator, chosen by serial number with the programmer locks
    // in the test's folder, so no other ArdentCmd of the machine stands in the way; a private
    // copy of ArdentCmd (its own name) chooses none.
    testing::ProgramOutcome Run(const std::vector<std::string>& args,
                                const std::string& program = kArdentCmd,
                                const std::string& transport = kSimTransport,
                                const std::string& timeoutScale = {}) {
        std::vector<std::string> environment = {
            "ARDENT_PORTBRIDGE=" + transport, "ARDENT_SIM_SOCKET=" + sim.Socket(),
            "ARDENT_TIMEOUT_SCALE=" + timeoutScale, "ARDENT_TRACE=" + trace.string()};
        if (program == kArdentCmd) {
            const auto own = testing::PrivateProgrammerEnvironment(folder.string());
            environment.insert(environment.end(), own.begin(), own.end());
        }
        return testing::RunProgram(program, args, environment, {}, kRunLimit);
    }

    simtest::TSimDaemon sim;
    fs::path folder;
    fs::path trace;
};

TEST_F(ArdentCmdTrace, NoTransportLibraryNamesEachCandidateAndWhy) {
    // A copy of the tool in a folder of its own, so no library lies beside it; under a name of
    // its own, so with no programmer chosen no other ArdentCmd of the machine counts.
    const fs::path bin = folder / "bin";
    const std::string name = "ArdentCmdTrace" + std::to_string(::getpid());
    const std::string copy = testing::PrivateCopy(kArdentCmd, bin, name);
    const std::string named = (folder / "libportbridge-sim.so").string();
    const testing::ProgramOutcome run = Run({"-getName"}, copy, named);
    EXPECT_EQ(run.out, kConnectFailure);
    EXPECT_EQ(run.exitStatus, 256 - 127);

    const std::vector<std::string> texts = TraceTexts(trace);
    ASSERT_FALSE(texts.empty());
    EXPECT_TRUE(texts[0].starts_with("trace of " + name + ", process ")) << texts[0];
    auto notLoaded = [](const std::string& path) {
        return "library " + path + " not loaded: " + path +
               ": cannot open shared object file: No such file or directory";
    };
    const std::string binFolder = fs::canonical(bin).string() + "/";
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 1, texts.end()),
              (std::vector<std::string>{
                  notLoaded(named),
                  notLoaded(binFolder + "libportbridge.so"),
                  notLoaded(binFolder + "../" ARDENT_INSTALL_LIBDIR "/ardent/libportbridge.so"),
                  notLoaded("libportbridge.so"),
                  "no transport library loaded",
                  "connect: no transport library",
              }));
}

TEST_F(ArdentCmdTrace, NoProgrammerShowsEveryConnectAttempt) {
    ASSERT_TRUE(sim.Control("unplug").starts_with("ok"));
    // The pauses between attempts shortened, not left out.
    const testing::ProgramOutcome run = Run({"-getName"}, kArdentCmd, kSimTransport, "0.001");
    EXPECT_EQ(run.out, kConnectFailure);

    const std::vector<std::string> texts = TraceTexts(trace);
    std::vector<std::string> expected = {"library " + kSimTransport + " loaded"};
    for (int attempt = 1; attempt <= 10; ++attempt)
        expected.push_back("connect attempt " + std::to_string(attempt) +
                           " of 10: OpenDevice answered 1");
    expected.push_back("connect: not connected");
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 1, texts.end()), expected);
}

TEST_F(ArdentCmdTrace, StoreShowsTheImageGoingOutAndEveryReplyComingBack) {
    const Bytes image = simtest::MakeImage(130, "Traced line", 2, 0x0F);
    const uint16_t crc = simtest::ImageCrc(image);
    const fs::path cfg = folder / "line.cfg";
    std::ofstream(cfg, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    const testing::ProgramOutcome run = Run({"-store", cfg.string()});
    ASSERT_EQ(run.out, "Operation completed successfully.\r\n");
    EXPECT_EQ(run.err, "");

    const std::vector<std::string> texts = TraceTexts(trace);
    // In this order; the library may report the connection from inside OpenDevice.
    auto next = texts.begin();
    for (const std::string& step :
         {"library " + kSimTransport + " loaded", std::string("device connected"),
          std::string("connect attempt 1 of 10: OpenDevice answered 0"),
          std::string("connect: connected")}) {
        const auto found = std::find(next, texts.end(), step);
        ASSERT_NE(found, texts.end()) << "missing in order: " << step;
        next = found + 1;
    }

    std::vector<std::string> sends;
    size_t receives = 0;
    for (const std::string& text : texts) {
        if (text.starts_with("send 64: "))
            sends.push_back(text.substr(9));
        else if (text.starts_with("receive 64: 01 "))
            ++receives;
    }
    // Each request is answered by one reply that repeats its module.
    EXPECT_EQ(receives, sends.size());
    // The announcement: module 1, opCode 3 (store), then the size 130 and the image's CRC.
    char announcement[64];
    std::snprintf(announcement, sizeof announcement, "01 03 00 06 82 00 00 00 %02x %02x",
                  crc & 0xFF, crc >> 8);
    const auto announced = std::find_if(sends.begin(), sends.end(), [&](const std::string& s) {
        return s.starts_with(announcement);
    });
    ASSERT_NE(announced, sends.end()) << "no store announcement " << announcement;
    // Then the image in pieces of up to 60 bytes (opCode 4), in order.
    std::string pieces;
    for (auto it = announced + 1; it != sends.end() && it->starts_with("01 04 "); ++it)
        pieces += (pieces.empty() ? "" : " ") + it->substr(12, 3 * 60 - 1);
    EXPECT_TRUE(pieces.starts_with(Hex(image.data(), image.size()))) << pieces;
}

TEST_F(ArdentCmdTrace, ATraceFileThatCannotBeOpenedCostsOneLineOnStandardError) {
    trace.clear(); // ARDENT_TRACE set but empty: no trace
    const testing::ProgramOutcome untraced = Run({"-getFwVer"});
    ASSERT_EQ(untraced.err, "");
    trace = folder / "no-folder" / "trace.txt";
    const testing::ProgramOutcome run = Run({"-getFwVer"});
    EXPECT_TRUE(run.out.starts_with("Firmware version is ")) << run.out;
    EXPECT_EQ(run.out, untraced.out);
    EXPECT_EQ(run.exitStatus, untraced.exitStatus);
    EXPECT_EQ(run.err, "ArdentCmd: cannot open the trace file " + trace.string() +
                           " (No such file or directory); running without a trace\n");
}

} // namespace
} // namespace ardent
