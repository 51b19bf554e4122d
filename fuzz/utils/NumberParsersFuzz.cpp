// Feeds arbitrary text to the number checks the command line uses on its values.
#include "utils/Utils.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    float single = 0;
    uint16_t word = 0;
    int32_t integer = 0;
    ardent::StrToSingleChecked(text, single);
    ardent::StrToWordChecked(text, word);
    ardent::StrToIntChecked(text, integer);
    std::string trimmed = text;
    ardent::TrimAtNul(trimmed);
    ardent::NormalizeHexVersion(text);
    return 0;
}
