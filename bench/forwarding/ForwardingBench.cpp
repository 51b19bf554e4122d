// The record store's figures: find by chip ID in a million station records (target under
// 10 ms), and records forwarded per second to a local PostgreSQL server (target 10 000 or more).
#include "PostgresServer.h"
#include "StationFixture.h"

#include "forwarding/Forwarder.h"
#include "forwarding/PlantDatabase.h"
#include "records/StationOutbox.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

using ardent::testing::TPostgresServer;
using ardent::testing::TStationFixture;

// 250 000 burns of four channels, built once per run (half a minute or so).
TStationFixture& MillionRecords() {
    static std::unique_ptr<TStationFixture> station = [] {
        auto fixture = std::make_unique<TStationFixture>();
        for (int chunk = 0; chunk < 25; ++chunk) {
            fixture->AppendBurns(10000);
        }
        return fixture;
    }();
    return *station;
}

void BM_FindByChipIdInAMillionRecords(benchmark::State& state) {
    TStationFixture& station = MillionRecords();
    ardent::records::TStationSource source(station.Database());
    ardent::records::TRecordFilter filter;
    long long chip = 1;
    for (auto _ : state) {
        char id[24];
        std::snprintf(id, sizeof id, "0x%08llX", chip);
        chip = chip * 7919 % 1000000 + 1; // spread over the whole file
        filter.chipId = id;
        std::vector<ardent::records::TRow> rows;
        std::string error;
        if (!source.Query(ardent::records::RenderFind(filter, source.Dialect()), rows, error) ||
            rows.size() != 1) {
            state.SkipWithError(("find failed: " + error).c_str());
            return;
        }
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_FindByChipIdInAMillionRecords)->Unit(benchmark::kMillisecond);

// The same look-up without the index: what the index saves.
void BM_FindByChipIdScanningChipIdText(benchmark::State& state) {
    TStationFixture& station = MillionRecords();
    ardent::records::TStationSource source(station.Database());
    for (auto _ : state) {
        std::vector<ardent::records::TRow> rows;
        std::string error;
        source.Query({"SELECT id FROM burn_record WHERE chip_ids = 'Device=0x00012345'", {}}, rows,
                     error);
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_FindByChipIdScanningChipIdText)->Unit(benchmark::kMillisecond);

void BM_ForwardToLocalPostgres(benchmark::State& state) {
    if (const std::string reason = TPostgresServer::MissingReason(); !reason.empty()) {
        state.SkipWithError(reason.c_str());
        return;
    }
    TPostgresServer server;
    std::string error;
    if (!server.Create(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    auto plant = ardent::forwarding::TPlantDatabase::Connect(server.Url(), error);
    if (!plant || !plant->InitSchema(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    TStationFixture station;
    station.AppendBurns(static_cast<int>(state.range(0) / 4));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<ardent::records::TRow> ignored;
        plant->Query({"WITH ids AS (DELETE FROM record_chip_id RETURNING 1), records AS (DELETE"
                      " FROM burn_record RETURNING 1) SELECT 1",
                      {}},
                     ignored, error);
        station.Database().Execute("DELETE FROM forward_state", error);
        state.ResumeTiming();
        ardent::forwarding::TForwarder forwarder(station.Database(), server.Url(),
                                                 static_cast<int>(state.range(1)));
        long long sent = 0;
        if (!forwarder.ForwardAll(sent, error) || sent != state.range(0)) {
            state.SkipWithError(("forwarding failed: " + error).c_str());
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
// Records, batch size.
BENCHMARK(BM_ForwardToLocalPostgres)->Args({20000, 500})->Args({20000, 2000})->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
