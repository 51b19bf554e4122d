// The cost a burn pays for its records. A burn of four chips (trigger and burn result through the
// target handler, the real transport binding and the simulated programmer, as ArdentCmd -execute
// burns), without and with its four records committed in one transaction with synchronous FULL
// into a station database on this disk (beside the benchmark program unless
// ARDENT_BENCH_RECORDS names a file), and the commit alone. Counters:
//   median_ms   the median of the iterations' times
//   p95_ms      the 95th percentile
// The difference of the two burns' medians is what a burn pays for its records. The simulator
// does not take a chip's burn time, so the burn alone is only the host's and the link's share.

#include "SimTestSupport.h"
#include "operations/QueueExchange.h"
#include "operations/TargetHandler.h"
#include "protocol/CommandLineHidVariant.h"
#include "protocol/HIDCtrl.h"
#include "records/ChannelRecords.h"
#include "records/RecordStore.h"
#include "utils/Folders.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace {

using namespace ardent;
using namespace ardent::simtest;
using Clock = std::chrono::steady_clock;

double Quantile(std::vector<double> samples, double q) {
    if (samples.empty())
        return 0;
    const auto index = static_cast<size_t>(q * static_cast<double>(samples.size() - 1));
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(index),
                     samples.end());
    return samples[index];
}

std::string DatabasePath() {
    const char* chosen = std::getenv("ARDENT_BENCH_RECORDS");
    if (chosen != nullptr && chosen[0] != '\0')
        return chosen;
    return ExecutableFolder() + "/bench-records-" + std::to_string(::getpid()) + ".sqlite";
}

void RemoveDatabase(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm"})
        std::remove((path + suffix).c_str());
}

// A simulated programmer holding a DP2B configuration with four chips in its sockets, connected
// the way ArdentCmd connects.
struct TBench {
    explicit TBench(std::vector<std::string> daemonArgs) : daemon(std::move(daemonArgs)) {
        const std::string cfg = "/tmp/ardent-bench-records-" + std::to_string(::getpid()) + ".cfg";
        const Bytes image = MakeImage(1000, "Bench line", 2, 0x0F);
        std::ofstream(cfg, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        configured = daemon.Ready() && daemon.Control("store " + cfg).starts_with("ok");
        for (int channel = 1; channel <= 4; ++channel)
            configured =
                configured &&
                daemon.Control("chip " + std::to_string(channel) + " DP2B").starts_with("ok");
        std::remove(cfg.c_str());
        ::setenv("ARDENT_SIM_SOCKET", daemon.Socket().c_str(), 1);
        ::setenv("ARDENT_PORTBRIDGE", ARDENT_BIN_DIR "/libportbridge-sim.so", 1);
        controller = std::make_unique<HIDCtrl>(std::make_unique<TCommandLineHidVariant>(queue));
        controller->Connect();
    }
    bool Ready() const { return configured && controller->isConnected(); }

    bool Burn(TBurningStatusOverall& status) {
        handler.ClearQueueBeforeOperation();
        return handler.TriggerTarget(kToolTriggerByte) && handler.WaitTriggerStatus(status) == 0;
    }

    TSimDaemon daemon;
    bool configured = false;
    TThreadSafeQueue<TPacketFormat> queue;
    std::unique_ptr<HIDCtrl> controller;
    TQueueExchange exchange{[this](const TPacketFormat& p) { return controller->SendData(p); },
                            queue};
    TTargetHandler handler{{exchange, TRequestTimeouts::CommandLine()}};
};

records::TBurnRecords RecordsOf(const TBurningStatusOverall& status) {
    // Four chips with their IDs, as a burn with the IDs read writes them.
    std::array<TProcessTargetSendId, 4> ids{};
    for (uint8_t channel = 0; channel < 4; ++channel) {
        ids[channel].channelNumber = channel;
        ids[channel].channelState = CHANNEL_PASSED;
        ids[channel].dp2BIds = {0x00120000u + channel, 2, 3, 4, 5, 6};
    }
    records::TBurnRecords burn;
    burn.station = "bench";
    burn.program = "ArdentCmd";
    burn.configName = "Bench line";
    burn.family = "DP2B";
    burn.channels = records::BurnChannelRecords(status, {&ids[0], &ids[1], &ids[2], &ids[3]},
                                                TTargetFamily::DP2B);
    return burn;
}

void Report(benchmark::State& state, const std::vector<double>& samplesMs) {
    state.counters["median_ms"] = Quantile(samplesMs, 0.5);
    state.counters["p95_ms"] = Quantile(samplesMs, 0.95);
}

void BurnCycle(benchmark::State& state, bool withRecords, std::vector<std::string> daemonArgs) {
    TBench bench(std::move(daemonArgs));
    if (!bench.Ready()) {
        state.SkipWithError("the simulated programmer did not connect");
        return;
    }
    const std::string path = DatabasePath();
    RemoveDatabase(path);
    // Opened once per run, as ArdentCmd's run and Ardent do; the first commit creates it.
    records::TStationRecorder recorder(withRecords ? path : "");
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        TBurningStatusOverall status{};
        if (!bench.Burn(status)) {
            state.SkipWithError("the burn failed");
            break;
        }
        if (withRecords && !recorder.Record(RecordsOf(status)).empty()) {
            state.SkipWithError("the records were not stored");
            break;
        }
        samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    Report(state, samples);
    RemoveDatabase(path);
}

void BM_BurnWithoutRecords(benchmark::State& state) {
    BurnCycle(state, false, {});
}
void BM_BurnWithRecords(benchmark::State& state) {
    BurnCycle(state, true, {});
}
// With the simulator's USB full-speed frame timing, closer to a programmer on the bus (the chips'
// own burn time, seconds on a real line, is not simulated).
void BM_BurnWithoutRecordsUsbTiming(benchmark::State& state) {
    BurnCycle(state, false, {"--usb-timing"});
}
void BM_BurnWithRecordsUsbTiming(benchmark::State& state) {
    BurnCycle(state, true, {"--usb-timing"});
}

void BM_FourRecordsOneTransaction(benchmark::State& state) {
    const std::string path = DatabasePath();
    RemoveDatabase(path);
    records::TStationRecorder recorder(path);
    TBurningStatusOverall status{};
    for (int channel = 0; channel < 4; ++channel)
        status.channels[channel] = {static_cast<uint8_t>(channel), CHANNEL_PASSED, 0, 0};
    const records::TBurnRecords burn = RecordsOf(status);
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!recorder.Record(burn).empty()) {
            state.SkipWithError("the records were not stored");
            break;
        }
        samples.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    Report(state, samples);
    RemoveDatabase(path);
}

BENCHMARK(BM_BurnWithoutRecords)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_BurnWithRecords)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_BurnWithoutRecordsUsbTiming)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_BurnWithRecordsUsbTiming)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_FourRecordsOneTransaction)->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace
