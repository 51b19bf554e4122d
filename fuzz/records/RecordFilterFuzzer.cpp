// The filters of ardent-records as a user types them: checked, then rendered for both
// databases. Every value must travel as a bound parameter, one placeholder each.
#include "records/RecordQuery.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

using ardent::records::TDialect;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    ardent::records::TRecordFilter filter;
    std::optional<std::string>* fields[] = {
        &filter.chipId,     &filter.serialNumber, &filter.configName, &filter.station,
        &filter.programmer, &filter.verdict,      &filter.from,       &filter.to};
    size_t start = 0;
    for (auto* field : fields) {
        if (start > input.size()) {
            break;
        }
        const size_t end = std::min(input.find('\n', start), input.size());
        if (end > start) {
            *field = input.substr(start, end - start);
        }
        start = end + 1;
    }
    std::string error;
    if (!ardent::records::ValidateFilter(filter, error)) {
        return 0;
    }
    const auto station = ardent::records::RenderFind(filter, TDialect::Station);
    const auto plant = ardent::records::RenderYield(filter, TDialect::Plant);
    size_t marks = 0;
    for (const char c : station.sql) {
        marks += c == '?' ? 1 : 0;
    }
    if (marks != station.parameters.size() ||
        plant.sql.find("$" + std::to_string(plant.parameters.size() + 1)) != std::string::npos) {
        std::abort();
    }
    return 0;
}
