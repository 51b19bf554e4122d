#include "targets/TargetFactory.h"

#include "targets/TargetDP2A.h"
#include "targets/TargetDP2B.h"
#include "targets/TargetDP3B.h"

namespace ardent {

std::unique_ptr<TTarget> CreateTarget(uint32_t family, IMessageOutput& messages) {
    switch (family) {
    case TargetFamily::DP2A:
        return std::make_unique<TTargetDP2A>(messages);
    case TargetFamily::DP2B:
        return std::make_unique<TTargetDP2B>(messages);
    case TargetFamily::DP3B:
        return std::make_unique<TTargetDP3B>(messages);
    default:
        return nullptr;
    }
}

} // namespace ardent
