// The windowed program's handlers over its controller, receive thread and send thread, with a
// scripted transport and the simulator's engine behind them: which of the reports that arrive is
// taken as the answer to a request. A report cut short and a reply that came too late for an
// earlier request are none.

#include "EngineProgrammer.h"
#include "FakeHidIntf.h"
#include "SimTestSupport.h"
#include "operations/DeviceSetupHandler.h"
#include "operations/QueueExchange.h"
#include "operations/TargetHandler.h"
#include "protocol/HIDCtrl.h"
#include "protocol/ReadThread.h"
#include "protocol/SendCommand.h"
#include "protocol/WindowedHidVariant.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace ardent::testing {
namespace {

using std::chrono::milliseconds;

class SilentSink final : public INotificationSink {
public:
    void PostNotification(int, int) override {}
};

// Waits long enough for any machine: an answer ends them at once, so only a test that expects
// no answer waits them out (and gives its own, shorter ones).
TRequestTimeouts Waits(milliseconds wait) {
    return {wait, wait, wait, wait, wait, wait, wait, wait, wait, wait, wait, wait, wait};
}

// A DP2B image of 100 bytes holding `name`, stored the way a host stores one.
void StoreImage(sim::TProgrammerEngine& engine, const char* name) {
    ASSERT_EQ(engine.StoreImage(simtest::MakeImage(100, name)), 0);
}

// The IDs of the DP2B chip the programmer holds in `channel`.
constexpr uint32_t DeviceIdOf(uint8_t channel) {
    return 0xD00u + channel;
}

struct WindowedProgram {
    TEngineProgrammer programmer;
    test::FakeHidLibrary library;
    TThreadSafeQueue<TArrayByte> receiveQueue;
    HIDCtrl ctrl{std::make_unique<TWindowedHidVariant>(receiveQueue), library};
    THandlerQueues handlerQueues;
    TAsyncHandler async;
    SilentSink sink;
    TReadThread reader{receiveQueue, handlerQueues, async, sink};
    TSendCommand sender{ctrl};
    TQueueExchange setupExchange{[this](const TPacketFormat& r) { return sender.SendCommand(r); },
                                 handlerQueues.deviceSetup};
    TQueueExchange targetExchange{[this](const TPacketFormat& r) { return sender.SendCommand(r); },
                                  handlerQueues.target};
    TDeviceSetupHandler setup;
    TTargetHandler target;

    explicit WindowedProgram(milliseconds wait = milliseconds(10000))
        : setup({setupExchange, Waits(wait)}), target({targetExchange, Waits(wait)}) {
        library.intf.device = [this](const Bytes& written) {
            return programmer.AnswerReports(written);
        };
        reader.Start();
        sender.Start();
        ctrl.Connect();
        library.intf.FireConnected();
        sim::TProgrammerEngine& engine = programmer.engine;
        StoreImage(engine, "Line 7");
        engine.SetFirmwareVersion(0x010700);
        for (uint8_t channel = 0; channel < kChannelCount; ++channel) {
            engine.Chip(channel) = sim::TVirtualChip::Blank(2);
            engine.Chip(channel).Ids().deviceID = DeviceIdOf(channel);
        }
        // A burn before the test, so the programmer has a log record of every channel.
        engine.PressExternalTrigger();
    }
};

// What one windowed request leaves for the test to look at.
struct TOutcome {
    bool ok = false;
    uint32_t value = 0; // the field the request is for
};

using TRequest = std::function<TOutcome(WindowedProgram&)>;

TOutcome FirmwareVersion(WindowedProgram& p) {
    TDeviceBurnerInfo info{};
    const bool ok = p.setup.GetDeviceSetup(info);
    return {ok, info.firmwareVersion};
}
TOutcome StoredCrc(WindowedProgram& p) {
    TDeviceConfigurationStruct description{};
    const bool ok = p.setup.GetConfigurationInfo(description);
    return {ok, description.crc};
}
// The last byte of the first piece.
TOutcome ImageByte59(WindowedProgram& p) {
    Bytes buffer;
    const bool ok = p.setup.ReadConfiguration(1, buffer, 0);
    return {ok, ok ? buffer.at(59) : 0u};
}
TOutcome DeviceIdOfChannel3(WindowedProgram& p) {
    TProcessTargetSendId ids{};
    const bool ok = p.target.ReadID({2, 2, 1, 1}, ids);
    return {ok, ids.dp2BIds.deviceID};
}
TOutcome LoggedDeviceIdOfChannel2(WindowedProgram& p) {
    TProcessTargetSendId ids{};
    const bool ok = p.target.GetLoggerInformation(1, ids);
    return {ok, ids.dp2BIds.deviceID};
}
// The trigger flow: hand the burn over, then wait for its result; the value is channel 4's state.
TOutcome BurnOfChannel4(WindowedProgram& p) {
    TBurningStatusOverall status{};
    const bool ok = p.target.TriggerTarget(1) && p.target.WaitTriggerStatus(status) == 0;
    return {ok, status.channels[3].state};
}

// A cut reply of each request that reads a record, then the whole reply: the cut one is passed
// over (whatever the shared receive buffer still held behind it) and the whole one taken.
TEST(WindowedReplies, AReplyCutShortIsPassedOverForTheWholeOne) {
    const Bytes image = simtest::MakeImage(100, "Line 7");
    struct Case {
        const char* name;
        TRequest request;
        TPacketFormat asked; // the request whose reply comes cut
        size_t length;
        uint32_t value;
    } cases[] = {
        {"GetDeviceSetup, header only", FirmwareVersion,
         MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup), 4, 0x010700},
        {"GetConfigurationInfo, the CRC missing", StoredCrc,
         MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo), 4 + 44,
         simtest::ImageCrc(image)},
        {"ReadConfiguration, 59 of 60 bytes", ImageByte59,
         MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::ReadConfiguration, uint8_t{1}), 63,
         image.at(59)},
        {"ReadID, the IDs missing", DeviceIdOfChannel3,
         MakeRequest(MODULE_TARGET, TargetOp::ReadID, TReadIDRequest{2, 2, 1, 1}), 6,
         DeviceIdOf(2)},
        {"GetLoggerInformation, the IDs missing", LoggedDeviceIdOfChannel2,
         MakeRequest(MODULE_TARGET, TargetOp::GetLoggerInformation, uint8_t{1}), 6, DeviceIdOf(1)},
        {"burn result, the channels missing", BurnOfChannel4,
         MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, uint8_t{1}), 5, CHANNEL_PASSED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowedProgram program; // a fresh receive buffer: all zeros behind a cut report
        const std::optional<TPacketFormat> reply = program.programmer.Answer(c.asked);
        ASSERT_TRUE(reply);
        const Bytes cut = TEngineProgrammer::ReportBytes(*reply, c.length);
        program.library.intf.device = [&program, cut](const Bytes& written) {
            std::vector<Bytes> reports = program.programmer.AnswerReports(written);
            reports.insert(reports.begin(), cut);
            return reports;
        };
        const TOutcome outcome = c.request(program);
        EXPECT_TRUE(outcome.ok);
        EXPECT_EQ(outcome.value, c.value);
    }
}

