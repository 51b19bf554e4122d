#include "protocol/HIDCtrl.h"
#include "protocol/ReadThread.h"
#include "protocol/SendCommand.h"
#include "protocol/WindowedHidVariant.h"

#include "FakeHidIntf.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace ardent {
namespace {

using test::BytesOf;
using test::FakeHidLibrary;

// Collects notifications; WaitFor blocks until one arrives (the limit only guards a hang).
class RecordingSink final : public INotificationSink {
public:
    void PostNotification(int code, int result) override {
        {
            std::lock_guard guard(fLock);
            fPosted.emplace_back(code, result);
        }
        fPostedSignal.notify_all();
    }
    std::vector<std::pair<int, int>> Posted() {
        std::lock_guard guard(fLock);
        return fPosted;
    }
    bool WaitFor(size_t count) {
        std::unique_lock guard(fLock);
        return fPostedSignal.wait_for(guard, std::chrono::seconds(10),
                                      [&] { return fPosted.size() >= count; });
    }

private:
    std::mutex fLock;
    std::condition_variable fPostedSignal;
    std::vector<std::pair<int, int>> fPosted;
};

struct ReadFixture {
    TThreadSafeQueue<TArrayByte> receive;
    THandlerQueues handlers;
    std::optional<uint8_t> sdCardState;
    TAsyncHandler async{[this](uint8_t state) { sdCardState = state; }};
    RecordingSink sink;
    TReadThread reader{receive, handlers, async, sink};
};

TEST(ReadThread, DispatchRoutesEachPacketByItsFirstByte) {
    struct Case {
        TArrayByte packet;
        size_t setupPackets, targetPackets;
        std::vector<std::pair<int, int>> notifications;
    } cases[] = {
        {BytesOf({MODULE_PROGRAMMER, 1}), 1, 0, {}},
        {BytesOf({MODULE_TARGET, 2}), 0, 1, {}},
        {BytesOf({MODULE_EVENT, EventOp::ExternalTriggerEvent}), 0, 0, {{14, 0}}},
        {BytesOf({MODULE_EVENT, EventOp::SdCardEvent, 0, 0, 1}), 0, 0, {{12, 0}}},
        {BytesOf({MODULE_EVENT, 9}), 0, 0, {{0, 0}}},
        {BytesOf({MARKER_DISCONNECTED}), 1, 1, {{8, 0}}},
        {BytesOf({MARKER_CONNECTED}), 0, 0, {{6, 0}}},
        {BytesOf({MODULE_VOLTAGE, 1}), 0, 0, {}},
        {BytesOf({MODULE_SERVICE, 5}), 0, 0, {}},
        {BytesOf({MARKER_STOP}), 0, 0, {}},
        {BytesOf({MARKER_LINK_LOST}), 0, 0, {}},
    };
    for (const Case& c : cases) {
        ReadFixture f;
        f.reader.DispatchPacket(c.packet);
        EXPECT_EQ(f.handlers.deviceSetup.GetCount(), c.setupPackets) << int(c.packet[0]);
        EXPECT_EQ(f.handlers.target.GetCount(), c.targetPackets) << int(c.packet[0]);
        EXPECT_EQ(f.sink.Posted(), c.notifications) << int(c.packet[0]);
    }
}

TEST(ReadThread, SdCardEventStoresTheCardState) {
    ReadFixture f;
    f.reader.DispatchPacket(BytesOf({MODULE_EVENT, EventOp::SdCardEvent, 0, 0, 1}));
    EXPECT_EQ(f.sdCardState, 1);
    f.reader.DispatchPacket(BytesOf({MODULE_EVENT, EventOp::SdCardEvent, 0, 0, 0}));
    EXPECT_EQ(f.sdCardState, 0);
}

TEST(ReadThread, RoutesQueuedPacketsUntilFinished) {
    ReadFixture f;
    auto reader = std::make_unique<TReadThread>(f.receive, f.handlers, f.async, f.sink);
    reader->Start();
    f.receive.Put(BytesOf({MODULE_TARGET, 2, 0, 0, 0xAB}));
    f.receive.Put(BytesOf({MARKER_CONNECTED}));
    ASSERT_TRUE(f.sink.WaitFor(1));
    TPacketFormat reply{};
    ASSERT_TRUE(f.handlers.target.Get(reply));
    EXPECT_EQ(reply.data[0], 0xAB);

    // Finishing with an empty queue ends the thread (the destructor joins it); the stop
    // marker reaches nobody.
    reader->finishRThread();
    reader.reset();
    EXPECT_EQ(f.sink.Posted(), (std::vector<std::pair<int, int>>{{6, 0}}));
    EXPECT_EQ(f.handlers.deviceSetup.GetCount(), 0u);
    EXPECT_EQ(f.handlers.target.GetCount(), 0u);
}

struct WindowedProgram {
    FakeHidLibrary library;
    TThreadSafeQueue<TArrayByte> receive;
    HIDCtrl ctrl{std::make_unique<TWindowedHidVariant>(receive), library};
    THandlerQueues handlers;
    TAsyncHandler async;
    RecordingSink sink;
    TReadThread reader{receive, handlers, async, sink};
    TSendCommand sender{ctrl};

    WindowedProgram() {
        reader.Start();
        sender.Start();
        ctrl.Connect();
    }
};

TEST(Threads, DisconnectEndsAPendingTargetWaitAtOnce) {
    WindowedProgram program;
    program.library.intf.FireConnected();
    ASSERT_TRUE(program.sink.WaitFor(1));
    auto waiter = std::async(std::launch::async, [&] {
        TPacketFormat reply{};
        if (!program.handlers.target.Get(TThreadSafeQueue<TPacketFormat>::kInfinite, reply))
            return uint8_t{0};
        return reply.header.module;
    });
    program.library.intf.FireDisconnected();
    EXPECT_EQ(waiter.get(), MARKER_DISCONNECTED);
    ASSERT_TRUE(program.sink.WaitFor(2));
    EXPECT_EQ(program.sink.Posted(), (std::vector<std::pair<int, int>>{{6, 0}, {8, 0}}));
}

TEST(Threads, SendCommandWritesOnlyWhileConnected) {
    WindowedProgram program;
    const TPacketFormat request = MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, uint8_t{1});
    EXPECT_FALSE(program.sender.SendCommand(request));

    program.library.intf.FireConnected();
    ASSERT_TRUE(program.sender.SendCommand(request));
    ASSERT_TRUE(program.library.intf.WaitForWrites(1));
    const auto writes = program.library.intf.Writes();
    ASSERT_EQ(writes.size(), 1u);
    const TArrayByte sent = PacketToBytes(request);
    EXPECT_EQ(writes[0], std::vector<uint8_t>(sent.begin(), sent.end()));
}

} // namespace
} // namespace ardent
