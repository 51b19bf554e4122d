// Building and loading a configuration image, beside a plain copy of the same number of bytes.
// Arguments are image sizes; 65 000 bytes with four blocks is the largest real configuration.
#include "configuration/ConfigurationLoader.h"
#include "utils/Crc16.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace ardent {
namespace {

// Four blocks (firmware, patch, parameters, ID table) filling an image of `imageSize` bytes.
TConfiguration ConfigurationOfSize(size_t imageSize) {
    TConfiguration configuration;
    configuration.SetName("Benchmark");
    configuration.SetTargetType(2);
    const size_t data = imageSize - TConfiguration::kEmptyImageSize - 4 * TBlockHeader::kSize;
    const size_t idTable = 68;
    const size_t patch = (data - idTable) / 4;
    const size_t parameters = 256;
    const size_t firmware = data - idTable - patch - parameters;
    uint8_t fill = 1;
    for (const auto& [type, size] :
         {std::pair<uint32_t, size_t>{1, firmware}, {2, patch}, {3, parameters}, {4, idTable}}) {
        Bytes block(size);
        for (uint8_t& byte : block) {
            byte = fill;
            fill = static_cast<uint8_t>(fill * 31 + 7);
        }
        configuration.AddNewBlock(type, block);
    }
    return configuration;
}

void ImageArguments(benchmark::internal::Benchmark* bench) {
    for (const int64_t size : {1000, 4000, 16000, 65000}) {
        bench->Arg(size);
    }
}

void BM_CopyImageBaseline(benchmark::State& state) {
    const auto size = static_cast<size_t>(state.range(0));
    const Bytes source(size, 0x5A);
    Bytes target(size);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), size);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_CopyImageBaseline)->Apply(ImageArguments);

// The checksum alone, the part of building and loading that touches every byte.
void BM_Crc16(benchmark::State& state) {
    const Bytes data(static_cast<size_t>(state.range(0)), 0x5A);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ComputeCrc16(data));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Crc16)->Apply(ImageArguments);

void BM_BuildImage(benchmark::State& state) {
    TConfiguration configuration = ConfigurationOfSize(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        if (!configuration.BuildBuffer()) {
            state.SkipWithError("build failed");
            break;
        }
        benchmark::DoNotOptimize(configuration.GetBuffer().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_BuildImage)->Apply(ImageArguments);

// Checks the CRC, reads header and blocks into a configuration that starts empty.
void BM_LoadImage(benchmark::State& state) {
    TConfiguration source = ConfigurationOfSize(static_cast<size_t>(state.range(0)));
    source.BuildBuffer();
    const Bytes image = source.GetBuffer();
    const TConfigurationLoader loader;
    for (auto _ : state) {
        TConfiguration loaded;
        if (!loader.loadConfigurationFromBuffer(image, loaded)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(loaded.GetBlocks().data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_LoadImage)->Apply(ImageArguments);

} // namespace
} // namespace ardent
