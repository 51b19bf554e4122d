// libportbridge-sim.so loaded the way the host loads a transport library, against the simulated
// programmer: connecting, reports both ways, and the link's loss seen at once.

#include "SimTestSupport.h"

#include "portbridge/HidIntf.h"

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <mutex>

namespace ardent::simtest {
namespace {

using portbridge::IHIDIntf;
using portbridge::kProductName;

// What the library reported through its callbacks.
struct TCallbackLog {
    std::mutex lock;
    std::condition_variable changed;
    int connected = 0;
    int disconnected = 0;
    std::deque<TPacketFormat> reports;

    template <typename Predicate> bool WaitFor(Predicate predicate) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, kPatience, [&] { return predicate(*this); });
    }
};
TCallbackLog* gLog = nullptr;

void OnReport(void*, const uint8_t* data, uint16_t count) {
    std::lock_guard guard(gLog->lock);
    gLog->reports.push_back(PacketFromBytes(std::span<const uint8_t>(data, count)));
    gLog->changed.notify_all();
}
void OnConnected() {
    std::lock_guard guard(gLog->lock);
    ++gLog->connected;
    gLog->changed.notify_all();
}
void OnDisconnected() {
    std::lock_guard guard(gLog->lock);
    ++gLog->disconnected;
    gLog->changed.notify_all();
}

class SimTransport : public ::testing::Test {
protected:
    void SetUp() override {
        gLog = &log;
        library = ::dlopen(ARDENT_BIN_DIR "/libportbridge-sim.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << ::dlerror();
        begin = reinterpret_cast<void (*)()>(::dlsym(library, "HidDllBegin"));
        auto get = reinterpret_cast<void (*)(IHIDIntf**)>(::dlsym(library, "GetHidIntf"));
        end = reinterpret_cast<void (*)()>(::dlsym(library, "HidDllEnd"));
        ASSERT_TRUE(begin && get && end);
        begin();
        get(&intf);
        ASSERT_NE(intf, nullptr);
        intf->SetReceiveCallback(OnReport);
        intf->SetConnectedCallback(OnConnected);
        intf->SetDisconnectedCallback(OnDisconnected);
    }
    void TearDown() override {
        if (end != nullptr) {
            end();
        }
        if (library != nullptr) {
            ::dlclose(library);
        }
        gLog = nullptr;
    }
    bool Write(const TPacketFormat& packet) {
        return (intf->WriteReport(reinterpret_cast<const uint8_t*>(&packet), kPacketSize) & 0xFF) ==
               0;
    }

    TCallbackLog log;
    void* library = nullptr;
    void (*begin)() = nullptr;
    void (*end)() = nullptr;
    IHIDIntf* intf = nullptr;
};

TEST_F(SimTransport, UnplugDuringAWaitIsSeenAsADisconnectAtOnce) {
    TSimDaemon daemon({"--scenario", ARDENT_TEST_DATA_DIR "/simulator/slow-burn.scenario"});
    ASSERT_TRUE(daemon.Ready());
    ::setenv("ARDENT_SIM_SOCKET", daemon.Socket().c_str(), 1);
    ASSERT_EQ(intf->OpenDevice(kProductName), 0);
    EXPECT_EQ(log.connected, 1); // fired before OpenDevice returned

    ASSERT_TRUE(Write(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup)));
    ASSERT_TRUE(log.WaitFor([](TCallbackLog& l) { return l.reports.size() == 1; }));
    EXPECT_EQ(log.reports.front().header.opCode, ProgrammerOp::GetDeviceSetup);

    // The burn takes a minute; pulling the cable ends the wait for its result right away.
    ASSERT_TRUE(Write(MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, uint8_t{0})));
    ASSERT_EQ(daemon.Control("unplug"), "ok");
    EXPECT_TRUE(log.WaitFor([](TCallbackLog& l) { return l.disconnected == 1; }));
    EXPECT_EQ(log.reports.size(), 1u);
    EXPECT_FALSE(Write(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup)));
    EXPECT_NE(intf->OpenDevice(kProductName), 0);

    ASSERT_EQ(daemon.Control("plug"), "ok");
    EXPECT_EQ(intf->OpenDevice(kProductName), 0);
    EXPECT_EQ(log.connected, 2);
}

TEST_F(SimTransport, ConnectDeviceWaitsForTheProgrammerAndFollowsItsComingsAndGoings) {
    const std::string socket = UniqueSocketPath();
    ::setenv("ARDENT_SIM_SOCKET", socket.c_str(), 1);
    ASSERT_EQ(intf->ConnectDevice(kProductName), 0);
    {
        TSimDaemon daemon({}, socket);
        ASSERT_TRUE(daemon.Ready());
        ASSERT_TRUE(log.WaitFor([](TCallbackLog& l) { return l.connected == 1; }));
        ASSERT_TRUE(Write(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo)));
        ASSERT_TRUE(log.WaitFor([](TCallbackLog& l) { return l.reports.size() == 1; }));

        ASSERT_EQ(daemon.Control("unplug"), "ok");
        ASSERT_TRUE(log.WaitFor([](TCallbackLog& l) { return l.disconnected == 1; }));
        ASSERT_EQ(daemon.Control("plug"), "ok");
        ASSERT_TRUE(log.WaitFor([](TCallbackLog& l) { return l.connected == 2; }));
    }
    // The daemon quit: the host hears it went away, and connects again when one comes back.
    ASSERT_TRUE(log.WaitFor([](TCallbackLog& l) { return l.disconnected == 2; }));
    TSimDaemon again({}, socket);
    ASSERT_TRUE(again.Ready());
    EXPECT_TRUE(log.WaitFor([](TCallbackLog& l) { return l.connected == 3; }));
}

TEST_F(SimTransport, AnswersOnlyToTheProgrammersProductString) {
    TSimDaemon daemon;
    ASSERT_TRUE(daemon.Ready());
    ::setenv("ARDENT_SIM_SOCKET", daemon.Socket().c_str(), 1);
    EXPECT_NE(intf->OpenDevice(u"Other Device"), 0);
    EXPECT_NE(intf->OpenDevice(nullptr), 0);
    EXPECT_EQ(log.connected, 0);
    void* same = nullptr;
    EXPECT_EQ(intf->QueryInterface(portbridge::kIHIDIntfId, &same), 0);
    EXPECT_EQ(same, intf);
    const uint8_t other[16] = {};
    EXPECT_NE(intf->QueryInterface(other, &same), 0);
}

} // namespace
} // namespace ardent::simtest
