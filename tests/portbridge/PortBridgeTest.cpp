#include "PortBridge.h"

#include <gtest/gtest.h>

#include <array>
#include <condition_variable>
#include <deque>
#include <mutex>

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
    std::shared_ptr<IHidDevice> Open(const std::string& path) override {
        std::lock_guard guard(fLock);
        for (const Entry& entry : fDevices)
            if (entry.info.path == path)
                return entry.device;
        return nullptr;
    }

    std::shared_ptr<FakeDevice> Plug(const std::string& path, const std::u16string& product) {
        auto device = std::make_shared<FakeDevice>();
        std::lock_guard guard(fLock);
        fDevices.push_back({{path, product}, device});
        return device;
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

    int enumerations = 0;

private:
    struct Entry {
        THidDeviceInfo info;
        std::shared_ptr<FakeDevice> device;
    };
    std::mutex fLock;
    std::vector<Entry> fDevices;
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

    FakeHidApi api;
    TPortBridge bridge{api, TPortBridgeTiming{5ms, 5ms}};
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

TEST_F(PortBridgeTest, InterfaceAnswersItsIdentifierOnly) {
    void* out = nullptr;
    EXPECT_EQ(bridge.QueryInterface(kIHIDIntfId, &out), 0);
    EXPECT_EQ(out, static_cast<IHIDIntf*>(&bridge));
    const uint8_t other[16] = {};
    EXPECT_NE(bridge.QueryInterface(other, &out), 0);
}

} // namespace
} // namespace ardent::portbridge
