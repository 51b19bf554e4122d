#pragma once
// Records and configurations the target tests build.

#include "configuration/Configuration.h"
#include "protocol/PacketFormat.h"

#include <cstdint>
#include <vector>

namespace ardent::testing {

inline TProcessTargetSendId ReadRecord(uint8_t channel, uint8_t state) {
    TProcessTargetSendId record{};
    record.channelNumber = channel;
    record.channelState = state;
    return record;
}

inline std::vector<uint32_t> BlockTypes(const TConfiguration& configuration) {
    std::vector<uint32_t> types;
    for (const TBlock& block : configuration.GetBlocks()) {
        types.push_back(block.blockHeader.blockType);
    }
    return types;
}

} // namespace ardent::testing
