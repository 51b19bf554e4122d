#pragma once
// Reads the legacy untagged image layout and turns it into the current model, so that saving a
// legacy configuration again writes a current image.

#include "configuration/ConfigurationLoaderInterface.h"

namespace ardent {

class TConfigurationLoaderConfigV0 : public TConfigurationLoaderInterface {
public:
    // Target type, name, channel selection and baud rate; ConfigVersion and HeaderSize keep the
    // values the configuration had. False, changing nothing, when the family is not recognised.
    bool ReadHeader(std::span<const uint8_t> buffer, TConfiguration& configuration) override;
    // Replaces the blocks with the firmware, patch and parameter records and the ID table.
    // False when a record runs past the CRC or is shorter than its prefix.
    bool ReadBlocks(std::span<const uint8_t> buffer, TConfiguration& configuration) override;
    bool loadConfigurationFromBuffer(std::span<const uint8_t> buffer,
                                     TConfiguration& configuration) override;
};

} // namespace ardent
