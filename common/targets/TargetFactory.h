#pragma once
// Creates the target of a family, as both programs do when the user picks a family or a
// configuration names one.

#include "targets/Target.h"

#include <memory>

namespace ardent {

// Null for NotRecognised.
std::unique_ptr<TTarget> CreateTarget(TTargetFamily family, IMessageOutput& messages);
// The same for a stored family number (a configuration's TargetType, a setting); null for a
// number that names no family.
std::unique_ptr<TTarget> CreateTarget(uint32_t familyNumber, IMessageOutput& messages);

} // namespace ardent