TEST(WindowedReplies, ACutReplyAloneIsAFailedRequest) {
    WindowedProgram program(milliseconds(20));
    program.programmer.shapes[0].length = 43;
    EXPECT_FALSE(FirmwareVersion(program).ok);
}

// Replies meant for earlier requests arrive ahead of the answer: none is taken for it.
TEST(WindowedReplies, AReplyToAnEarlierRequestIsNeverTakenForTheAnswer) {
    // The programmer as it was when the earlier requests were answered.
    TEngineProgrammer replies;
    StoreImage(replies.engine, "Old");
    replies.engine.SetFirmwareVersion(0x010500);
    replies.engine.Chip(0) = sim::TVirtualChip::Blank(2);
    replies.engine.Chip(0).Ids().deviceID = 0xBAD;
    replies.engine.PressExternalTrigger();
    const auto answer = [&replies](const TPacketFormat& request) {
        const std::optional<TPacketFormat> reply = replies.Answer(request);
        EXPECT_TRUE(reply);
        return reply.value_or(TPacketFormat{});
    };
    const TPacketFormat oldFirmware =
        answer(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup));
    const TPacketFormat oldDescription =
        answer(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo));
    const TPacketFormat channel1Ids =
        answer(MakeRequest(MODULE_TARGET, TargetOp::ReadID, TReadIDRequest{0, 2, 1, 1}));
    const TPacketFormat channel1Logged =
        answer(MakeRequest(MODULE_TARGET, TargetOp::GetLoggerInformation, uint8_t{0}));
    const uint16_t storedCrc = simtest::ImageCrc(simtest::MakeImage(100, "Line 7"));
    struct Case {
        const char* name;
        TRequest request;
        TPacketFormat late;
        uint32_t value;
    } cases[] = {
        {"GetDeviceSetup behind a description", FirmwareVersion, oldDescription, 0x010700},
        {"GetConfigurationInfo behind the firmware version", StoredCrc, oldFirmware, storedCrc},
        {"ReadID of channel 3 behind channel 1's IDs", DeviceIdOfChannel3, channel1Ids,
         DeviceIdOf(2)},
        {"GetLoggerInformation of channel 2 behind channel 1's", LoggedDeviceIdOfChannel2,
         channel1Logged, DeviceIdOf(1)},
        {"burn result behind a read of IDs", BurnOfChannel4, channel1Ids, CHANNEL_PASSED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowedProgram program;
        program.programmer.shapes[0].ahead = {c.late};
        const TOutcome outcome = c.request(program);
        EXPECT_TRUE(outcome.ok);
        EXPECT_EQ(outcome.value, c.value);
    }
}

TEST(WindowedReplies, AReplyLeftQueuedFromBeforeIsDroppedBeforeTheRequest) {
    WindowedProgram program;
    TEngineProgrammer before;
    before.engine.SetFirmwareVersion(0x010500);
    const std::optional<TPacketFormat> reply =
        before.Answer(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup));
    ASSERT_TRUE(reply);
    const Bytes late = TEngineProgrammer::ReportBytes(*reply, kPacketSize);
    program.library.intf.FireReport(late.data(), static_cast<uint16_t>(late.size()));
    // The receive thread hands it to the device setup handler's queue.
    for (int i = 0; i < 10000 && program.handlerQueues.deviceSetup.GetCount() == 0; ++i)
        std::this_thread::sleep_for(milliseconds(1));
    ASSERT_EQ(program.handlerQueues.deviceSetup.GetCount(), 1u);
    EXPECT_EQ(FirmwareVersion(program).value, 0x010700u);
}

} // namespace
} // namespace ardent::testing
