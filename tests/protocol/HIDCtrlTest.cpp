#include "protocol/HIDCtrl.h"
#include "protocol/CommandLineHidVariant.h"
#include "protocol/WindowedHidVariant.h"

#include "FakeHidIntf.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace ardent {
namespace {

using test::BytesOf;
using test::FakeHidLibrary;

struct CommandLineController {
    explicit CommandLineController(FakeHidLibrary& library)
        : ctrl(std::make_unique<TCommandLineHidVariant>(
                   queue, [this](std::chrono::milliseconds pause) { pauses.push_back(pause); }),
               library) {}
    TThreadSafeQueue<TPacketFormat> queue;
    std::vector<std::chrono::milliseconds> pauses;
    HIDCtrl ctrl;
};

struct WindowedController {
    explicit WindowedController(FakeHidLibrary& library)
        : ctrl(std::make_unique<TWindowedHidVariant>(queue), library) {}
    TThreadSafeQueue<TArrayByte> queue;
    HIDCtrl ctrl;
};

TEST(HIDCtrlCommandLine, ConnectsOnTheThirdAttemptAfterTwoPauses) {
    FakeHidLibrary library;
    library.intf.openSucceedsOnAttempt = 3;
    CommandLineController c(library);
    EXPECT_TRUE(c.ctrl.Connect());
    EXPECT_TRUE(c.ctrl.isConnected());
    EXPECT_EQ(library.intf.openDeviceCalls, 3);
    EXPECT_EQ(c.pauses,
              (std::vector<std::chrono::milliseconds>(2, std::chrono::milliseconds(500))));
    EXPECT_EQ(library.intf.lastProduct, u"Orvik Ardent");
    // Already connected: no further attempt.
    EXPECT_TRUE(c.ctrl.Connect());
    EXPECT_EQ(library.intf.openDeviceCalls, 3);
}

TEST(HIDCtrlCommandLine, GivesUpAfterTenAttempts) {
    FakeHidLibrary library;
    CommandLineController c(library);
    EXPECT_FALSE(c.ctrl.Connect());
    EXPECT_EQ(library.intf.openDeviceCalls, 10);
    EXPECT_EQ(c.pauses.size(), 10u);
}

// A chosen connect wait replaces the fixed ten attempts: one attempt, then one more per half
// second that fits, and no pause after the last one (the wait ends at its limit).
TEST(HIDCtrlCommandLine, ConnectWaitSetsTheAttempts) {
    using std::chrono::milliseconds;
    struct Case {
        milliseconds wait;
        int attempts;
    };
    for (const Case& c :
         {Case{milliseconds(0), 1}, Case{milliseconds(499), 1}, Case{milliseconds(500), 2},
          Case{milliseconds(2600), 6}, Case{milliseconds(30000), 61}}) {
        FakeHidLibrary library;
        TThreadSafeQueue<TPacketFormat> queue;
        std::vector<milliseconds> pauses;
        HIDCtrl ctrl(std::make_unique<TCommandLineHidVariant>(
                         queue, [&pauses](milliseconds pause) { pauses.push_back(pause); }, c.wait),
                     library);
        EXPECT_FALSE(ctrl.Connect()) << c.wait.count();
        EXPECT_EQ(library.intf.openDeviceCalls, c.attempts) << c.wait.count();
        EXPECT_EQ(pauses,
                  std::vector<milliseconds>(static_cast<size_t>(c.attempts - 1), milliseconds(500)))
            << c.wait.count();
    }
    // A programmer that appears during the wait is taken at once.
    FakeHidLibrary library;
    library.intf.openSucceedsOnAttempt = 4;
    TThreadSafeQueue<TPacketFormat> queue;
    HIDCtrl ctrl(std::make_unique<TCommandLineHidVariant>(
                     queue, [](milliseconds) {}, milliseconds(20000)),
                 library);
    EXPECT_TRUE(ctrl.Connect());
    EXPECT_EQ(library.intf.openDeviceCalls, 4);
}

TEST(HIDCtrlCommandLine, SendsSixtyFourBytesAndJudgesTheLowByteOfTheResult) {
    FakeHidLibrary library;
    library.intf.openSucceedsOnAttempt = 1;
    CommandLineController c(library);
    const TPacketFormat request = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup);
    EXPECT_FALSE(c.ctrl.SendData(request)); // not connected yet
    EXPECT_TRUE(library.intf.Writes().empty());

