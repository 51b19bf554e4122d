// Handoff latency: from the moment a transport callback puts a packet to the moment the thread
// waiting for it holds it. Measured for the queue alone, for the command-line tool's full
// callback path (trampoline, controller, variant, queue), for the windowed program's two hops
// (receive queue, read thread, handler queue), and for a bare mutex + condition variable
// handoff as the baseline. Each benchmark reports median_us and p99_us.
#include "protocol/CommandLineHidVariant.h"
#include "protocol/HIDCtrl.h"
#include "protocol/ReadThread.h"
#include "protocol/WindowedHidVariant.h"

#include "portbridge/TransportBase.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace ardent;
using Clock = std::chrono::steady_clock;

uint64_t NowNs() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
            .count());
}

// A one-shot signal the consumer gives the producer to send the next packet.
class Go {
public:
    void Give() {
        {
            std::lock_guard guard(fLock);
            fGiven = true;
        }
        fSignal.notify_one();
    }
    void Take() {
        std::unique_lock lock(fLock);
        fSignal.wait(lock, [this] { return fGiven; });
        fGiven = false;
    }

private:
    std::mutex fLock;
    std::condition_variable fSignal;
    bool fGiven = false;
};

// The baseline: the least a thread handoff can cost with a mutex and a condition variable.
class BareHandoff {
public:
    void Put(const TPacketFormat& packet) {
        {
            std::lock_guard guard(fLock);
            fPacket = packet;
            fFull = true;
        }
        fSignal.notify_one();
    }
    TPacketFormat Take() {
        std::unique_lock lock(fLock);
        fSignal.wait(lock, [this] { return fFull; });
        fFull = false;
        return fPacket;
    }

private:
    std::mutex fLock;
    std::condition_variable fSignal;
    bool fFull = false;
    TPacketFormat fPacket{};
};

TPacketFormat StampedPacket() {
    TPacketFormat packet = MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget);
    packet.header.dataSize = 0;
    const uint64_t stamp = NowNs();
    std::memcpy(packet.data, &stamp, sizeof stamp);
    return packet;
}

uint64_t StampOf(const TPacketFormat& packet) {
    uint64_t stamp = 0;
    std::memcpy(&stamp, packet.data, sizeof stamp);
    return stamp;
}

// Runs the handoff once per benchmark iteration: `send` runs on a producer thread (the
// callback's side), `take` on the benchmark thread (the waiting side) and returns the packet.
template <typename Send, typename Take>
void MeasureHandoff(benchmark::State& state, Send send, Take take) {
    Go go;
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        for (;;) {
            go.Take();
            if (stop)
                return;
            // Lets the consumer settle into its wait, as a waiting operation would be.
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            send(StampedPacket());
        }
    });
    std::vector<double> samples;
    for (auto _ : state) {
        go.Give();
        const TPacketFormat packet = take();
        const double latency = static_cast<double>(NowNs() - StampOf(packet)) / 1000.0;
        samples.push_back(latency);
        state.SetIterationTime(latency / 1e6);
    }
    stop = true;
    go.Give();
    producer.join();
    std::sort(samples.begin(), samples.end());
    if (!samples.empty()) {
        state.counters["median_us"] = samples[samples.size() / 2];
        state.counters["p99_us"] = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
    }
}

void BM_BareMutexConditionVariable(benchmark::State& state) {
    BareHandoff handoff;
    MeasureHandoff(
        state, [&](const TPacketFormat& packet) { handoff.Put(packet); },
        [&] { return handoff.Take(); });
}

void BM_ThreadSafeQueue(benchmark::State& state) {
    TThreadSafeQueue<TPacketFormat> queue;
    MeasureHandoff(
        state, [&](const TPacketFormat& packet) { queue.Put(packet); },
        [&] {
            TPacketFormat packet{};
            queue.ItemsAvailable(TThreadSafeQueue<TPacketFormat>::kInfinite);
            queue.Get(packet);
            return packet;
        });
}

// A library whose interface only lets the benchmark call the host's receive callback, with the
// same callback lock a real transport holds.
class CallbackOnlyLibrary final : public IHidLibrary, public portbridge::TTransportBase {
public:
    bool Load() override { return true; }
    void Unload() override {}
    IHIDIntf* GetInterface() override { return this; }
    int32_t ConnectDevice(const char16_t*) override { return 0; }
    int32_t WriteReport(const uint8_t*, uint16_t) override { return 0; }
    int32_t OpenDevice(const char16_t*) override { return 0; }
    using TTransportBase::FireReport;
};

void FireReceive(CallbackOnlyLibrary& library, const TPacketFormat& packet) {
    const TArrayByte bytes = PacketToBytes(packet);
    library.FireReport(bytes.data(), static_cast<uint16_t>(bytes.size()));
}

void BM_CommandLineCallbackToWaitingOperation(benchmark::State& state) {
    CallbackOnlyLibrary library;
    TThreadSafeQueue<TPacketFormat> queue;
    HIDCtrl ctrl(std::make_unique<TCommandLineHidVariant>(queue), library);
    MeasureHandoff(
        state, [&](const TPacketFormat& packet) { FireReceive(library, packet); },
        [&] {
            TPacketFormat packet{};
            queue.ItemsAvailable(TThreadSafeQueue<TPacketFormat>::kInfinite);
            queue.Get(packet);
            return packet;
        });
}

class NoNotifications final : public INotificationSink {
public:
    void PostNotification(int, int) override {}
};

void BM_WindowedCallbackThroughReadThread(benchmark::State& state) {
    CallbackOnlyLibrary library;
    TThreadSafeQueue<TArrayByte> receive;
    HIDCtrl ctrl(std::make_unique<TWindowedHidVariant>(receive), library);
    THandlerQueues handlers;
    TAsyncHandler async;
    NoNotifications sink;
    TReadThread reader(receive, handlers, async, sink);
    reader.Start();
    MeasureHandoff(
        state, [&](const TPacketFormat& packet) { FireReceive(library, packet); },
        [&] {
            TPacketFormat packet{};
            handlers.target.ItemsAvailable(TThreadSafeQueue<TPacketFormat>::kInfinite);
            handlers.target.Get(packet);
            return packet;
        });
}

constexpr int kHandoffs = 20000;

} // namespace

BENCHMARK(BM_BareMutexConditionVariable)->UseManualTime()->Iterations(kHandoffs);
BENCHMARK(BM_ThreadSafeQueue)->UseManualTime()->Iterations(kHandoffs);
BENCHMARK(BM_CommandLineCallbackToWaitingOperation)->UseManualTime()->Iterations(kHandoffs);
BENCHMARK(BM_WindowedCallbackThroughReadThread)->UseManualTime()->Iterations(kHandoffs);
