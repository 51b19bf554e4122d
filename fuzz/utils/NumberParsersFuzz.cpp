// Feeds arbitrary text to the number checks the command line uses on its values.
#include "utils/NumberChecks.h"
#include "utils/Text.h"
#include "utils/VersionText.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    float single = 0;
    int32_t integer = 0;
    int64_t wide = 0;
    ardent::StrToSingleChecked(text, single);
    ardent::StrToIntChecked(text, integer);
    ardent::StrToInt64Checked(text, wide);
    std::string trimmed = text;
    ardent::TrimAtNul(trimmed);
    ardent::NormalizeHexVersion(text);
    return 0;
}
