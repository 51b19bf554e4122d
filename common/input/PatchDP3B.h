#pragma once
// DP3B patch image: the XML record with RecordTypeID 1. Its "patch_version" attribute is the
// 64-bit patch ID; its "version" attribute names the firmware the patch was built for.

#include "input/DObject.h"

namespace ardent {

class TPatchDP3B : public DObject {
public:
    static constexpr int kRecordType = 1;

    explicit TPatchDP3B(IMessageOutput& messages) : DObject(LoaderType::Xml, messages) {}

    uint8_t getType() const override { return BlockType::Patch; }
    // A code of the DP3B message table, 0 on success: 1 file missing or not parseable, 3 no
    // (or an empty) patch record, 5 no "patch_version", 2 no usable "version". A patch_version
    // that is not an integer throws NumberConversionError.
    int storeBuff(const std::string& fName) override;

    uint64_t GetPatchID() const { return patchID; }
    const std::string& GetFirmwareVersion() const { return firmwareVersion; }

private:
    uint64_t patchID = 0;
    std::string firmwareVersion;
};

} // namespace ardent
