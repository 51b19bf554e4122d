#include "PortBridge.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

namespace ardent::portbridge {
namespace {

using namespace std::chrono_literals;

// A HID device in memory: input reports a test queues, output reports it records, and an
// unplug that makes every later call fail as hidraw does.
class FakeDevice final : public IHidDevice {
public:
    int Read(uint8_t* buffer, size_t size, int timeoutMs) override {
        std::unique_lock lock(fLock);
        fChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return fUnplugged || !fInput.empty(); });
        if (fUnplugged)
            return -1;
        if (fInput.empty())
            return 0;
        const std::vector<uint8_t> report = std::move(fInput.front());
        fInput.pop_front();
        const size_t length = std::min(size, report.size());
        std::copy_n(report.begin(), length, buffer);
        return static_cast<int>(length);
    }
    int Write(const uint8_t* data, size_t size) override {
        std::lock_guard guard(fLock);
        if (fUnplugged)
            return -1;
        fOutput.emplace_back(data, data + size);
        return static_cast<int>(size);
    }

    void QueueInput(std::vector<uint8_t> report) {
        {
            std::lock_guard guard(fLock);
            fInput.push_back(std::move(report));
        }
        fChanged.notify_all();
    }
    void Unplug() {
        {
            std::lock_guard guard(fLock);
            fUnplugged = true;
        }
        fChanged.notify_all();
    }
    std::vector<std::vector<uint8_t>> Output() {
        std::lock_guard guard(fLock);
        return fOutput;
    }

private:
    std::mutex fLock;
    std::condition_variable fChanged;
    std::deque<std::vector<uint8_t>> fInput;
    std::vector<std::vector<uint8_t>> fOutput;
    bool fUnplugged = false;
};

// The bus: which devices are present now.
class FakeHidApi final : public IHidApi {
public:
    std::vector<THidDeviceInfo> Enumerate() override {
        std::lock_guard guard(fLock);
        ++enumerations;
        std::vector<THidDeviceInfo> list;
        for (const Entry& entry : fDevices)
            list.push_back(entry.info);
        return list;
    }
    bool MayOpen(const std::string& path) override {
        std::lock_guard guard(fLock);
        return fDenied.count(path) == 0;
    }
    std::shared_ptr<IHidDevice> Open(const std::string& path) override {
        std::lock_guard guard(fLock);
        if (fDenied.count(path) != 0)
            return nullptr; // hidraw node without read-write permission for this user
        for (const Entry& entry : fDevices)
            if (entry.info.path == path)
                return entry.device;
        return nullptr;
    }

    std::shared_ptr<FakeDevice> Plug(const std::string& path, const std::u16string& product,
                                     const std::string& serial = "") {
        auto device = std::make_shared<FakeDevice>();
        std::lock_guard guard(fLock);
        fDevices.push_back({{path, product, serial}, device});
        return device;
    }
    void Deny(const std::string& path) {
        std::lock_guard guard(fLock);
        fDenied.insert(path);
    }
    void Unplug(const std::string& path) {
        std::lock_guard guard(fLock);
        for (auto it = fDevices.begin(); it != fDevices.end(); ++it) {
            if (it->info.path == path) {
                it->device->Unplug();
                fDevices.erase(it);
                return;
            }
        }
    }

    std::atomic<int> enumerations{0};

private:
    struct Entry {
        THidDeviceInfo info;
        std::shared_ptr<FakeDevice> device;
    };
    std::mutex fLock;
    std::vector<Entry> fDevices;
    std::set<std::string> fDenied;
};

// What ARDENT_PROGRAMMER would say, set by a test; the bridge's worker reads it too.
class FakeChoice {
public:
    void Set(std::string choice) {
        std::lock_guard guard(fLock);
        fChoice = std::move(choice);
    }
    std::string Get() {
        std::lock_guard guard(fLock);
        return fChoice;
    }

private:
    std::mutex fLock;
    std::string fChoice;
};

// What the host's callbacks saw. The callbacks carry no context, so the record is global;
// Wait blocks until a condition holds (the limit only guards a hang).
struct CallbackRecord {
    std::mutex lock;
    std::condition_variable changed;
    int connects = 0;
    int disconnects = 0;
    std::vector<std::vector<uint8_t>> reports;

    void Reset() {
        std::lock_guard guard(lock);
        connects = disconnects = 0;
        reports.clear();
    }
    template <typename Predicate> bool Wait(Predicate predicate) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, 10s, [&] { return predicate(*this); });
    }
};
CallbackRecord gRecord;

