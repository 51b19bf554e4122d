// The transport trace: what a user sends along with a fault report must hold the library that
// was loaded (or why none), each connect attempt, and every report both ways as hex, in whole
// timestamped lines even when several threads write at once.

#include "protocol/Trace.h"
#include "protocol/CommandLineHidVariant.h"
#include "protocol/HIDCtrl.h"
#include "protocol/HidLibrary.h"
#include "protocol/WindowedHidVariant.h"

#include "FakeHidIntf.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace ardent {
namespace {

namespace fs = std::filesystem;
using test::FakeHidLibrary;

// "<seconds>.<microseconds> <text>"
const std::regex kLine(R"(^([0-9]+\.[0-9]{6}) (.*)$)");

std::string Zeros(size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += " 00";
    return text;
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("ardent-trace-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        file = folder / "trace.txt";
        ASSERT_TRUE(testing_seam::SetTraceFile(file.string()));
    }
    void TearDown() override {
        testing_seam::SetTraceFile("");
        UnloadHidLibrary();
        testing_seam::ResetHidLibraryCandidates();
        fs::remove_all(folder);
    }

    // The texts of the trace's lines without their timestamps; every line must be whole and
    // the timestamps must not go backwards.
    std::vector<std::string> Texts() {
        std::ifstream in(file);
        std::vector<std::string> texts;
        double previous = 0;
        for (std::string line; std::getline(in, line);) {
            std::smatch match;
            if (!std::regex_match(line, match, kLine)) {
                ADD_FAILURE() << "not a trace line: \"" << line << "\"";
                continue;
            }
            const double stamp = std::stod(match[1].str());
            EXPECT_GE(stamp, previous) << line;
            previous = stamp;
            texts.push_back(match[2].str());
        }
        return texts;
    }

    fs::path folder;
    fs::path file;
};

TEST_F(TraceTest, ConnectAttemptsAndReportsBothWaysAsHex) {
    FakeHidLibrary library;
    library.intf.openSucceedsOnAttempt = 2;
    // The programmer answers with a 64-byte reply and then a report cut short to 3 bytes.
    library.intf.device = [](const std::vector<uint8_t>&) {
        std::vector<uint8_t> reply(64, 0);
        reply[0] = 0x01;
        reply[1] = 0x01;
        reply[4] = 0xab;
        return std::vector<std::vector<uint8_t>>{reply, {0x02, 0x03, 0xff}};
    };
    TThreadSafeQueue<TPacketFormat> queue;
    HIDCtrl ctrl(std::make_unique<TCommandLineHidVariant>(queue, [](std::chrono::milliseconds) {}),
                 library);
    ASSERT_TRUE(ctrl.Connect());
    ASSERT_TRUE(ctrl.SendData(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup)));
    library.intf.writeResult = 5;
    EXPECT_FALSE(ctrl.SendData(MakeRequest(MODULE_TARGET, TargetOp::GetLoggerInformation)));
    library.intf.FireDisconnected();
    EXPECT_FALSE(ctrl.SendData(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup)));

    const std::string reply = "receive 64: 01 01 00 00 ab" + Zeros(59);
    const std::string cutShort = "receive 3: 02 03 ff";
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "connect attempt 1 of 10: OpenDevice answered 1",
                           "connect attempt 2 of 10: OpenDevice answered 0",
                           "connect: connected",
                           reply,
                           cutShort,
                           "send 64: 01 01" + Zeros(62),
                           reply,
                           cutShort,
                           "send 64: 02 03" + Zeros(62),
                           "send: the library refused the report (5)",
                           "device disconnected",
                           "send refused: not connected",
                       }));
}

