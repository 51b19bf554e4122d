// Loading the largest input files the loaders accept: a 65 535-line .ahex firmware (image,
// firmware ID and embedded parameter ID) and a DP3B XML parameter record with 60 000 values,
// each beside reading the same file's bytes as the baseline.
#include "input/Fw.h"
#include "input/ParDP3B.h"
#include "utils/Files.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

using namespace ardent;

class SilentOutput : public IMessageOutput {
public:
    void ShowMessage(const std::string&) override {}
};

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ardent-bench-input-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        std::atexit([] { std::filesystem::remove_all(Folder()); });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

// `lines` words ending at FFFE, one per line, so the firmware ID words and the parameter chain
// always sit at their usual addresses inside.
std::string FirmwareFile(unsigned lines) {
    static std::map<unsigned, std::string> files;
    auto& file = files[lines];
    if (file.empty()) {
        file = [lines] {
            const std::string name =
                (Folder() / ("firmware" + std::to_string(lines) + ".ahex")).string();
            std::ofstream out(name, std::ios::binary);
            char line[16];
            for (unsigned address = 0xFFFF - lines; address < 0xFFFF; ++address) {
                unsigned word = address ^ 0x5A5A;
                if (address == 0xC016) {
                    word = 0xD000;
                } else if (address >= 0xC02B && address <= 0xC02E) {
                    word = address - 0xC02A;
                } else if (address == 0xD000) {
                    word = 1;
                } else if (address == 0xD001) {
                    word = 0xD010;
                } else if (address == 0xD003) {
                    word = 0x1234;
                } else if (address == 0xD010) {
                    word = 0;
                }
                std::snprintf(line, sizeof line, "%06X:%04X\r\n", address, word);
                out << line;
            }
            return name;
        }();
    }
    return file;
}

std::string ParametersFile(int children) {
    static std::map<int, std::string> files;
    auto& file = files[children];
    if (file.empty()) {
        file = [children] {
            const std::string name =
                (Folder() / ("parameters" + std::to_string(children) + ".xml")).string();
            std::ofstream out(name, std::ios::binary);
            out << "<?xml version=\"1.0\"?>\n<Configuration>\n"
                   "  <PayloadGroup RecordTypeID=\"3\" version=\"0x04030201\">\n";
            for (int i = 0; i < children; ++i) {
                out << "    <Payload index=\"" << i << "\" value=\"0x" << std::hex << (i & 0xFF)
                    << std::dec << "\"/>\n";
            }
            out << "  </PayloadGroup>\n</Configuration>\n";
            return name;
        }();
    }
    return file;
}

void ReadBytes(benchmark::State& state, const std::string& file) {
    for (auto _ : state) {
        Bytes bytes;
        if (!LoadFileToBuffer(file, bytes)) {
            state.SkipWithError("cannot read");
        }
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(file)));
}

void BM_FirmwareReadBytes(benchmark::State& state) {
    ReadBytes(state, FirmwareFile(static_cast<unsigned>(state.range(0))));
}

void BM_FirmwareStoreBuff(benchmark::State& state) {
    SilentOutput output;
    TFw firmware(output);
    for (auto _ : state) {
        if (firmware.storeBuff(FirmwareFile(static_cast<unsigned>(state.range(0)))) != 0 ||
            firmware.getFWPar() != 0x1234 || firmware.getFWID() != 0x0001000200030004u) {
            state.SkipWithError("firmware not loaded");
        }
    }
    state.counters["image_bytes"] = static_cast<double>(firmware.getBuff().size());
}

void BM_ParametersXmlReadBytes(benchmark::State& state) {
    ReadBytes(state, ParametersFile(static_cast<int>(state.range(0))));
}

void BM_ParametersXmlStoreBuff(benchmark::State& state) {
    SilentOutput output;
    TParDP3B parameters(output);
    for (auto _ : state) {
        if (parameters.storeBuff(ParametersFile(static_cast<int>(state.range(0)))) != 0) {
            state.SkipWithError("parameters not loaded");
        }
    }
    state.counters["payload_bytes"] = static_cast<double>(parameters.getSize());
}

// The largest sizes are the limits; the smaller ones show the cost grows linearly.
BENCHMARK(BM_FirmwareReadBytes)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirmwareStoreBuff)->Arg(16384)->Arg(32768)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParametersXmlReadBytes)->Arg(60000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParametersXmlStoreBuff)
    ->Arg(15000)
    ->Arg(30000)
    ->Arg(60000)
    ->Unit(benchmark::kMillisecond);

} // namespace
