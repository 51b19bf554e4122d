#pragma once
// The configuration checksum.

#include <cstdint>
#include <span>

namespace ardent {

// The configuration checksum: CRC-16, polynomial 0x100B, initial 0, no final XOR, each byte fed
// least significant bit first into a register shifting towards its top bit. Counts at most
// `count` bytes of `data` (never more than data holds).
uint16_t ComputeCrc16(std::span<const uint8_t> data, uint16_t count);
// The same checksum over all of `data`, for images of any length (the loaders and the benchmark).
uint16_t ComputeCrc16(std::span<const uint8_t> data);

} // namespace ardent
