#include "operations/QueueExchange.h"
#include "operations/DeviceSetupHandler.h"
#include "operations/WaitClock.h"

#include <gtest/gtest.h>

#include <thread>

namespace ardent {
namespace {

using std::chrono::milliseconds;

TEST(WaitClock, ShortensWaitsOnlyWhenAskedAndNeverToZero) {
    EXPECT_EQ(TWaitClock{}.Wait(milliseconds(30000)), milliseconds(30000));
    EXPECT_EQ(TWaitClock{0.001}.Wait(milliseconds(30000)), milliseconds(30));
    EXPECT_EQ(TWaitClock{0.001}.Wait(milliseconds(100)), milliseconds(1));
    EXPECT_EQ(TWaitClock{0.001}.Wait(milliseconds(0)), milliseconds(0));
    // A clock never lengthens a wait, and nonsense keeps the real waits.
    EXPECT_EQ(TWaitClock{5.0}.Wait(milliseconds(200)), milliseconds(200));
    EXPECT_EQ(TWaitClock{-1.0}.Wait(milliseconds(200)), milliseconds(200));
}

TEST(WaitClock, ParsesOnlyAScaleAboveZeroUpToOne) {
    EXPECT_EQ(ParseTimeoutScale("0.01"), 0.01);
    EXPECT_EQ(ParseTimeoutScale("1"), 1.0);
    for (const char* text : {"", "0", "-0.5", "2", "0.5x", "abc", "nan", "inf", " 0.1"})
        EXPECT_EQ(ParseTimeoutScale(text), std::nullopt) << text;
}

TEST(QueueExchange, TakesTheNextReportAndPassesOverEventReports) {
    TThreadSafeQueue<TPacketFormat> queue;
    TQueueExchange exchange([](const TPacketFormat&) { return true; }, queue);
    queue.Put(MakeRequest(MODULE_EVENT, EventOp::SdCardEvent));
    queue.Put(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup));
    const auto packet = exchange.Receive(milliseconds(1000));
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->header.module, MODULE_PROGRAMMER);
    EXPECT_EQ(queue.GetCount(), 0u);
}

TEST(QueueExchange, EndsTheWaitWhenNothingOrOnlyEventsArrive) {
    TThreadSafeQueue<TPacketFormat> queue;
    TQueueExchange exchange([](const TPacketFormat&) { return true; }, queue);
    EXPECT_FALSE(exchange.Receive(milliseconds(2)));
    queue.Put(MakeRequest(MODULE_EVENT, EventOp::ExternalTriggerEvent));
    EXPECT_FALSE(exchange.Receive(milliseconds(2)));
}

TEST(QueueExchange, AReplyFromAnotherThreadEndsTheWaitAtOnce) {
    TThreadSafeQueue<TPacketFormat> queue;
    TQueueExchange exchange([](const TPacketFormat&) { return true; }, queue);
    std::thread programmer([&] { queue.Put(MakeMarker(MARKER_LINK_LOST)); });
    const auto packet = exchange.Receive(milliseconds(60000));
    programmer.join();
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->header.module, MARKER_LINK_LOST);
}

TEST(QueueExchange, ALateReplyIsDroppedBeforeTheNextOperation) {
    // The windowed program's device-setup handler with its own queue; the programmer answers
    // the first request too late and the second one at once.
    TQueueExchange* self = nullptr;
    int sent = 0;
    TQueueExchange exchange([&](const TPacketFormat& request) {
        if (sent++ > 0)
            self->Deliver(request); // an echo is a matching reply with status 0
        return true;
    });
    self = &exchange;
    TDeviceSetupHandler handler({exchange, TRequestTimeouts::Windowed(), TWaitClock{0.01}});

    TDeviceConfigurationStruct description{};
    EXPECT_FALSE(handler.GetConfigurationInfo(description));
    handler.ParseResponse(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo));

    handler.ClearQueueBeforeOperation();
    TDeviceBurnerInfo info{};
    EXPECT_TRUE(handler.GetDeviceSetup(info));
    EXPECT_EQ(exchange.Queue().GetCount(), 0u);
}

TEST(QueueExchange, EveryRequestDropsWhatCameBeforeItEvenWithoutClearing) {
    // A late reply of the same request, with another firmware version, waits in the queue; the
    // programmer then answers the new request at once.
    TQueueExchange* self = nullptr;
    TQueueExchange exchange([&](const TPacketFormat& request) {
        TPacketFormat reply = request;
        reply.data[0] = 0x03;
        self->Deliver(reply);
        return true;
    });
    self = &exchange;
    TDeviceSetupHandler handler({exchange, TRequestTimeouts::Windowed(), TWaitClock{0.01}});
    handler.ParseResponse(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup));
    TDeviceBurnerInfo info{};
    EXPECT_TRUE(handler.GetDeviceSetup(info));
    EXPECT_EQ(+info.firmwareVersion, 3u);
    EXPECT_EQ(exchange.Queue().GetCount(), 0u);
}

TEST(QueueExchange, AReplyToAnotherRequestDoesNotEndTheWait) {
    // The programmer answers late: a reply of another request arrives first, the answer 20 ms
    // later, well within the wait.
    TThreadSafeQueue<TPacketFormat> queue;
    std::thread programmer;
    TQueueExchange exchange(
        [&](const TPacketFormat& request) {
            queue.Put(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo));
            programmer = std::thread([&queue, request] {
                std::this_thread::sleep_for(milliseconds(20));
                queue.Put(request);
            });
            return true;
        },
        queue);
    const auto started = std::chrono::steady_clock::now();
    const TExchangeResult result = ExchangeRequest(
        exchange, MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::SetBaudRate), milliseconds(60000));
    programmer.join();
    EXPECT_EQ(result.check, TReplyCheck::Executed);
    EXPECT_EQ(result.reply.header.opCode, ProgrammerOp::SetBaudRate);
    EXPECT_GE(std::chrono::steady_clock::now() - started, milliseconds(20));
}

} // namespace
} // namespace ardent
