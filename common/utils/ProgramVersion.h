#pragma once
// The program's own version record: each program compiles its numbers in (CMake's
// ardent_program_version); code built without one, such as a test, has none.

#include <optional>

namespace ardent {

struct ProgramVersionRecord {
    int major;
    int minor;
    int release;
};

// The version record of the running program, or nothing when the program carries none.
std::optional<ProgramVersionRecord> ProgramVersionResource();

} // namespace ardent
