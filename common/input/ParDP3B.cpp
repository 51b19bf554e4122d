#include "input/ParDP3B.h"

#include "input/DP3BMessages.h"
#include "input/DP3BRecord.h"

namespace ardent {

int TParDP3B::storeBuff(const std::string& fName) {
    isLoaded = false;
    StringList attributes;
    int result = LoadDP3BRecord(*fileLoader, fName, kRecordType, buffer, size, attributes);
    if (result == DP3BCode::Ok) {
        paramID = getCrc();
        if (!ReadFirmwareVersion(attributes, firmwareVersion)) {
            result = DP3BCode::MissingFirmwareVersion;
        }
    }
    return FinishLoad(result, fName);
}

uint16_t TParDP3B::getCrc() const {
    if (buffer.size() <= 4) {
        return 0xFFFF;
    }
    return CrcCcittFalse(std::span<const uint8_t>(buffer).subspan(4));
}

uint16_t TParDP3B::CrcCcittFalse(std::span<const uint8_t> data) {
    uint16_t crc = 0xFFFF;
    for (const uint8_t byte : data) {
        uint32_t a = byte ^ (crc >> 8u);
        a ^= a >> 4u;
        crc = static_cast<uint16_t>(
            ((static_cast<uint32_t>(crc) << 8u) ^ (a << 12u) ^ (a << 5u) ^ a) & 0xFFFFu);
    }
    return crc;
}

} // namespace ardent
