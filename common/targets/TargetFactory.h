#pragma once
// Creates the target of a family, as both programs do when the user picks a family or a
// configuration names one.

#include "targets/Target.h"

#include <memory>

namespace ardent {

// Null for NotRecognised.
std::unique_ptr<TTarget> CreateTarget(TTargetFamily family, IMessageOutput& messages);

} // namespace ardent
