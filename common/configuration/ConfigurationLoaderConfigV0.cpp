#include "configuration/ConfigurationLoaderConfigV0.h"

#include "configuration/BlockType.h"
#include "configuration/LittleEndian.h"
#include "utils/Text.h"

#include <string>

namespace ardent {
namespace {

// Legacy records carry a prefix the current blocks drop: none for firmware, 14 bytes for a
// patch, 4 for parameters.
struct LegacyRecordKind {
    uint8_t type;
    size_t skip;
};
constexpr LegacyRecordKind kLegacyRecordKinds[] = {
    {BlockType::Firmware, 0}, {BlockType::Patch, 14}, {BlockType::Parameters, 4}};

} // namespace

bool TConfigurationLoaderConfigV0::ReadHeader(std::span<const uint8_t> buffer,
                                              TConfiguration& configuration) {
    const TTargetFamily family = DetectLegacyTargetType(buffer);
    if (family == TTargetFamily::NotRecognised) {
        return false;
    }
    configuration.SetTargetType(family);
    std::string name(buffer.begin() + kLegacyOffsetName,
                     buffer.begin() + kLegacyOffsetName + kLegacyNameSize);
    TrimAtNul(name);
    configuration.SetName(name);
    configuration.SetChannel(buffer[kLegacyOffsetChannel]);
    configuration.SetBaudRate(le::Read24(buffer, kLegacyOffsetBaudRate));
    return true;
}

bool TConfigurationLoaderConfigV0::ReadBlocks(std::span<const uint8_t> buffer,
                                              TConfiguration& configuration) {
    configuration.ClearAllBlocks();
    for (const LegacyRecordKind& kind : kLegacyRecordKinds) {
        if (!ExtractLegacyRecord(buffer, configuration, kind.type, kind.skip)) {
            return false;
        }
    }
    return BuildLegacyIdBlock(buffer, configuration);
}

bool TConfigurationLoaderConfigV0::loadConfigurationFromBuffer(std::span<const uint8_t> buffer,
                                                               TConfiguration& configuration) {
    return ReadHeader(buffer, configuration) && ReadBlocks(buffer, configuration) &&
           configuration.GetLoadedState();
}

} // namespace ardent
