#pragma once
// Creates the target of a family number (1 DP2A, 2 DP2B, 3 DP3B), as both programs do when the
// user picks a family or a configuration names one.

#include "targets/Target.h"

#include <memory>

namespace ardent {

// Null for any other family number.
std::unique_ptr<TTarget> CreateTarget(uint32_t family, IMessageOutput& messages);

} // namespace ardent
