#pragma once
// Checks ArdentCmd's report documents against the report's JSON Schema file as it is shipped,
// with a validator for the part of JSON Schema that file uses: type, const, enum, required,
// properties, additionalProperties, items, minimum, maximum, pattern and $ref into $defs.

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace ardent::testing {

// The shipped schema (packaging/doc/ardentcmd-report.schema.json).
const nlohmann::json& ReportSchema();

// Every place where `document` breaks `schema`, as "<path>: <what>"; empty when it conforms.
std::vector<std::string> SchemaViolations(const nlohmann::json& document,
                                          const nlohmann::json& schema = ReportSchema());

} // namespace ardent::testing
