// Storing and backing up a 65 000-byte configuration: the device-setup handler over the tool's
// transport path (binding, controller, receive queue, queue exchange) against the simulated
// programmer, beside the same number of bare socket round trips. Each figure is the median of
// the single round trips of a run:
//   rt_median_us       one request/reply through the handler
//   bare_rt_median_us  one request/reply written straight to the simulator's socket
//   overhead_us        their difference: what the host adds per round trip
// With the USB frame timing, `store_vs_frames` is the whole store's time divided by (round trips
// x the bare round trip's median), which is 1.0 when the host adds nothing; `bare_whole_ms` is
// the same number of bare round trips in a row, for the machine's own share of late frames.

#include "SimTestSupport.h"
#include "operations/DeviceSetupHandler.h"
#include "operations/QueueExchange.h"
#include "protocol/CommandLineHidVariant.h"
#include "protocol/HIDCtrl.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

using namespace ardent;
using namespace ardent::simtest;
using Clock = std::chrono::steady_clock;

constexpr size_t kImageSize = 65000;
// One announcement (or description) and ceil(65000 / 60) pieces.
constexpr size_t kRoundTrips = 1 + (kImageSize + 59) / 60;

double MedianUs(std::vector<double>& samples) {
    if (samples.empty())
        return 0;
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

// Times every exchange from the send to the reply it takes.
class TTimedExchange : public IPacketExchange {
public:
    explicit TTimedExchange(IPacketExchange& inner) : fInner(inner) {}
    bool Send(const TPacketFormat& request) override {
        fSent = Clock::now();
        return fInner.Send(request);
    }
    std::optional<TPacketFormat> Receive(std::chrono::milliseconds timeout) override {
        std::optional<TPacketFormat> reply = fInner.Receive(timeout);
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - fSent).count());
        return reply;
    }
    void DiscardPending() override { fInner.DiscardPending(); }
    void Deliver(const TPacketFormat& packet) override { fInner.Deliver(packet); }

    std::vector<double> samples;

private:
    IPacketExchange& fInner;
    Clock::time_point fSent;
};

// A simulated programmer, connected through the simulator's transport library the way ArdentCmd
// connects, with the command-line handler on top.
struct TBench {
    explicit TBench(std::vector<std::string> daemonArgs) : daemon(std::move(daemonArgs)) {
        // The simulator serves one report link at a time: the bare link goes first.
        bareRoundTripUs = BareRoundTripUs(kRoundTrips);
        ::setenv("ARDENT_SIM_SOCKET", daemon.Socket().c_str(), 1);
        ::setenv("ARDENT_PORTBRIDGE", ARDENT_BIN_DIR "/libportbridge-sim.so", 1);
        controller = std::make_unique<HIDCtrl>(std::make_unique<TCommandLineHidVariant>(queue));
        controller->Connect();
    }
    bool Ready() const { return daemon.Ready() && controller->isConnected(); }

    // The bare round trips' median over `count` exchanges on a link of its own.
    double BareRoundTripUs(size_t count) {
        TRawLink link(daemon.Socket());
        const TPacketFormat request = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup);
        std::vector<double> samples;
        const auto begin = Clock::now();
        for (size_t i = 0; i < count; ++i) {
            const auto start = Clock::now();
            if (!link.Exchange(request))
                return -1;
            samples.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        bareWholeUs = std::chrono::duration<double, std::micro>(Clock::now() - begin).count();
        return MedianUs(samples);
    }

    TSimDaemon daemon;
    double bareRoundTripUs = -1;
    double bareWholeUs = 0;
    TThreadSafeQueue<TPacketFormat> queue;
    std::unique_ptr<HIDCtrl> controller;
    TQueueExchange exchange{[this](const TPacketFormat& p) { return controller->SendData(p); },
                            queue};
    TTimedExchange timed{exchange};
    TDeviceSetupHandler handler{{timed, TRequestTimeouts::CommandLine()}};
};

void StoreAndBackup(benchmark::State& state, std::vector<std::string> daemonArgs, bool backup) {
    TBench bench(std::move(daemonArgs));
    if (!bench.Ready()) {
        state.SkipWithError("the simulated programmer did not connect");
        return;
    }
    const Bytes image = MakeImage(kImageSize);
    const uint16_t crc = ImageCrc(image);
    if (backup && !bench.handler.StoreConfigurationImage(image, crc)) {
        state.SkipWithError("store failed");
        return;
    }
    double wholeUs = 0;
    for (auto _ : state) {
        bench.timed.samples.clear();
        const auto start = Clock::now();
        Bytes read;
        const bool ok = backup ? bench.handler.ReadConfigurationImage(read) ==
                                     TDeviceSetupHandler::TReadOutcome::Read
                               : bench.handler.StoreConfigurationImage(image, crc);
        wholeUs = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        if (!ok || (backup && read != image)) {
            state.SkipWithError("the transfer failed");
            return;
        }
    }
    const size_t roundTrips = bench.timed.samples.size();
    const double rt = MedianUs(bench.timed.samples);
    const double bare = bench.bareRoundTripUs;
    state.counters["round_trips"] = static_cast<double>(roundTrips);
    state.counters["rt_median_us"] = rt;
    state.counters["bare_rt_median_us"] = bare;
    state.counters["overhead_us"] = rt - bare;
    state.counters["whole_ms"] = wholeUs / 1000.0;
    state.counters["bare_whole_ms"] = bench.bareWholeUs / 1000.0;
    state.counters["store_vs_frames"] = wholeUs / (static_cast<double>(roundTrips) * bare);
}

void BM_Store65000(benchmark::State& state) {
    StoreAndBackup(state, {}, false);
}
void BM_Backup65000(benchmark::State& state) {
    StoreAndBackup(state, {}, true);
}
void BM_Store65000UsbTiming(benchmark::State& state) {
    StoreAndBackup(state, {"--usb-timing"}, false);
}
void BM_Backup65000UsbTiming(benchmark::State& state) {
    StoreAndBackup(state, {"--usb-timing"}, true);
}

BENCHMARK(BM_Store65000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Backup65000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Store65000UsbTiming)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Backup65000UsbTiming)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
