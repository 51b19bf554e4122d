#include "utils/ProgramVersion.h"

namespace ardent {

// A program that carries a version record defines this function again; the linker prefers that
// strong definition over this weak one.
__attribute__((weak)) std::optional<ProgramVersionRecord> ProgramVersionResource() {
    return std::nullopt;
}

} // namespace ardent
