#include "utils/Text.h"

#include <algorithm>
#include <cctype>

namespace ardent {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

void TrimAtNul(std::string& text) {
    const auto nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
}

std::string ShowableText(std::string_view text) {
    std::string shown(text);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return shown;
}

} // namespace ardent
