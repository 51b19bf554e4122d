#include "utils/Crc16.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace ardent {

namespace {

// The register shifts towards its top bit while data bits enter least significant first. Seen in
// a mirror, the register shifts towards bit 0 and takes each data byte as it is, with the
// polynomial mirrored (0x100B -> 0xD008); the result is mirrored back at the end. Table k holds
// a byte's effect followed by k zero bytes, so eight bytes share one step: a 65 535-byte image
// is checked in a fraction of the time a byte-at-a-time table needs.
constexpr uint16_t kMirroredPolynomial = 0xD008;
constexpr size_t kCrcSlices = 8;
using CrcTables = std::array<std::array<uint16_t, 256>, kCrcSlices>;

constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (unsigned value = 0; value < 256; ++value) {
        auto crc = static_cast<uint16_t>(value);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ kMirroredPolynomial)
                            : static_cast<uint16_t>(crc >> 1);
        }
        tables[0][value] = crc;
    }
    for (size_t slice = 1; slice < kCrcSlices; ++slice) {
        for (unsigned value = 0; value < 256; ++value) {
            const uint16_t previous = tables[slice - 1][value];
            tables[slice][value] =
                static_cast<uint16_t>((previous >> 8) ^ tables[0][previous & 0xFF]);
        }
    }
    return tables;
}

constexpr CrcTables kCrcTables = MakeCrcTables();

constexpr uint16_t Mirror16(uint16_t value) {
    uint16_t mirrored = 0;
    for (int bit = 0; bit < 16; ++bit) {
        mirrored = static_cast<uint16_t>((mirrored << 1) | ((value >> bit) & 1));
    }
    return mirrored;
}
} // namespace

uint16_t ComputeCrc16(std::span<const uint8_t> data, uint16_t count) {
    return ComputeCrc16(data.first(std::min<size_t>(count, data.size())));
}

uint16_t ComputeCrc16(std::span<const uint8_t> data) {
    const auto& t = kCrcTables;
    uint16_t crc = 0; // mirrored register
    size_t i = 0;
    for (; data.size() - i >= kCrcSlices; i += kCrcSlices) {
        const uint8_t* p = data.data() + i;
        crc =
            static_cast<uint16_t>(t[7][p[0] ^ (crc & 0xFF)] ^ t[6][p[1] ^ (crc >> 8)] ^ t[5][p[2]] ^
                                  t[4][p[3]] ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]]);
    }
    for (; i < data.size(); ++i) {
        crc = static_cast<uint16_t>((crc >> 8) ^ t[0][(crc ^ data[i]) & 0xFF]);
    }
    return Mirror16(crc);
}

} // namespace ardent