void RecordReport(void*, const uint8_t* data, uint16_t count) {
    {
        std::lock_guard guard(gRecord.lock);
        gRecord.reports.emplace_back(data, data + count);
    }
    gRecord.changed.notify_all();
}
void RecordConnect() {
    {
        std::lock_guard guard(gRecord.lock);
        ++gRecord.connects;
    }
    gRecord.changed.notify_all();
}
void RecordDisconnect() {
    {
        std::lock_guard guard(gRecord.lock);
        ++gRecord.disconnects;
    }
    gRecord.changed.notify_all();
}

class PortBridgeTest : public ::testing::Test {
protected:
    void SetUp() override {
        gRecord.Reset();
        bridge.SetReceiveCallback(&RecordReport);
        bridge.SetConnectedCallback(&RecordConnect);
        bridge.SetDisconnectedCallback(&RecordDisconnect);
    }

    // Which fake programmer got the host's reports.
    static bool GotReport(const std::shared_ptr<FakeDevice>& device) {
        return !device->Output().empty();
    }

    FakeHidApi api;
    FakeChoice choice;
    TPortBridge bridge{api, TPortBridgeTiming{5ms, 5ms}, [this] { return choice.Get(); }};
};

TEST_F(PortBridgeTest, OpenDeviceFindsTheProgrammerByProductStringAlone) {
    api.Plug("/dev/hidraw0", u"USB Keyboard");
    auto programmer = api.Plug("/dev/hidraw3", kProductName);
    ASSERT_EQ(bridge.OpenDevice(kProductName), 0);
    {
        // The connected callback has run before OpenDevice returned.
        std::lock_guard guard(gRecord.lock);
        EXPECT_EQ(gRecord.connects, 1);
    }
    const uint8_t request[64] = {1, 1};
    EXPECT_EQ(bridge.WriteReport(request, 64), 0);
    ASSERT_EQ(programmer->Output().size(), 1u);
}

TEST_F(PortBridgeTest, OpenDeviceTriesOnceWhenTheProgrammerIsAbsent) {
    api.Plug("/dev/hidraw0", u"Orvik Ardent Pro"); // a different product string
    EXPECT_NE(bridge.OpenDevice(kProductName), 0);
    EXPECT_EQ(api.enumerations, 1);
    std::lock_guard guard(gRecord.lock);
    EXPECT_EQ(gRecord.connects, 0);
}

TEST_F(PortBridgeTest, WriteReportPrefixesReportIdAndPadsToAFullReport) {
    auto programmer = api.Plug("/dev/hidraw1", kProductName);
    const uint8_t request[] = {2, 1, 0, 4, 9};
    EXPECT_NE(bridge.WriteReport(request, sizeof request), 0); // not open yet
    ASSERT_EQ(bridge.OpenDevice(kProductName), 0);
    EXPECT_EQ(bridge.WriteReport(request, sizeof request), 0);
    std::vector<uint8_t> expected(65, 0);
    std::copy(std::begin(request), std::end(request), expected.begin() + 1);
    ASSERT_EQ(programmer->Output().size(), 1u);
    EXPECT_EQ(programmer->Output()[0], expected);

    const std::array<uint8_t, 65> tooLong{};
    EXPECT_NE(bridge.WriteReport(tooLong.data(), 65), 0);
    EXPECT_NE(bridge.WriteReport(nullptr, 64), 0);
}

TEST_F(PortBridgeTest, InputReportsReachTheReceiveCallbackAsFullReports) {
    auto programmer = api.Plug("/dev/hidraw1", kProductName);
    ASSERT_EQ(bridge.OpenDevice(kProductName), 0);
    std::vector<uint8_t> full(64);
    for (size_t i = 0; i < full.size(); ++i)
        full[i] = static_cast<uint8_t>(i + 1);
    programmer->QueueInput(full);
    programmer->QueueInput({5, 2, 1});
    ASSERT_TRUE(gRecord.Wait([](CallbackRecord& r) { return r.reports.size() == 2; }));
    std::lock_guard guard(gRecord.lock);
    EXPECT_EQ(gRecord.reports[0], full);
    std::vector<uint8_t> padded(64, 0);
    padded[0] = 5;
    padded[1] = 2;
    padded[2] = 1;
    EXPECT_EQ(gRecord.reports[1], padded);
}

TEST_F(PortBridgeTest, UnplugAfterOpenDeviceIsReportedAndWritesFail) {
    api.Plug("/dev/hidraw1", kProductName);
    ASSERT_EQ(bridge.OpenDevice(kProductName), 0);
    api.Unplug("/dev/hidraw1");
    ASSERT_TRUE(gRecord.Wait([](CallbackRecord& r) { return r.disconnects == 1; }));
    const uint8_t request[64] = {};
    EXPECT_NE(bridge.WriteReport(request, 64), 0);
    // Opening again is the host's decision.
    api.Plug("/dev/hidraw1", kProductName);
    EXPECT_EQ(bridge.OpenDevice(kProductName), 0);
    ASSERT_TRUE(gRecord.Wait([](CallbackRecord& r) { return r.connects == 2; }));
}

