// Feeds arbitrary bytes as the ID table block of a configuration to the three family tables.
#include "configuration/Configuration.h"
#include "input/DObject.h"
#include "targets/DP2AIdTablesModel.h"
#include "targets/DP2BIdTablesModel.h"
#include "targets/DP3BIdTablesModel.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(ardent::TIdTablesModel& table, const ardent::TConfiguration& configuration,
           std::span<const uint8_t> block) {
    const bool taken = table.FillFromConfiguration(configuration);
    if (taken && !block.empty() && block.size() < table.GetBlockSize()) {
        std::abort(); // a block shorter than the table was taken
    }
    for (int row = 0; row < table.GetNumRow(); ++row) {
        table.GetCompare(row);
        for (int column = 0; column < table.GetNumColumn(); ++column) {
            table.GetValue(row, column);
        }
    }
    ardent::Bytes packed;
    table.GetBuffer(packed);
    if (packed.size() != table.GetBlockSize()) {
        std::abort();
    }
    // Whatever the table holds packs into a block it takes back unchanged.
    ardent::Bytes again;
    if (!table.FillFromBlock(packed)) {
        std::abort();
    }
    table.GetBuffer(again);
    if (again != packed) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ardent;
    const std::span<const uint8_t> block(data, size);
    TConfiguration configuration;
    configuration.AddNewBlock(BlockType::IdTable, block);
    TDP2AIdTablesModel dp2a;
    TDP2BIdTablesModel dp2b;
    TDP3BIdTablesModel dp3b;
    Check(dp2a, configuration, block);
    Check(dp2b, configuration, block);
    Check(dp3b, configuration, block);
    return 0;
}
