#pragma once
// Reads the current image layout, tagged KtCfgV01: the 64-byte header, then the blocks.

#include "configuration/ConfigurationLoaderInterface.h"

namespace ardent {

class TConfigurationLoaderConfigV1 : public TConfigurationLoaderInterface {
public:
    // Copies the header verbatim; false when the image is shorter than header and CRC.
    bool ReadHeader(std::span<const uint8_t> buffer, TConfiguration& configuration) override;
    // Replaces the blocks with the header's count of blocks from offset 64 (whatever HeaderSize
    // says); an empty block is dropped. False when a block runs past the CRC or fewer blocks
    // are present than counted.
    bool ReadBlocks(std::span<const uint8_t> buffer, TConfiguration& configuration) override;
    bool loadConfigurationFromBuffer(std::span<const uint8_t> buffer,
                                     TConfiguration& configuration) override;

private:
    // Block count from the header. Unsigned: a count no image can hold fails instead of reading
    // as "no blocks".
    uint32_t mNumBlock = 0;
};

} // namespace ardent
