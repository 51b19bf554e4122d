// Feeds arbitrary bytes, as a .cfg file or a read-back image, to the configuration loader: once
// as they are (mostly stopped by the CRC) and once with a matching CRC appended, so the current
// and legacy readers see every shape of header, block and record. A failed load must leave the
// configuration untouched; a loaded one must build and load back to the same content.
#include "FuzzChecks.h"
#include "configuration/ConfigurationLoader.h"
#include "utils/Crc16.h"

#include <cstddef>
#include <cstdint>
#include <span>

using namespace ardent;
using fuzzing::Require;

namespace {

TConfiguration Previous() {
    TConfiguration configuration;
    configuration.SetName("before");
    configuration.AddNewBlock(3, Bytes{1, 2, 3});
    return configuration;
}

void LoadAndCheck(std::span<const uint8_t> image) {
    const TConfigurationLoader loader;
    const TConfiguration previous = Previous();
    TConfiguration configuration = previous;
    if (!loader.loadConfigurationFromBuffer(image, configuration)) {
        Require(configuration == previous);
        return;
    }
    Require(image.size() <= TConfiguration::kMaxImageSize);
    if (!configuration.BuildBuffer()) {
        // Only a legacy image grows when converted; the build refuses what would not fit.
        Require(configuration.ComputeImageSize() > TConfiguration::kMaxImageSize);
        return;
    }
    TConfiguration reloaded;
    Require(loader.loadConfigurationFromBuffer(configuration.GetBuffer(), reloaded));
    Require(fuzzing::SameContent(reloaded, configuration));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    LoadAndCheck(input);

    Bytes withCrc(input.begin(), input.end());
    const uint16_t crc = ComputeCrc16(withCrc);
    withCrc.push_back(static_cast<uint8_t>(crc));
    withCrc.push_back(static_cast<uint8_t>(crc >> 8));
    LoadAndCheck(withCrc);
    return 0;
}
