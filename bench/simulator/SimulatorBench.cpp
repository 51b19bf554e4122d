// The simulated programmer's speed: start-up to ready, and a request/reply round trip through
// its socket without and with the USB full-speed timing model (one report per 1 ms frame each
// way, so a round trip should take between 1 and 2 ms).

#include "SimTestSupport.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

namespace {

using namespace ardent;
using namespace ardent::simtest;

void BM_StartUpToReady(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        auto daemon = std::make_unique<TSimDaemon>();
        const auto ready = std::chrono::steady_clock::now();
        if (!daemon->Ready()) {
            state.SkipWithError("the simulated programmer did not start");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(ready - start).count());
        daemon.reset(); // quitting is not part of the figure
    }
}
BENCHMARK(BM_StartUpToReady)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Back to back: each request leaves the moment the last reply arrived. With the timing model
// that locks the host to the frames: the request just missed a frame and waits almost a whole
// one, the reply goes in the frame after, so each trip takes two frames.
// With `randomPhase` the host does other work (not timed) for 0-999 us between requests, as a
// line script does, so requests arrive anywhere in a frame: a trip takes between one and two
// frames, 1.5 ms on average.
void RoundTrips(benchmark::State& state, std::vector<std::string> args, bool randomPhase) {
    TSimDaemon daemon(std::move(args));
    TRawLink link(daemon.Socket());
    if (!daemon.Ready() || !link.IsOpen()) {
        state.SkipWithError("the simulated programmer did not start");
        return;
    }
    const TPacketFormat request = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup);
    std::minstd_rand random(7);
    for (auto _ : state) {
        if (randomPhase) {
            const auto until =
                std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 1000);
            while (std::chrono::steady_clock::now() < until) {
            }
        }
        const auto start = std::chrono::steady_clock::now();
        auto reply = link.Exchange(request);
        const auto end = std::chrono::steady_clock::now();
        if (!reply) {
            state.SkipWithError("no reply");
            return;
        }
        benchmark::DoNotOptimize(reply);
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

void BM_RoundTrip(benchmark::State& state) {
    RoundTrips(state, {}, false);
}
BENCHMARK(BM_RoundTrip)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_RoundTripUsbTiming(benchmark::State& state) {
    RoundTrips(state, {"--usb-timing"}, true);
}
BENCHMARK(BM_RoundTripUsbTiming)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1000);

void BM_RoundTripUsbTimingBackToBack(benchmark::State& state) {
    RoundTrips(state, {"--usb-timing"}, false);
}
BENCHMARK(BM_RoundTripUsbTimingBackToBack)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1000);

} // namespace
