// ArdentCmd's operations over its own controller and receive queue, with a scripted transport
// and the simulator's engine behind them: which of the reports that arrive is taken as the answer
// to a request. A report cut short and a reply that came too late for an earlier request are no
// answer.

#include "CommandLineHandlers.h"
#include "EngineProgrammer.h"
#include "FakeHidIntf.h"
#include "OperationThread.h"
#include "ResultCodes.h"
#include "RunResult.h"
#include "configuration/BlockType.h"
#include "configuration/Configuration.h"
#include "protocol/CommandLineHidVariant.h"
#include "protocol/HIDCtrl.h"
#include "utils/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace ardent::testing {
namespace {

namespace fs = std::filesystem;
using Op = TOperationThread;

struct ToolOverTransport : ::testing::Test {
    TEngineProgrammer programmer;
    test::FakeHidLibrary library;
    TThreadSafeQueue<TPacketFormat> receiveQueue;
    HIDCtrl controller{
        std::make_unique<TCommandLineHidVariant>(receiveQueue, [](std::chrono::milliseconds) {}),
        library};
    TStringConsole console;
    // The tool's waits a thousandth as long: 200 ms become 1 ms, 30 s become 30 ms.
    TRunResult runResult;
    TRunReport runReport;
    TNoProgress progress;
    TCommandLineHandlers handlers{controller, receiveQueue, runResult, TWaitClock{0.001}};
    fs::path folder = fs::temp_directory_path() / ("ardent-replies-" + std::to_string(getpid()));
    std::string storeFile = (folder / "store.cfg").string();
    std::string backupFile = (folder / "backup.cfg").string();
    uint16_t storedCrc = 0;
    Bytes storedImage;

    ToolOverTransport() {
        fs::create_directories(folder);
        library.intf.openSucceedsOnAttempt = 1;
        library.intf.device = [this](const Bytes& written) {
            return programmer.AnswerReports(written);
        };
        EXPECT_TRUE(controller.Connect());

        // The programmer holds a configuration the loader accepts (three 60-byte pieces), for
        // all four channels.
        TConfiguration configuration;
        configuration.SetName("Line 7");
        configuration.SetTargetType(2);
        configuration.SetChannel(0x0F);
        Bytes firmware(100);
        for (size_t i = 0; i < firmware.size(); ++i)
            firmware[i] = static_cast<uint8_t>(i * 7 + 3);
        configuration.AddNewBlock(BlockType::Firmware, firmware);
        EXPECT_TRUE(configuration.GetBufferForSend(storedCrc, storedImage));
        EXPECT_GT(storedImage.size(), 2 * kPacketDataSize);
        EXPECT_LE(storedImage.size(), 3 * kPacketDataSize);
        sim::TProgrammerEngine& engine = programmer.engine;
        EXPECT_EQ(engine.StoreImage(storedImage), 0);
        EXPECT_TRUE(configuration.WriteConfigurationToFile(storeFile));
        engine.SetFirmwareVersion(0x010603);
        // Each channel holds a blank part that passes, with a parameter ID of its own: 0x00A1 to
        // 0x00A4.
        for (uint8_t channel = 0; channel < kChannelCount; ++channel)
            engine.Chip(channel).Ids().parameterID = static_cast<uint16_t>(0xA1 + channel);
    }
    ~ToolOverTransport() override { fs::remove_all(folder); }

    int32_t Run(int operation, std::vector<std::string> items = {}, uint16_t command = 0) {
        const std::string cfgName =
            operation == Op::OP_STORE_CONFIGURATION ? storeFile : backupFile;
        TOperationThread thread("test", operation, handlers.Handlers(),
                                {command, cfgName, std::move(items)}, console, runResult, runReport,
                                progress);
        thread.Start();
        thread.WaitFor();
        return static_cast<int32_t>(thread.GetOperationResult());
    }

