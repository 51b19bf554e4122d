// libportbridge-sim.so loaded the way the host loads a transport library, against the simulated
// programmer: connecting, reports both ways, and the link's loss seen at once.

#include "SimTestSupport.h"

#include "portbridge/HidIntf.h"
#include "portbridge/ProgrammerList.h"

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

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
        ::unsetenv("ARDENT_SIM_LINE");
        ::unsetenv("ARDENT_PROGRAMMER");
        gLog = &log;
        library = ::dlopen(ARDENT_BIN_DIR "/libportbridge-sim.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << ::dlerror();
        begin = reinterpret_cast<void (*)()>(::dlsym(library, "HidDllBegin"));
        auto get = reinterpret_cast<void (*)(IHIDIntf**)>(::dlsym(library, "GetHidIntf"));
        end = reinterpret_cast<void (*)()>(::dlsym(library, "HidDllEnd"));
        list = reinterpret_cast<portbridge::ListProgrammersFunction>(
            ::dlsym(library, portbridge::kListProgrammersExport));
        ASSERT_TRUE(begin && get && end && list);
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
        ::unsetenv("ARDENT_SIM_LINE");
        ::unsetenv("ARDENT_PROGRAMMER");
    }
    // Whether a host holds the programmer at `socket`: the simulator serves one host at a time,
    // so a second link is turned away.
    static bool HeldByAHost(const std::string& socket) { return !TRawLink(socket).IsOpen(); }
    static void Choose(const std::string& choice) {
        if (choice.empty()) {
            ::unsetenv("ARDENT_PROGRAMMER");
        } else {
            ::setenv("ARDENT_PROGRAMMER", choice.c_str(), 1);
        }
    }
    std::vector<ArdentProgrammerEntry> Listed(int32_t* count = nullptr) {
        std::vector<ArdentProgrammerEntry> entries(8);
        const int32_t answered = list(entries.data(), static_cast<int32_t>(entries.size()));
        if (count != nullptr) {
            *count = answered;
        }
        entries.resize(answered < 0 ? 0 : static_cast<size_t>(answered));
        return entries;
    }
    bool Write(const TPacketFormat& packet) {
        return (intf->WriteReport(reinterpret_cast<const uint8_t*>(&packet), kPacketSize) & 0xFF) ==
               0;
    }

    TCallbackLog log;
    void* library = nullptr;
    void (*begin)() = nullptr;
    void (*end)() = nullptr;
    portbridge::ListProgrammersFunction list = nullptr;
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

// A line of three simulated programmers; the choice decides which one OpenDevice takes, if any.
TEST_F(SimTransport, OpenDeviceOnALineTakesTheChosenProgrammerOnly) {
    TLineFolder folder;
    const std::vector<std::string> serials = {"SIM00000001", "SIM00000002", "LINE-C"};
    TSimLine line(folder.Path(), serials);
    ASSERT_TRUE(line.Ready());
    ::setenv("ARDENT_SIM_LINE", folder.Path().c_str(), 1);
    struct Case {
        const char* name;
        std::string choice;
        int expected; // index in `serials` of the programmer connected, -1 = none
    };
    const Case cases[] = {
        {"several, none chosen", "", -1},
        {"chosen serial present", "SIM00000002", 1},
        {"chosen serial absent", "SIM00000009", -1},
        {"chosen by socket path", folder.Socket("LINE-C"), 2},
        {"a serial that would leave the folder", "../LINE-C", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Choose(c.choice);
        const bool opened = intf->OpenDevice(kProductName) == 0;
        EXPECT_EQ(opened, c.expected >= 0);
        for (size_t i = 0; i < serials.size(); ++i) {
            EXPECT_EQ(HeldByAHost(folder.Socket(serials[i])), static_cast<int>(i) == c.expected)
                << serials[i];
        }
        if (opened) {
            // Leave the programmer for the next case, as a host that quits does.
            end();
            begin();
            IHIDIntf* again = nullptr;
            reinterpret_cast<void (*)(IHIDIntf**)>(::dlsym(library, "GetHidIntf"))(&again);
            intf = again;
            intf->SetConnectedCallback(OnConnected);
        }
    }
}

TEST_F(SimTransport, OpenDeviceOnALineOfOneNeedsNoChoice) {
    TLineFolder folder;
    TSimLine line(folder.Path(), {"SIM00000001"});
    ASSERT_TRUE(line.Ready());
    ::setenv("ARDENT_SIM_LINE", folder.Path().c_str(), 1);
    // The line wins over a single simulator's socket.
    ::setenv("ARDENT_SIM_SOCKET", "/nonexistent/progsim.sock", 1);
    EXPECT_EQ(intf->OpenDevice(kProductName), 0);
    EXPECT_TRUE(HeldByAHost(folder.Socket("SIM00000001")));
}

TEST_F(SimTransport, ConnectDeviceWaitsForTheChosenProgrammerToJoinTheLine) {
    TLineFolder folder;
    TSimLine first(folder.Path(), {"SIM00000001"});
    ASSERT_TRUE(first.Ready());
    ::setenv("ARDENT_SIM_LINE", folder.Path().c_str(), 1);
    Choose("LATE-2");
    ASSERT_EQ(intf->ConnectDevice(kProductName), 0);
    // The only programmer there is not the chosen one: it stays free.
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log.connected, 0);
    EXPECT_FALSE(HeldByAHost(folder.Socket("SIM00000001")));

    TSimLine second(folder.Path(), {"LATE-2"});
    ASSERT_TRUE(second.Ready());
    ASSERT_TRUE(log.WaitFor([](TCallbackLog& l) { return l.connected == 1; }));
    EXPECT_TRUE(HeldByAHost(folder.Socket("LATE-2")));
}

