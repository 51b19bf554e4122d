#include "input/DP3BMessages.h"

#include <array>

namespace ardent {

std::string_view GetDP3BMessage(int code) {
    static constexpr std::array<std::string_view, 6> kMessages = {
        "Fail parsing XML file.",
        "missing firmware version.",
        "File does not contain patch and parameters.",
        "missing \"crc\".",
        "missing \"patch version\".",
        "Firmware version for patch and parameters are different.",
    };
    if (code < 1 || code > static_cast<int>(kMessages.size())) {
        return {};
    }
    return kMessages[static_cast<size_t>(code - 1)];
}

} // namespace ardent
