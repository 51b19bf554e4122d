#include "targets/TargetFactory.h"

#include "targets/TargetDP2A.h"
#include "targets/TargetDP2B.h"
#include "targets/TargetDP3B.h"

namespace ardent {

std::unique_ptr<TTarget> CreateTarget(TTargetFamily family, IMessageOutput& messages) {
    switch (family) {
    case TTargetFamily::DP2A:
        return std::make_unique<TTargetDP2A>(messages);
    case TTargetFamily::DP2B:
        return std::make_unique<TTargetDP2B>(messages);
    case TTargetFamily::DP3B:
        return std::make_unique<TTargetDP3B>(messages);
    case TTargetFamily::NotRecognised:
        break;
    }
    return nullptr;
}

} // namespace ardent
