// The simulated programmer's text inputs: a scenario file, then the same bytes as control lines.

#include "ControlCommands.h"
#include "Scenario.h"
#include "SimText.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ardent::sim::TScenario scenario;
    std::string error;
    ardent::sim::ParseScenario(text, scenario, error);
    ardent::sim::TProgrammerEngine engine(scenario);
    for (const std::string& line : ardent::sim::SplitList(text, '\n')) {
        // "store" reads a file named by the line; the fuzzer must not wander the file system.
        if (ardent::sim::Lower(line).find("store") == std::string::npos) {
            ardent::sim::ExecuteControlLine(engine, line);
        }
    }
    return 0;
}
