#include "input/DP3BRecord.h"

#include "input/DP3BMessages.h"
#include "input/NumberText.h"
#include "input/XMLLoader.h"
#include "utils/VersionText.h"

namespace ardent {

int LoadDP3BRecord(TFileLoader& loader, const std::string& fileName, int recordType, Bytes& buffer,
                   uint32_t& size, StringList& attributes) {
    size = static_cast<uint32_t>(loader.LoadFile(fileName, recordType, buffer));
    if (loader.GetStatus() != TFileLoader::kStatusOk) {
        return loader.GetStatus();
    }
    if (size == 0) {
        return DP3BCode::NoPatchOrParameters;
    }
    loader.LoadStrListFromFile(fileName, attributes, recordType);
    return DP3BCode::Ok;
}

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

} // namespace ardent
