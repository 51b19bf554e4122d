#include "utils/VersionText.h"

#include "utils/ProgramVersion.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace ardent {

std::string FormatVersion(uint32_t version) {
    char text[16];
    std::snprintf(text, sizeof text, "%X.%X.%X", (version >> 16) & 0xFF, (version >> 8) & 0xFF,
                  version & 0xFF);
    return text;
}

std::string SwapHexBytes(const std::string& text) {
    std::string swapped;
    swapped.reserve(text.size());
    for (size_t end = text.size(); end > 0;) {
        // Pairs are taken from the left, so an odd length leaves its last character alone.
        const size_t start = (end == text.size() && text.size() % 2 == 1) ? end - 1 : end - 2;
        swapped.append(text, start, end - start);
        end = start;
    }
    return swapped;
}

std::string NormalizeHexVersion(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (auto pos = lower.find("0x"); pos != std::string::npos; pos = lower.find("0x")) {
        lower.erase(pos, 2);
    }
    return "0x" + SwapHexBytes(lower);
}

std::string GetProgramVersion() {
    const auto record = ProgramVersionResource();
    if (!record) {
        return {};
    }
    return std::to_string(record->major) + "." + std::to_string(record->minor) + "." +
           std::to_string(record->release);
}

} // namespace ardent