    ASSERT_TRUE(c.ctrl.Connect());
    library.intf.writeResult = 0x100; // low byte 0: accepted
    EXPECT_TRUE(c.ctrl.SendData(request));
    library.intf.writeResult = 1;
    EXPECT_FALSE(c.ctrl.SendData(request));
    const auto writes = library.intf.Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].size(), 64u);
    EXPECT_EQ(writes[0][0], MODULE_PROGRAMMER);
}

TEST(HIDCtrlCommandLine, CallbacksQueuePacketsAndTheLinkLostMarker) {
    FakeHidLibrary library;
    CommandLineController c(library);
    library.intf.FireConnected();
    EXPECT_TRUE(c.ctrl.isConnected());
    EXPECT_EQ(c.queue.GetCount(), 0u); // connecting queues nothing

    // A report that holds the whole reply it names is zero-padded behind it; one too short for
    // its reply (the ReadID reply needs 39 bytes) answers nothing and is not queued, and a
    // report without bytes never reads behind the pointer.
    const uint8_t baudRateReply[] = {1, 2, 0, 0};
    library.intf.FireReport(baudRateReply, sizeof baudRateReply);
    TPacketFormat packet{};
    ASSERT_TRUE(c.queue.Get(packet));
    EXPECT_EQ(PacketToBytes(packet), BytesOf({1, 2, 0, 0}));
    std::vector<uint8_t> readIdReply(38, 0);
    readIdReply[0] = MODULE_TARGET;
    readIdReply[1] = TargetOp::ReadID;
    library.intf.FireReport(readIdReply.data(), static_cast<uint16_t>(readIdReply.size()));
    library.intf.FireReport(nullptr, 64);
    EXPECT_EQ(c.queue.GetCount(), 0u);

    library.intf.FireDisconnected();
    EXPECT_FALSE(c.ctrl.isConnected());
    ASSERT_TRUE(c.queue.Get(packet));
    EXPECT_EQ(packet.header.module, MARKER_LINK_LOST);
}

TEST(HIDCtrlCommandLine, DisconnectEndsAPendingWaitThroughTheMarker) {
    FakeHidLibrary library;
    library.intf.openSucceedsOnAttempt = 1;
    CommandLineController c(library);
    ASSERT_TRUE(c.ctrl.Connect());
    auto waiter = std::async(std::launch::async, [&] {
        TPacketFormat reply{};
        // No limit: only the marker can end this wait.
        if (!c.queue.Get(TThreadSafeQueue<TPacketFormat>::kInfinite, reply))
            return uint8_t{0};
        return reply.header.module;
    });
    library.intf.FireDisconnected();
    EXPECT_EQ(waiter.get(), MARKER_LINK_LOST);
    EXPECT_FALSE(c.ctrl.isConnected());
}

TEST(HIDCtrlCommandLine, DestroyClearsTheCallbacksAndUnloads) {
    FakeHidLibrary library;
    {
        CommandLineController c(library);
        EXPECT_TRUE(library.intf.HasCallbacks());
        EXPECT_EQ(HIDCtrl::Current(), &c.ctrl);
    }
    EXPECT_FALSE(library.intf.HasCallbacks());
    EXPECT_EQ(library.loads, 1);
    EXPECT_EQ(library.unloads, 1);
    EXPECT_EQ(library.intf.HostReferences(), 0u); // the controller's reference was given back
    EXPECT_EQ(HIDCtrl::Current(), nullptr);
}