TEST_F(PortBridgeTest, ConnectDeviceWatchesForPlugAndUnplugAgain) {
    EXPECT_EQ(bridge.ConnectDevice(kProductName), 0);
    api.Plug("/dev/hidraw2", kProductName);
    ASSERT_TRUE(gRecord.Wait([](CallbackRecord& r) { return r.connects == 1; }));
    api.Unplug("/dev/hidraw2");
    ASSERT_TRUE(gRecord.Wait([](CallbackRecord& r) { return r.disconnects == 1; }));
    auto again = api.Plug("/dev/hidraw5", kProductName);
    ASSERT_TRUE(gRecord.Wait([](CallbackRecord& r) { return r.connects == 2; }));
    again->QueueInput({2, 2});
    ASSERT_TRUE(gRecord.Wait([](CallbackRecord& r) { return r.reports.size() == 1; }));
}

TEST_F(PortBridgeTest, ConnectDeviceAnnouncesAnAlreadyOpenDevice) {
    api.Plug("/dev/hidraw1", kProductName);
    ASSERT_EQ(bridge.OpenDevice(kProductName), 0);
    EXPECT_EQ(bridge.ConnectDevice(kProductName), 0);
    ASSERT_TRUE(gRecord.Wait([](CallbackRecord& r) { return r.connects == 2; }));
}

TEST_F(PortBridgeTest, ClearedCallbackIsNotCalledAnyMore) {
    auto programmer = api.Plug("/dev/hidraw1", kProductName);
    ASSERT_EQ(bridge.OpenDevice(kProductName), 0);
    bridge.SetReceiveCallback(nullptr);
    programmer->QueueInput({1, 1});
    // The disconnect after the report proves the worker got past the report.
    programmer->Unplug();
    ASSERT_TRUE(gRecord.Wait([](CallbackRecord& r) { return r.disconnects == 1; }));
    std::lock_guard guard(gRecord.lock);
    EXPECT_TRUE(gRecord.reports.empty());
}

// Three programmers may be on the bus (serials A1, B2, C3 at hidraw1, hidraw2, hidraw3), with a
// keyboard beside them; the choice decides which one OpenDevice opens, if any.
TEST_F(PortBridgeTest, OpenDeviceConnectsToTheChosenProgrammerOnly) {
    struct Case {
        const char* name;
        int connected; // how many of the three programmers are plugged in
        const char* choice;
        int expected; // 1-based index of the programmer opened, 0 = none
    };
    const Case cases[] = {
        {"none connected", 0, "", 0},
        {"one connected, none chosen", 1, "", 1},
        {"several connected, none chosen", 3, "", 0},
        {"chosen serial present", 3, "B2", 2},
        {"chosen serial absent", 3, "Z9", 0},
        {"chosen serial is only a prefix", 3, "B", 0},
        {"chosen by device path", 3, "/dev/hidraw3", 3},
        {"chosen path absent", 3, "/dev/hidraw9", 0},
        {"one connected, another chosen", 1, "C3", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHidApi bus;
        bus.Plug("/dev/hidraw0", u"USB Keyboard", "B2");
        std::vector<std::shared_ptr<FakeDevice>> programmers;
        const char* serials[] = {"A1", "B2", "C3"};
        for (int i = 0; i < c.connected; ++i)
            programmers.push_back(
                bus.Plug("/dev/hidraw" + std::to_string(i + 1), kProductName, serials[i]));
        const std::string chosen = c.choice;
        TPortBridge local{bus, TPortBridgeTiming{5ms, 5ms}, [chosen] { return chosen; }};
        const int32_t opened = local.OpenDevice(kProductName);
        EXPECT_EQ(opened == 0, c.expected != 0);
        if (opened != 0)
            continue;
        const uint8_t request[64] = {1, 1};
        ASSERT_EQ(local.WriteReport(request, 64), 0);
        for (int i = 0; i < c.connected; ++i)
            EXPECT_EQ(GotReport(programmers[i]), i + 1 == c.expected) << "programmer " << i + 1;
    }
}

TEST_F(PortBridgeTest, ChosenPathMayBeALinkToTheDeviceNode) {
    // A udev rule may give each programmer a stable alias; the alias names the node it leads to.
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("ardent-pb-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string node = (folder / "hidraw4").string();
    std::fclose(std::fopen(node.c_str(), "w"));
    std::filesystem::create_symlink(node, folder / "ardent-line-2");
    api.Plug((folder / "hidraw3").string(), kProductName, "A1");
    auto second = api.Plug(node, kProductName, "B2");
    choice.Set((folder / "ardent-line-2").string());
    EXPECT_EQ(bridge.OpenDevice(kProductName), 0);
    const uint8_t request[64] = {1, 1};
    EXPECT_EQ(bridge.WriteReport(request, 64), 0);
    EXPECT_TRUE(GotReport(second));
    std::filesystem::remove_all(folder);
}

TEST_F(PortBridgeTest, ProgrammerThisUserMayNotOpenIsListedButNeverOpened) {
    api.Plug("/dev/hidraw1", kProductName, "A1");
    api.Deny("/dev/hidraw1");
    EXPECT_NE(bridge.OpenDevice(kProductName), 0);

    // With a second one that opens, an unchosen connection still does not guess.
    auto open = api.Plug("/dev/hidraw2", kProductName, "B2");
    EXPECT_NE(bridge.OpenDevice(kProductName), 0);
    EXPECT_FALSE(GotReport(open));

    const std::vector<TProgrammerInfo> listed = ListProgrammers(api, kProductName);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].serial, "A1");
    EXPECT_EQ(listed[0].path, "/dev/hidraw1");
    EXPECT_FALSE(listed[0].accessible);
    EXPECT_EQ(listed[1].serial, "B2");
    EXPECT_TRUE(listed[1].accessible);

    choice.Set("A1");
    EXPECT_NE(bridge.OpenDevice(kProductName), 0);
    choice.Set("B2");
    EXPECT_EQ(bridge.OpenDevice(kProductName), 0);
}

