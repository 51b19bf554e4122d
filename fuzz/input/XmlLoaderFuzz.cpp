// Feeds arbitrary bytes as a DP3B XML input file to the record image builder and the attribute
// reader, for the patch and the parameter record.
#include "input/DP3BRecord.h"
#include "input/XMLLoader.h"
#include "utils/Errors.h"

#include "SilentOutput.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using ardent::fuzzing::SilentOutput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ardent;
    SilentOutput output;
    TXMLLoader loader(output);
    const std::span<const uint8_t> document(data, size);
    for (const int recordType : {1, 3}) {
        Bytes image;
        try {
            const int count = loader.LoadSpecificTypeFromBuffer(document, recordType, image);
            if (count < 0 || (count > 0 && image.size() != 4 + static_cast<size_t>(count))) {
                std::abort();
            }
            if (count > 0 && (image[0] | (image[1] << 8)) != count) {
                std::abort();
            }
        } catch (const NumberConversionError&) {
            // A value that is not an integer travels to the caller by design.
        }
        StringList attributes;
        try {
            if (loader.LoadStrListFromBuffer(document, attributes, recordType) == 1) {
                std::string version;
                ReadFirmwareVersion(attributes, version);
            }
        } catch (const NumberConversionError&) {
        }
        if (attributes.size() % 2 != 0) {
            std::abort();
        }
    }
    return 0;
}
