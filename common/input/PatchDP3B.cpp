#include "input/PatchDP3B.h"

#include "input/DP3BMessages.h"
#include "input/DP3BRecord.h"
#include "input/NumberText.h"
#include "input/XMLLoader.h"

namespace ardent {

int TPatchDP3B::storeBuff(const std::string& fName) {
    isLoaded = false;
    StringList attributes;
    int result = LoadDP3BRecord(*fileLoader, fName, kRecordType, buffer, size, attributes);
    if (result == DP3BCode::Ok) {
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
    return FinishLoad(result, fName);
}

} // namespace ardent
