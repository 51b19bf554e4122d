#pragma once
// The report file of a run (ARDENTCMD_REPORT_FILE): one JSON document, schema 1, built from the
// run's TRunReport and its result, and written the way the result file is.

#include "RunReport.h"

#include <cstdint>
#include <string>

namespace ardent {

inline constexpr int kReportSchema = 1;

// The report document of a run that ended with `result`, as JSON text ending in a line break.
std::string ReportDocument(const TRunReport& report, int32_t result);

// Writes the report to `fileName` (nothing when it is null or empty). Never throws: the report
// must not change the run's outcome. False, with the reason in `failure`, when it was not
// written.
bool WriteReportFile(const char* fileName, const TRunReport& report, int32_t result,
                     std::string& failure) noexcept;

} // namespace ardent
