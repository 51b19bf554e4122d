#pragma once
// Waits a user sets in seconds through the environment (ARDENTCMD_WAIT_S, ARDENT_CONNECT_WAIT_S).

#include <chrono>
#include <optional>
#include <string_view>

namespace ardent {

// A wait written as decimal seconds ("5", "0.25"), from 0 to one day. Nothing for an empty,
// negative, malformed or larger value, so a typing error keeps the default behaviour.
std::optional<std::chrono::milliseconds> ParseWaitSeconds(std::string_view text);
// The wait in the environment variable `name`; nothing when unset or unusable.
std::optional<std::chrono::milliseconds> WaitSecondsFromEnvironment(const char* name);

} // namespace ardent