    // The programmer's reply to `request`, as it would have sent it.
    TPacketFormat ReplyTo(const TPacketFormat& request) {
        const std::optional<TPacketFormat> reply = programmer.Answer(request);
        EXPECT_TRUE(reply);
        return reply.value_or(TPacketFormat{});
    }
    TPacketFormat ReadIdReply(uint8_t channel) {
        return ReplyTo(
            MakeRequest(MODULE_TARGET, TargetOp::ReadID, TReadIDRequest{channel, 1, 1, 1}));
    }
};

std::string CrcLine(uint16_t crc) {
    char text[16];
    std::snprintf(text, sizeof text, "CRC = %04X\r\n", static_cast<unsigned>(crc));
    return text;
}

constexpr const char* kFailed = "Operation failed.\r\n";
constexpr const char* kSucceeded = "Operation completed successfully.\r\n";

// The commands of the tables below.
struct TCommand {
    int operation;
    std::vector<std::string> items{};
};
const TCommand kGetFwVer{Op::OP_GET_FIRMWARE_VERSION};
const TCommand kGetCrc{Op::OP_GET_CRC};
const TCommand kGetName{Op::OP_GET_NAME};
const TCommand kBackup{Op::OP_READ_CONFIGURATION};
const TCommand kStore{Op::OP_STORE_CONFIGURATION};
const TCommand kReadId{Op::OP_READ_ID, {"DP2A", "2"}};
const TCommand kReadAllIds{Op::OP_DETECT_ID, {"DP2A"}};
const TCommand kExecute{Op::OP_TRIGGER};
const TCommand kSetBaudRate{Op::OP_SET_BAUD_RATE, {"9600"}};
const TCommand kSetChannel{Op::OP_SET_CHANNEL, {"2"}};
const TCommand kGetTrigger{Op::OP_TRIGGER_BEHAVIOR};
const TCommand kSetTrigger{Op::OP_TRIGGER_BEHAVIOR, {"enable"}};

constexpr int32_t kTimeOut = ERROR_CONN_TIMEOUT;
const std::string kAllPassed = "Status channel [1] : OK\r\nStatus channel [2] : OK\r\n"
                               "Status channel [3] : OK\r\nStatus channel [4] : OK\r\n";

// Each request's reply cut to fewer bytes than it carries, and to exactly as many. A cut reply
// is no answer: the operation ends as when no reply came in time (each with the result it gives
// then), the wait notes -124, and nothing read from the cut reply is printed or written.
TEST_F(ToolOverTransport, AReplyShorterThanWhatItCarriesIsNoAnswer) {
    const int32_t crcResult = static_cast<int32_t>(static_cast<uint32_t>(storedCrc) << 16);
    struct Case {
        const char* name;
        TCommand command;
        size_t request; // the request whose reply is cut, by its index in the run
        size_t length;  // bytes of the report, header included
        bool whole;     // the report still holds the whole reply
        int32_t result;
        std::string text;
    };
    const Case cases[] = {
        {"-getFwVer, header only", kGetFwVer, 0, 4, false, 255, kFailed},
        {"-getFwVer, 39 of 40 record bytes", kGetFwVer, 0, 43, false, 255, kFailed},
        {"-getFwVer, the whole record", kGetFwVer, 0, 44, true, 0,
         std::string("Firmware version is 1.6.3\r\n") + kSucceeded},
        {"-getCrc, header only", kGetCrc, 0, 4, false, 53, kFailed},
        {"-getCrc, 51 of 52 record bytes", kGetCrc, 0, 55, false, 53, kFailed},
        {"-getCrc, the whole record", kGetCrc, 0, 56, true, crcResult,
         CrcLine(storedCrc) + kSucceeded},
        {"-getName, 51 of 52 record bytes", kGetName, 0, 55, false, 53, kFailed},
        {"-backup, the description cut", kBackup, 0, 55, false, 53, ""},
        {"-backup, the second piece cut", kBackup, 2, 63, false, 255, kFailed},
        {"-readID, 34 of 35 record bytes", kReadId, 0, 38, false, kTimeOut, ""},
        {"-readID, the whole record", kReadId, 0, 39, true, 0, "Channel[2]: 0x00A2\r\n"},
        {"-readID of all channels, the third cut", kReadAllIds, 2, 38, false, kTimeOut,
         "Channel[1]: 0x00A1\r\nChannel[2]: 0x00A2\r\nChannel[4]: 0x00A4\r\n"},
        {"-execute, 26 of 27 status bytes", kExecute, 0, 30, false, kTimeOut, ""},
        {"-execute, the whole status", kExecute, 0, 31, true, 0, kAllPassed},
        {"-setBaudRate, no whole header", kSetBaudRate, 0, 3, false, 255, ""},
        {"-setBaudRate, the header is the whole reply", kSetBaudRate, 0, 4, true, 0, ""},
        {"-setChannel, no whole header", kSetChannel, 0, 3, false, kTimeOut, ""},
        {"-burnTrigger, the flag missing", kGetTrigger, 0, 4, false, 255, ""},
        {"-burnTrigger enable, no whole header", kSetTrigger, 0, 3, false, 255, ""},
        {"-store, the announcement's reply cut", kStore, 0, 3, false, kTimeOut, kFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runResult.Set(0);
        receiveQueue.Clear();
        programmer.shapes.clear();
        programmer.shapes[programmer.Written() + c.request].length = c.length;
        const size_t printed = console.Text().size();
        fs::remove(backupFile);

        EXPECT_EQ(Run(c.command.operation, c.command.items), c.result);
        EXPECT_EQ(console.Text().substr(printed), c.text);
        EXPECT_EQ(runResult.Get(), c.whole ? 0 : kTimeOut);
        EXPECT_FALSE(fs::exists(backupFile));
    }

    // A service command's answer is its result; a cut one is the time-out's, returned as the
    // service commands return every failure.
    programmer.engine.SetServiceResult(0x1234);
    programmer.shapes[programmer.Written()].length = 7;
    EXPECT_EQ(Run(Op::OP_SPECIAL_COMMAND, {"3"}, 68), kTimeOut);
    programmer.shapes[programmer.Written()].length = 8;
    EXPECT_EQ(Run(Op::OP_SPECIAL_COMMAND, {"3"}, 68), 0x1234);
}

// Replies meant for earlier requests: left queued from before the run, or arriving while a
// request waits (after the request they answered gave up). None is taken for the answer of the
// request that waits now; the wait goes on for that answer until its own time-out.
TEST_F(ToolOverTransport, AReplyToAnEarlierRequestIsNeverTakenForTheAnswer) {
    TPacketFormat oldFirmware =
        ReplyTo(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup));
    oldFirmware.data[1] = 0x05; // 1.5.0
    oldFirmware.data[0] = 0x00;
    TPacketFormat oldDescription =
        ReplyTo(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo));
    oldDescription.data[44] ^= 0xFF; // another CRC
    const TPacketFormat description =
        ReplyTo(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo));
    const int32_t crcResult = static_cast<int32_t>(static_cast<uint32_t>(storedCrc) << 16);
    struct Case {
        const char* name;
        TCommand command;
        std::vector<TPacketFormat> queued;                       // before the run
        std::map<size_t, TEngineProgrammer::TReportShape> ahead; // of the answer to a request
        int32_t result;
        std::string text;
    };
    const Case cases[] = {
        {"-getFwVer after a reply left from before",
         kGetFwVer,
         {oldFirmware},
         {},
         0,
         std::string("Firmware version is 1.6.3\r\n") + kSucceeded},
        {"-getCrc after a description left from before",
         kGetCrc,
         {oldDescription},
         {},
         crcResult,
         CrcLine(storedCrc) + kSucceeded},
        {"-getCrc with another request's reply ahead",
         kGetCrc,
         {},
         {{0, {{oldFirmware}}}},
         crcResult,
         CrcLine(storedCrc) + kSucceeded},
        {"-readID with another channel's reply ahead",
         kReadId,
         {},
         {{0, {{ReadIdReply(0)}}}},
         0,
         "Channel[2]: 0x00A2\r\n"},
        {"-readID when only another channel's reply comes",
         kReadId,
         {},
         {{0, {{ReadIdReply(0)}, kPacketSize, true}}},
         kTimeOut,
         ""},
        {"-readID of all channels, the first answering late",
         kReadAllIds,
         {},
         {{0, {{}, kPacketSize, true}}, {1, {{ReadIdReply(0)}}}},
         kTimeOut,
         "Channel[2]: 0x00A2\r\nChannel[3]: 0x00A3\r\nChannel[4]: 0x00A4\r\n"},
        {"-execute with a read-ID reply ahead of the burn result",
         kExecute,
         {},
         {{0, {{ReadIdReply(0)}}}},
         0,
         kAllPassed},
        {"-backup with a description ahead of a piece",
         kBackup,
         {},
         {{1, {{description}}}},
         0,
         kSucceeded},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        runResult.Set(0);
        receiveQueue.Clear(); // each case on its own, whatever an earlier one left
        const size_t first = programmer.Written();
        programmer.shapes.clear();
        for (const auto& [request, shape] : c.ahead)
            programmer.shapes[first + request] = shape;
        for (const TPacketFormat& packet : c.queued) {
            const Bytes report = TEngineProgrammer::ReportBytes(packet, kPacketSize);
            library.intf.FireReport(report.data(), static_cast<uint16_t>(report.size()));
        }
        const size_t printed = console.Text().size();
        fs::remove(backupFile);

        EXPECT_EQ(Run(c.command.operation, c.command.items), c.result);
        EXPECT_EQ(console.Text().substr(printed), c.text);
    }
    // The backup holds the stored image, not the description that came ahead of a piece.
    Bytes backup;
    ASSERT_TRUE(LoadFileToBuffer(backupFile, backup));
    EXPECT_EQ(backup, storedImage);
}