TEST_F(TraceTest, TheWindowedProgramsWatchAndTheConnectionItReports) {
    FakeHidLibrary library;
    TThreadSafeQueue<TArrayByte> queue;
    HIDCtrl ctrl(std::make_unique<TWindowedHidVariant>(queue), library);
    ctrl.Connect();
    library.intf.FireConnected();
    const uint8_t event[4] = {0x05, 0x02, 0x00, 0x01};
    library.intf.FireReport(event, 4);
    const TArrayByte request = test::BytesOf({0x02, 0x02});
    EXPECT_EQ(ctrl.SendData(request.data(), 64), 0);

    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "connect: watching for the programmer, ConnectDevice answered 0",
                           "connect: not connected",
                           "device connected",
                           "receive 4: 05 02 00 01",
                           "send 64: 02 02" + Zeros(62),
                       }));
}

TEST_F(TraceTest, EachLibraryCandidateWithWhyItWasNotTaken) {
    const std::string missing = (folder / "libportbridge.so").string();
    testing_seam::SetHidLibraryCandidates({missing, ARDENT_TEST_PARTIAL_LIBRARY});
    EXPECT_FALSE(LoadHidLibrary());
    testing_seam::SetHidLibraryCandidates({missing});
    EXPECT_FALSE(LoadHidLibrary());
    testing_seam::SetHidLibraryCandidates({ARDENT_TEST_FULL_LIBRARY});
    EXPECT_TRUE(LoadHidLibrary());

    const std::string notLoaded = "library " + missing + " not loaded: " + missing +
                                  ": cannot open shared object file: No such file or directory";
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           notLoaded,
                           "library " ARDENT_TEST_PARTIAL_LIBRARY
                           " unloaded: it lacks HidDllBegin, GetHidIntf or HidDllEnd",
                           notLoaded,
                           "no transport library loaded",
                           "library " ARDENT_TEST_FULL_LIBRARY " loaded",
                       }));
}

TEST_F(TraceTest, LinesFromSeveralThreadsStayWhole) {
    constexpr int kThreads = 4;
    constexpr int kLinesEach = 300;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([t] {
            std::vector<uint8_t> report(64, static_cast<uint8_t>(0x10 * (t + 1)));
            for (int i = 0; i < kLinesEach; ++i)
                TraceReport("receive", report.data(), report.size());
        });
    for (std::thread& writer : writers)
        writer.join();

    const std::vector<std::string> texts = Texts();
    EXPECT_EQ(texts.size(), size_t{kThreads * kLinesEach});
    const std::regex whole(R"(^receive 64: ([0-9a-f]{2})( \1){63}$)");
    for (const std::string& text : texts)
        EXPECT_TRUE(std::regex_match(text, whole)) << text;
}

TEST_F(TraceTest, EndedTraceWritesNothingMore) {
    TraceLine("before");
    testing_seam::SetTraceFile("");
    EXPECT_FALSE(TraceEnabled());
    TraceLine("after");
    const uint8_t byte = 0x42;
    TraceReport("send", &byte, 1);
    EXPECT_EQ(Texts(), std::vector<std::string>{"before"});
}

TEST_F(TraceTest, AFileThatCannotBeOpenedLeavesTheTraceOffWithoutBlocking) {
    EXPECT_FALSE(testing_seam::SetTraceFile((folder / "no-folder" / "trace.txt").string()));
    EXPECT_FALSE(TraceEnabled());
    // A FIFO nobody reads would block an ordinary open for writing forever.
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(testing_seam::SetTraceFile(fifo.string()));
    EXPECT_FALSE(TraceEnabled());
}

TEST_F(TraceTest, AReaderThatWentAwayDoesNotEndTheProgram) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_TRUE(testing_seam::SetTraceFile("/proc/self/fd/" + std::to_string(fds[1])));
    ::close(fds[0]);
    ::close(fds[1]);
    TraceLine("nobody reads this"); // SIGPIPE would end the test program here
    EXPECT_TRUE(TraceEnabled());
}

TEST(HexBytes, SpacedLowerCasePairs) {
    const uint8_t bytes[] = {0x00, 0x0f, 0xa0, 0xff};
    EXPECT_EQ(HexBytes(bytes, 4), "00 0f a0 ff");
    EXPECT_EQ(HexBytes(bytes, 0), "");
    EXPECT_EQ(HexBytes(nullptr, 3), "");
}

} // namespace
} // namespace ardent
