// Turns arbitrary bytes into a configuration (header values and up to eight blocks of any type
// and size), builds its image and loads it back: the build either refuses an image over the
// limit or gives bytes that load to the same configuration and rebuild identically.
#include "FuzzChecks.h"
#include "configuration/ConfigurationLoader.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

using namespace ardent;
using fuzzing::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    TConfiguration original;
    TConfigurationHeader header = original.GetHeader();
    header.HeaderSize = input.ConsumeBool() ? input.ConsumeIntegral<uint32_t>() : 64;
    original.SetHeader(header);
    original.SetName(input.ConsumeRandomLengthString(40));
    original.SetBaudRate(input.ConsumeIntegral<uint32_t>());
    original.SetChannel(input.ConsumeIntegral<uint32_t>());
    original.SetTargetType(input.ConsumeIntegral<uint32_t>());
    const int blockCount = input.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < blockCount && input.remaining_bytes() > 0; ++i) {
        const uint32_t type = input.ConsumeBool() ? input.ConsumeIntegralInRange<uint32_t>(1, 4)
                                                  : input.ConsumeIntegral<uint32_t>();
        // Now and then a block large enough to push the image over the limit.
        const bool large = input.ConsumeIntegralInRange(0, 7) == 0;
        const size_t length = input.ConsumeIntegralInRange<size_t>(0, large ? 70000 : 64);
        const Bytes block(length, input.ConsumeIntegral<uint8_t>());
        Require(original.AddNewBlock(type, block) == !block.empty());
    }

    if (!original.BuildBuffer()) {
        Require(original.ComputeImageSize() > TConfiguration::kMaxImageSize);
        Require(original.GetBufferSize() == 0);
        return 0;
    }
    const Bytes image = original.GetBuffer();
    Require(image.size() == original.ComputeImageSize());
    Require(original.GetHeader().ConfigSize == image.size());

    TConfiguration loaded;
    Require(TConfigurationLoader().loadConfigurationFromBuffer(image, loaded));
    Require(fuzzing::SameContent(loaded, original));
    Require(loaded.BuildBuffer());
    Require(loaded.GetBuffer() == image);
    return 0;
}