// A request that does not get out is told apart by the controller the run created: while it is
// connected the transport refused the write (a time-out, -124); once the programmer is gone it
// is a disconnection (-123). Either is the operation's result, and nothing is printed.
TEST_F(ToolOverTransport, AnUnsentRequestIsATimeOutWhileConnectedAndADisconnectionOnceGone) {
    const TCommand commands[] = {kExecute, kReadId, kReadAllIds, kSetChannel};
    library.intf.writeResult = 1; // the transport refuses every write
    for (const TCommand& command : commands) {
        SCOPED_TRACE(command.operation);
        runResult.Set(0);
        EXPECT_EQ(Run(command.operation, command.items), ERROR_CONN_TIMEOUT);
        EXPECT_EQ(runResult.Get(), ERROR_CONN_TIMEOUT);
    }
    library.intf.FireDisconnected();
    ASSERT_FALSE(controller.isConnected());
    for (const TCommand& command : commands) {
        SCOPED_TRACE(command.operation);
        runResult.Set(0);
        EXPECT_EQ(Run(command.operation, command.items), ERROR_PROG_DISCONNECTED);
        EXPECT_EQ(runResult.Get(), ERROR_PROG_DISCONNECTED);
    }
    EXPECT_EQ(console.Text(), "");
}

} // namespace
} // namespace ardent::testing
