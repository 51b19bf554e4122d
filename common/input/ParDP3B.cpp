#include "input/ParDP3B.h"

#include "input/DP3BMessages.h"
#include "input/NumberText.h"
#include "input/XMLLoader.h"

namespace ardent {

bool ReadFirmwareVersion(const StringList& attributes, std::string& firmwareVersion) {
    std::string value;
    if (!TXMLLoader::FindAttributeValue(attributes, "version", value)) {
        return false;
    }
    // The version travels in the ID table as at most 16 bytes; a text that cannot be stored
    // there would make the programmer compare against a different version.
    const std::string normalized = NormalizeHexVersion(value);
    std::vector<uint8_t> bytes;
    if (!VersionTextToBytes(normalized, bytes)) {
        return false;
    }
    firmwareVersion = normalized;
    return true;
}

int TParDP3B::storeBuff(const std::string& fName) {
    isLoaded = false;
    size = static_cast<uint32_t>(fileLoader->LoadFile(fName, kRecordType, buffer));
    if (fileLoader->GetStatus() != TFileLoader::kStatusOk) {
        return fileLoader->GetStatus();
    }
    int result = DP3BCode::NoPatchOrParameters;
    if (size != 0) {
        StringList attributes;
        fileLoader->LoadStrListFromFile(fName, attributes, kRecordType);
        paramID = getCrc();
        result = DP3BCode::MissingFirmwareVersion;
        if (ReadFirmwareVersion(attributes, firmwareVersion)) {
            result = DP3BCode::Ok;
        }
    }
    isLoaded = result == DP3BCode::Ok;
    if (isLoaded) {
        Name = fName;
    }
    return result;
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
