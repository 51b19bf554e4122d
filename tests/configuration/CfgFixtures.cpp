#include "CfgFixtures.h"

#include "configuration/BlockType.h"
#include "utils/Bytes.h"
#include "utils/Crc16.h"

#include <algorithm>

namespace ardent::testing_support {
Bytes LegacyHeader(const std::string& name, uint32_t baud, uint8_t channel) {
    Bytes header(83, 0);
    std::copy_n(name.begin(), std::min<size_t>(name.size(), 32), header.begin() + 47);
    header[79] = static_cast<uint8_t>(baud);
    header[80] = static_cast<uint8_t>(baud >> 8);
    header[81] = static_cast<uint8_t>(baud >> 16);
    header[82] = channel;
    return header;
}

void AppendLegacyRecord(Bytes& image, uint8_t type, const Bytes& data) {
    image.push_back(type);
    const auto length = static_cast<uint32_t>(data.size());
    for (int shift = 0; shift < 32; shift += 8) {
        image.push_back(static_cast<uint8_t>(length >> shift));
    }
    image.insert(image.end(), data.begin(), data.end());
}

void MarkLegacyDp2a(Bytes& image) {
    image[4] = 0x49;
    image[5] = 0x43;
    image[6] = 0x4C;
}

Bytes WithCrc(Bytes body) {
    const uint16_t crc = ComputeCrc16(body);
    body.push_back(static_cast<uint8_t>(crc));
    body.push_back(static_cast<uint8_t>(crc >> 8));
    return body;
}

TConfiguration CurrentFixtureConfiguration() {
    TConfiguration configuration;
    configuration.SetName("Golden line");
    configuration.SetTargetType(2);
    configuration.SetChannel(0x0B);
    configuration.SetBaudRate(115200);
    configuration.AddNewBlock(BlockType::Firmware,
                              Bytes{0x00, 0x00, 0x04, 0x00, 0x34, 0x12, 0x78, 0x56});
    configuration.AddNewBlock(BlockType::Patch, Bytes{0x00, 0x10, 0x02, 0x00, 0xCD, 0xAB});
    configuration.AddNewBlock(BlockType::Parameters, Bytes{0x20, 0x00, 0x02, 0x00, 0x01, 0x00});
    Bytes idTable(68, 0); // a fresh DP2B ID table: only the firmware-before compare flag set
    idTable[13] = 1;
    configuration.AddNewBlock(BlockType::IdTable, idTable);
    return configuration;
}

Bytes CurrentFixture() {
    TConfiguration configuration = CurrentFixtureConfiguration();
    configuration.BuildBuffer();
    return configuration.GetBuffer();
}

Bytes LegacyDp2aFixture() {
    Bytes image = LegacyHeader("LegacyA", 9600, 0x03);
    MarkLegacyDp2a(image);
    AppendLegacyRecord(image, 3, Bytes{0xEE, 0xEE, 0xEE, 0xEE, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15});
    return WithCrc(image);
}

Bytes LegacyDp2bFixture() {
    Bytes image = LegacyHeader("LegacyB", 115200, 0x0F);
    const Bytes idFields = {
        1,                                              // 4: device compare
        0x11, 0x22, 0x33, 0x44,                         // 5: device ID
        0xEE,                                           // 9: not read
        0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, // 10: firmware ID before
        1,                                              // 18: customer compare
        0xC0, 0xC1, 0xC2, 0xC3,                         // 19: customer ID
        1,                                              // 23: patch-before flag
        0x01, 0x02,                                     // 24: patch ID before
        1,                                              // 26: parameter-before compare
        0xA1, 0xA2,                                     // 27: parameter ID before
        0,                                              // 29: ROM compare
        0xB1, 0xB2,                                     // 30: ROM ID
        1,                                              // 32: patch-after flag
        0x12, 0x34,                                     // 33: patch ID after
        0,                                              // 35: parameter-after flag
        0x56, 0x78,                                     // 36: parameter ID after
        1,                                              // 38: firmware-after flag
        0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, // 39: firmware ID after
    };
    std::copy(idFields.begin(), idFields.end(), image.begin() + 4);
    image[0] = image[1] = image[2] = image[3] = 0x5A; // not read
    AppendLegacyRecord(image, 1, Bytes{1, 2, 3, 4, 5, 6});
    AppendLegacyRecord(image, 7, Bytes{0x77, 0x77});
    Bytes patch(14, 0xCC);
    patch.insert(patch.end(), {0xD1, 0xD2, 0xD3});
    AppendLegacyRecord(image, 2, patch);
    AppendLegacyRecord(image, 3, Bytes{0x99, 0x99, 0x99, 0x99, 0x31, 0x32});
    return WithCrc(image);
}

Bytes DamagedFixture() {
    Bytes image = CurrentFixture();
    image[40] ^= 0x20;
    return image;
}

std::string FixturePath(const std::string& name) {
    return std::string(ARDENT_TEST_DATA_DIR) + "/cfg/" + name;
}

} // namespace ardent::testing_support
