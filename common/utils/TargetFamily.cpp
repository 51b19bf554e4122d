#include "utils/TargetFamily.h"

#include "utils/Text.h"

#include <array>

namespace ardent {

namespace {

constexpr std::array<TTargetFamily, 3> kFamilies = {TTargetFamily::DP2A, TTargetFamily::DP2B,
                                                    TTargetFamily::DP3B};

} // namespace

TTargetFamily TargetFamilyFromNumber(uint32_t number) {
    for (const TTargetFamily family : kFamilies)
        if (number == FamilyNumber(family))
            return family;
    return TTargetFamily::NotRecognised;
}

TTargetFamily TargetFamilyFromName(std::string_view name) {
    for (const TTargetFamily family : kFamilies)
        if (EqualsIgnoringCase(name, TargetFamilyName(family)))
            return family;
    return TTargetFamily::NotRecognised;
}

std::string_view TargetFamilyName(TTargetFamily family) {
    switch (family) {
    case TTargetFamily::DP2A:
        return "DP2A";
    case TTargetFamily::DP2B:
        return "DP2B";
    case TTargetFamily::DP3B:
        return "DP3B";
    case TTargetFamily::NotRecognised:
        break;
    }
    return {};
}

} // namespace ardent
