#pragma once
// Text helpers for names taken from the command line, files and the programmer.

#include <string>
#include <string_view>

namespace ardent {

// Whether two texts are equal when ASCII letter case is ignored (option words, device names,
// executable names).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Cuts `text` before its first zero character. An empty text stays as it is.
void TrimAtNul(std::string& text);

// `text` with every control byte (below 0x20, and 0x7F) shown as "?", so a name taken from a
// file or the programmer can neither steer a terminal nor add lines to the output or a log.
std::string ShowableText(std::string_view text);

} // namespace ardent