TEST_F(SimTransport, ConnectDeviceWithSeveralAndNoneChosenConnectsOnlyOnceOneIsLeft) {
    TLineFolder folder;
    TSimLine line(folder.Path(), {"SIM00000001", "SIM00000002"});
    ASSERT_TRUE(line.Ready());
    ::setenv("ARDENT_SIM_LINE", folder.Path().c_str(), 1);
    ASSERT_EQ(intf->ConnectDevice(kProductName), 0);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log.connected, 0);
    // Unplugged, a programmer is off the bus: the other one is the only one left.
    ASSERT_EQ(line.Control("SIM00000001", "unplug"), "ok");
    ASSERT_TRUE(log.WaitFor([](TCallbackLog& l) { return l.connected == 1; }));
    EXPECT_TRUE(HeldByAHost(folder.Socket("SIM00000002")));
}

TEST_F(SimTransport, SingleSimulatorIsChosenByItsSerialOrSocket) {
    TSimDaemon daemon({"--serial", "BENCH-7"});
    ASSERT_TRUE(daemon.Ready());
    ::setenv("ARDENT_SIM_SOCKET", daemon.Socket().c_str(), 1);
    Choose("SIM00000001");
    EXPECT_NE(intf->OpenDevice(kProductName), 0);
    Choose("/tmp/elsewhere.sock");
    EXPECT_NE(intf->OpenDevice(kProductName), 0);
    Choose(daemon.Socket());
    EXPECT_EQ(intf->OpenDevice(kProductName), 0);
    end();
    begin();
    reinterpret_cast<void (*)(IHIDIntf**)>(::dlsym(library, "GetHidIntf"))(&intf);
    Choose("BENCH-7");
    EXPECT_EQ(intf->OpenDevice(kProductName), 0);
}

TEST_F(SimTransport, ListsTheProgrammersThatAnswerOnTheLine) {
    TLineFolder folder;
    TSimLine line(folder.Path(), {"SIM00000003", "SIM00000001", "SIM00000002"});
    ASSERT_TRUE(line.Ready());
    ASSERT_EQ(line.Control("SIM00000003", "unplug"), "ok");
    // What else a folder may hold: the socket a killed daemon left, and other files.
    const std::string stale = folder.Socket("DEAD-1");
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, stale.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    std::fclose(std::fopen((folder.Path() + "/notes.txt").c_str(), "w"));
    std::fclose(std::fopen((folder.Path() + "/.sock").c_str(), "w"));
    ::setenv("ARDENT_SIM_LINE", folder.Path().c_str(), 1);

    const std::vector<ArdentProgrammerEntry> entries = Listed();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_STREQ(entries[0].serial, "SIM00000001");
    EXPECT_EQ(std::string(entries[0].path), folder.Socket("SIM00000001"));
    EXPECT_EQ(entries[0].accessible, 1);
    EXPECT_STREQ(entries[1].serial, "SIM00000002");
    EXPECT_EQ(entries[1].accessible, 1);

    // Plugged in again, it is listed again; a listing holds no programmer.
    ASSERT_EQ(line.Control("SIM00000003", "plug"), "ok");
    EXPECT_EQ(Listed().size(), 3u);
    EXPECT_FALSE(HeldByAHost(folder.Socket("SIM00000002")));

    int32_t count = 0;
    ::setenv("ARDENT_SIM_LINE", (folder.Path() + "/missing").c_str(), 1);
    Listed(&count);
    EXPECT_EQ(count, -1);
}

TEST_F(SimTransport, ListsTheSingleSimulatorWithItsDefaultSerial) {
    TSimDaemon daemon;
    ASSERT_TRUE(daemon.Ready());
    ::setenv("ARDENT_SIM_SOCKET", daemon.Socket().c_str(), 1);
    const std::vector<ArdentProgrammerEntry> entries = Listed();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_STREQ(entries[0].serial, "SIM00000001");
    EXPECT_EQ(std::string(entries[0].path), daemon.Socket());
    ASSERT_EQ(daemon.Control("unplug"), "ok");
    EXPECT_TRUE(Listed().empty());
}

} // namespace
} // namespace ardent::simtest