TEST_F(PortBridgeTest, ConnectDeviceWaitsForTheChosenProgrammerAndIgnoresOthers) {
    choice.Set("B2");
    EXPECT_EQ(bridge.ConnectDevice(kProductName), 0);
    auto other = api.Plug("/dev/hidraw1", kProductName, "A1");
    // Several watch rounds pass with only the other programmer there.
    const int before = api.enumerations;
    while (api.enumerations < before + 5)
        std::this_thread::sleep_for(1ms);
    {
        std::lock_guard guard(gRecord.lock);
        EXPECT_EQ(gRecord.connects, 0);
    }
    auto chosen = api.Plug("/dev/hidraw2", kProductName, "B2");
    ASSERT_TRUE(gRecord.Wait([](CallbackRecord& r) { return r.connects == 1; }));
    const uint8_t request[64] = {1, 1};
    EXPECT_EQ(bridge.WriteReport(request, 64), 0);
    EXPECT_TRUE(GotReport(chosen));
    EXPECT_FALSE(GotReport(other));
}

TEST_F(PortBridgeTest, ConnectDeviceWithSeveralAndNoneChosenKeepsWatching) {
    api.Plug("/dev/hidraw1", kProductName, "A1");
    api.Plug("/dev/hidraw2", kProductName, "B2");
    EXPECT_EQ(bridge.ConnectDevice(kProductName), 0);
    while (api.enumerations < 5)
        std::this_thread::sleep_for(1ms);
    {
        std::lock_guard guard(gRecord.lock);
        EXPECT_EQ(gRecord.connects, 0);
    }
    // Once one is unplugged, the remaining one is the programmer.
    api.Unplug("/dev/hidraw1");
    EXPECT_TRUE(gRecord.Wait([](CallbackRecord& r) { return r.connects == 1; }));
}

TEST(ProgrammerEntries, HostEntriesAreFilledUpToTheirCapacityAndAlwaysTerminated) {
    const std::string longSerial(100, 'S');
    const std::vector<TProgrammerInfo> programmers = {
        {"A1", "/dev/hidraw1", true}, {longSerial, "/dev/hidraw2", false}, {"C3", "/x", true}};
    EXPECT_EQ(FillProgrammerEntries(programmers, nullptr, 0), 3);

    ArdentProgrammerEntry entries[3];
    std::memset(entries, 0x7F, sizeof entries);
    EXPECT_EQ(FillProgrammerEntries(programmers, entries, 2), 3);
    EXPECT_STREQ(entries[0].serial, "A1");
    EXPECT_STREQ(entries[0].path, "/dev/hidraw1");
    EXPECT_EQ(entries[0].accessible, 1);
    EXPECT_EQ(entries[0].reserved, 0);
    EXPECT_EQ(std::string(entries[1].serial), std::string(63, 'S'));
    EXPECT_EQ(entries[1].accessible, 0);
    // The entry beyond the capacity is left as it was.
    EXPECT_EQ(static_cast<unsigned char>(entries[2].serial[0]), 0x7F);
}

TEST_F(PortBridgeTest, InterfaceAnswersItsIdentifierOnly) {
    void* out = nullptr;
    EXPECT_EQ(bridge.QueryInterface(kIHIDIntfId, &out), 0);
    EXPECT_EQ(out, static_cast<IHIDIntf*>(&bridge));
    const uint8_t other[16] = {};
    EXPECT_NE(bridge.QueryInterface(other, &out), 0);
}

} // namespace
} // namespace ardent::portbridge