TEST(HIDCtrl, MissingLibraryLeavesTheControllerUnconnected) {
    FakeHidLibrary library;
    library.available = false;
    WindowedController w(library);
    EXPECT_FALSE(w.ctrl.isDllLoaded());
    EXPECT_FALSE(w.ctrl.Connect());
    const uint8_t bytes[64] = {};
    EXPECT_EQ(w.ctrl.SendData(bytes, 64), -1);
    EXPECT_EQ(library.intf.connectDeviceCalls, 0);
}

TEST(HIDCtrl, OnlyOneControllerHoldsTheProcessSlot) {
    FakeHidLibrary first;
    FakeHidLibrary second;
    WindowedController holder(first);
    CommandLineController other(second);
    EXPECT_EQ(HIDCtrl::Current(), &holder.ctrl);
    EXPECT_TRUE(holder.ctrl.isDllLoaded());
    EXPECT_FALSE(other.ctrl.isDllLoaded());
    EXPECT_EQ(second.loads, 0);
    EXPECT_FALSE(other.ctrl.Connect());
}

TEST(HIDCtrlWindowed, ConnectStartsTheWatchAndTheCallbackConnects) {
    FakeHidLibrary library;
    WindowedController w(library);
    EXPECT_FALSE(w.ctrl.Connect()); // the connection is reported later
    EXPECT_EQ(library.intf.connectDeviceCalls, 1);
    EXPECT_EQ(library.intf.lastProduct, u"Orvik Ardent");

    library.intf.FireConnected();
    EXPECT_TRUE(w.ctrl.isConnected());
    TArrayByte packet{};
    ASSERT_TRUE(w.queue.Get(packet));
    EXPECT_EQ(packet[0], MARKER_CONNECTED);

    const uint8_t bytes[64] = {1, 6};
    EXPECT_EQ(w.ctrl.SendData(bytes, 64), 0);
    ASSERT_EQ(library.intf.Writes().size(), 1u);
}

TEST(HIDCtrlWindowed, ReportsAndMarkersShareTheReceiveBuffer) {
    FakeHidLibrary library;
    WindowedController w(library);
    TArrayByte full{};
    for (size_t i = 0; i < full.size(); ++i)
        full[i] = static_cast<uint8_t>(0x80 + i);
    library.intf.FireReport(full.data(), 64);
    const uint8_t triggerReply[] = {1, 9, 0, 0};
    library.intf.FireReport(triggerReply, sizeof triggerReply);
    // Too short for the burn result it names (31 bytes): not queued, the buffer untouched.
    const uint8_t burnResult[30] = {2, 2};
    library.intf.FireReport(burnResult, sizeof burnResult);
    library.intf.FireReport(nullptr, 64);
    library.intf.FireDisconnected();

    TArrayByte packet{};
    ASSERT_TRUE(w.queue.Get(packet));
    EXPECT_EQ(packet, full);
    // A shorter report leaves the rest of the buffer as the last report left it.
    ASSERT_TRUE(w.queue.Get(packet));
    TArrayByte expected = full;
    expected[0] = 1;
    expected[1] = 9;
    expected[2] = 0;
    expected[3] = 0;
    EXPECT_EQ(packet, expected);
    ASSERT_TRUE(w.queue.Get(packet));
    expected[0] = MARKER_DISCONNECTED;
    EXPECT_EQ(packet, expected);
    EXPECT_EQ(w.queue.GetCount(), 0u);
    EXPECT_FALSE(w.ctrl.isConnected());
}

TEST(HIDCtrlWindowed, OversizedReportIsCutAtSixtyFourBytes) {
    FakeHidLibrary library;
    WindowedController w(library);
    std::vector<uint8_t> big(100, 0x5A);
    library.intf.FireReport(big.data(), static_cast<uint16_t>(big.size()));
    TArrayByte packet{};
    ASSERT_TRUE(w.queue.Get(packet));
    EXPECT_EQ(packet[63], 0x5A);
}

} // namespace
} // namespace ardent
