#include "input/PatchDP3B.h"

#include "input/DP3BMessages.h"
#include "input/NumberText.h"
#include "input/ParDP3B.h"
#include "input/XMLLoader.h"

namespace ardent {

int TPatchDP3B::storeBuff(const std::string& fName) {
    isLoaded = false;
    size = static_cast<uint32_t>(fileLoader->LoadFile(fName, kRecordType, buffer));
    if (fileLoader->GetStatus() != TFileLoader::kStatusOk) {
        return fileLoader->GetStatus();
    }
    int result = DP3BCode::NoPatchOrParameters;
    if (size != 0) {
        StringList attributes;
        fileLoader->LoadStrListFromFile(fName, attributes, kRecordType);
        result = DP3BCode::MissingPatchVersion;
        std::string patchVersion;
        if (TXMLLoader::FindAttributeValue(attributes, "patch_version", patchVersion)) {
            patchID = static_cast<uint64_t>(StrToInt64OrThrow(patchVersion));
            result = DP3BCode::Ok;
        }
        if (!ReadFirmwareVersion(attributes, firmwareVersion)) {
            result = DP3BCode::MissingFirmwareVersion;
        }
    }
    isLoaded = result == DP3BCode::Ok;
    if (isLoaded) {
        Name = fName;
    }
    return result;
}

} // namespace ardent
