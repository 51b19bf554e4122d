#pragma once
// The block types of a configuration image; the same numbers are the bits of a target's
// selection of images to burn.

#include <cstdint>

namespace ardent {

namespace BlockType {
inline constexpr uint8_t Firmware = 1;
inline constexpr uint8_t Patch = 2;
inline constexpr uint8_t Parameters = 3;
inline constexpr uint8_t IdTable = 4;
} // namespace BlockType

} // namespace ardent
