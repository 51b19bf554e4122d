#pragma once
// Little-endian reads and writes of the unsigned fields in configuration images. Images are
// handled as plain bytes, never by casting a record over a buffer, so alignment and host byte
// order never matter. Readers expect the caller to have checked that the field lies inside the
// bytes it reads from.

#include "utils/Bytes.h"

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ardent::le {

inline uint32_t ReadUnsigned(std::span<const uint8_t> bytes, size_t offset, size_t width) {
    assert(offset <= bytes.size() && width <= bytes.size() - offset && width <= 4);
    uint32_t value = 0;
    for (size_t i = width; i > 0; --i) {
        value = (value << 8) | bytes[offset + i - 1];
    }
    return value;
}

inline uint16_t Read16(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint16_t>(ReadUnsigned(bytes, offset, 2));
}
inline uint32_t Read24(std::span<const uint8_t> bytes, size_t offset) {
    return ReadUnsigned(bytes, offset, 3);
}
inline uint32_t Read32(std::span<const uint8_t> bytes, size_t offset) {
    return ReadUnsigned(bytes, offset, 4);
}

inline void Append16(Bytes& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}
inline void Append32(Bytes& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

} // namespace ardent::le
