#include "configuration/ConfigurationLoaderConfigV1.h"

#include "configuration/LittleEndian.h"

namespace ardent {

bool TConfigurationLoaderConfigV1::ReadHeader(std::span<const uint8_t> buffer,
                                              TConfiguration& configuration) {
    if (buffer.size() < TConfiguration::kEmptyImageSize) {
        return false;
    }
    configuration.SetHeader(TConfigurationHeader::ReadFrom(buffer));
    mNumBlock = configuration.GetHeader().NumOfBloks;
    return true;
}

bool TConfigurationLoaderConfigV1::ReadBlocks(std::span<const uint8_t> buffer,
                                              TConfiguration& configuration) {
    if (buffer.size() < TConfiguration::kEmptyImageSize) {
        return false;
    }
    configuration.ClearAllBlocks();
    const size_t end = buffer.size() - TConfiguration::kCrcSize;
    size_t position = TConfigurationHeader::kSize;
    for (uint32_t i = 0; i < mNumBlock; ++i) {
        if (end - position < TBlockHeader::kSize) {
            return false;
        }
        const uint32_t type = le::Read32(buffer, position);
        const uint32_t size = le::Read32(buffer, position + 4);
        const size_t dataStart = position + TBlockHeader::kSize;
        if (size > end - dataStart) {
            return false;
        }
        configuration.AddNewBlock(type, buffer.subspan(dataStart, size)); // empty: dropped
        position = dataStart + size;
    }
    return true;
}

bool TConfigurationLoaderConfigV1::loadConfigurationFromBuffer(std::span<const uint8_t> buffer,
                                                               TConfiguration& configuration) {
    return ReadHeader(buffer, configuration) && ReadBlocks(buffer, configuration);
}

} // namespace ardent
