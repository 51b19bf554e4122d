#pragma once
// ardent-records: finds, exports and totals burn records at the station (SQLite) or plant-wide
// (PostgreSQL, --url), forwards the station's records to the plant, and creates the plant schema.
// The commands live here, outside main, so the tests run them directly.

#include <iosfwd>
#include <string>
#include <vector>

namespace ardent::recordstool {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // a database could not be used; the reason is on `err`
inline constexpr int kExitUsage = 2;

// Runs one command line (without the program name). sync --follow returns when the process is
// sent SIGTERM or SIGINT.
int RunRecordsTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace ardent::recordstool
