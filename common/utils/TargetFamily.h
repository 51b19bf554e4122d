#pragma once
// The chip families the programmer burns: the one list of their numbers (as configurations and
// request records carry them) and of their names (as users type them and the tools print them).

#include <cstdint>
#include <string_view>

namespace ardent {

enum class TTargetFamily : uint8_t {
    DP2A = 1,
    DP2B = 2,
    DP3B = 3,
    NotRecognised = 255, // no family of ours: a damaged or foreign configuration, a typo
};

// The number a configuration's TargetType and a request's targetType carry.
constexpr uint8_t FamilyNumber(TTargetFamily family) {
    return static_cast<uint8_t>(family);
}

// The family a stored or received number stands for; NotRecognised for every other number.
TTargetFamily TargetFamilyFromNumber(uint32_t number);

// The family a name stands for ("DP2A", "DP2B", "DP3B", compared without regard to case, nothing
// around it); NotRecognised for any other text.
TTargetFamily TargetFamilyFromName(std::string_view name);

// "DP2A", "DP2B" or "DP3B"; empty for NotRecognised.
std::string_view TargetFamilyName(TTargetFamily family);

} // namespace ardent
