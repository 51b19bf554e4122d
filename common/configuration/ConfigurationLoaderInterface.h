#pragma once
// The reader of one image layout (current or legacy). Each reader fills the configuration it is
// given and is created for one load. The legacy helpers live here, beside the readers' common
// contract, because they describe the legacy layout only the version 0 reader uses.

#include "configuration/Configuration.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace ardent {

class TConfigurationLoaderInterface {
public:
    virtual ~TConfigurationLoaderInterface() = default;

    // Each returns false when the image cannot be read; `configuration` may then be partly
    // filled, so callers load into a scratch copy (TConfigurationLoader does).
    virtual bool ReadHeader(std::span<const uint8_t> buffer, TConfiguration& configuration) = 0;
    virtual bool ReadBlocks(std::span<const uint8_t> buffer, TConfiguration& configuration) = 0;
    virtual bool loadConfigurationFromBuffer(std::span<const uint8_t> buffer,
                                             TConfiguration& configuration) = 0;

protected:
    // The legacy (version 0) image: fixed fields up to offset 83, then records (type byte,
    // 32-bit length, data) up to the 2-byte CRC.
    static constexpr size_t kLegacyOffsetMarker = 4;
    static constexpr size_t kLegacyOffsetName = 47;
    static constexpr size_t kLegacyNameSize = 32;
    static constexpr size_t kLegacyOffsetBaudRate = 79;
    static constexpr size_t kLegacyOffsetChannel = 82;
    static constexpr size_t kLegacyOffsetRecords = 83;
    static constexpr size_t kLegacyRecordHeaderSize = 5;
    static constexpr size_t kLegacyMinSize = kLegacyOffsetRecords + TConfiguration::kCrcSize;
    static constexpr size_t kLegacyIdBlockSize = 68;

    // DP2A for the "ICL" marker at offset 4, else DP2B when the first record is a firmware,
    // patch or parameter block, else NotRecognised (also for an image too short to be a legacy
    // one).
    static TTargetFamily DetectLegacyTargetType(std::span<const uint8_t> buffer);
    // Adds the data of the first record of `type`, less its `skip` prefix bytes, as a block of
    // the same type; a type that is absent adds nothing. False, adding nothing, when any record
    // runs past the CRC or the matching record is shorter than its prefix.
    static bool ExtractLegacyRecord(std::span<const uint8_t> buffer, TConfiguration& configuration,
                                    uint8_t type, size_t skip);
    // Adds the 68-byte DP2B ID table block copied from the legacy ID fields. False, adding
    // nothing, when the image is too short to hold them.
    static bool BuildLegacyIdBlock(std::span<const uint8_t> buffer, TConfiguration& configuration);
};

} // namespace ardent
