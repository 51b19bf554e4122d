#pragma once
// The single-instance rule of ArdentCmd: only one copy may talk to the programmer at a time.

#include <string>

namespace ardent {

// The number of running processes (this one included) whose executable file name, or whose full
// executable path, equals `name` without regard to ASCII letter case. Read from the process
// list under `procRoot`; 0 when that list cannot be read.
int CountRunningInstances(const std::string& name, const std::string& procRoot = "/proc");

} // namespace ardent
