// Feeds arbitrary text as an .ahex file to the line splitter, the segment image builder and the
// ID readers of firmware, patch and parameter files.
#include "input/AHEXLoader.h"
#include "input/Fw.h"
#include "input/Par.h"
#include "input/Patch.h"

#include "SilentOutput.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using ardent::fuzzing::SilentOutput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ardent;
    const StringList lines =
        TAHEXLoader::SplitLines(std::string_view(reinterpret_cast<const char*>(data), size));
    Bytes image;
    const int length = TAHEXLoader::BuildSegmentImage(lines, image);
    if (length >= 0) {
        // Every segment header must describe exactly the words that follow it.
        size_t at = 0;
        while (at < image.size()) {
            if (image.size() - at < 4) {
                std::abort();
            }
            const size_t count = image[at + 2] | (image[at + 3] << 8);
            if (count == 0 || count % 2 != 0 || image.size() - at - 4 < count) {
                std::abort();
            }
            at += 4 + count;
        }
        if (static_cast<size_t>(length) != image.size()) {
            std::abort();
        }
    }
    TFw::ReadFwID(lines);
    TFw::ReadFwParamID(lines);
    SilentOutput output;
    TPatch patch(output);
    patch.loadPatchHex(lines);
    TPar par(output);
    par.loadParamLines(lines);
    return 0;
}
