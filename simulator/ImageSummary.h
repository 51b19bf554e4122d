#pragma once
// What the simulated programmer learns from a stored configuration image: the checks it makes
// before keeping one, and the few header fields, IDs and checksums it reports and burns with.
// Every read is bounds-checked: the image comes from a client and may be anything.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ardent::sim {

// IDs of the configuration's ID table, one column of it (only the values marked loaded); after
// burning, for DP2A, the parameter ID its parameter image gives.
struct TAfterBurnIds {
    std::optional<uint32_t> deviceID;
    std::optional<uint64_t> firmwareID;
    std::optional<uint32_t> customerID;
    std::optional<uint64_t> patchID;
    std::optional<uint16_t> parameterID;
    std::optional<uint16_t> romID;
    std::optional<std::vector<uint8_t>> firmwareBytes; // DP3B
};

struct TImageSummary {
    std::string configName;   // the 32 name bytes up to the first zero byte
    uint8_t rawName[32] = {}; // the name field as stored
    uint32_t configSize = 0;
    uint32_t channelSelection = 0;
    uint32_t targetType = 0;
    uint16_t crc = 0;
    uint16_t parameterId = 0; // the after-burning parameter ID, 0 when the image has none
    uint16_t firmwareCrc = 0; // checksum of the firmware block, 0 when there is none
    TAfterBurnIds before;     // what the configuration expects of a chip before burning
    TAfterBurnIds after;      // what a chip carries once burned
};

inline constexpr size_t kImageHeaderSize = 64;
inline constexpr size_t kSmallestImage = kImageHeaderSize + 2;
inline constexpr size_t kLargestImage = 65535;

// 0 when `image` is a whole current configuration image whose CRC is `announcedCrc`: the size
// field matches its length, the version tag is the current one, the blocks fill it exactly and
// the trailing CRC is the checksum of everything before it. Otherwise the programmer's error code
// for the refusal (wrong CRC, wrong version, or a store error for a malformed image).
uint16_t CheckImage(std::span<const uint8_t> image, uint16_t announcedCrc);

// The summary of an image that passed CheckImage.
TImageSummary SummarizeImage(std::span<const uint8_t> image);

} // namespace ardent::sim
