#pragma once
// DP2B patch image from an .ahex file. Besides its data lines the file names the firmware the
// patch applies to (a 16-digit line) and the patch ID word at C00C before and after burning
// ("00C00C:before:after").

#include "input/DObject.h"

namespace ardent {

class TPatch : public DObject {
public:
    static constexpr uint16_t kPatchIdAddress = 0xC00C;

    explicit TPatch(IMessageOutput& messages) : DObject(LoaderType::Ahex, messages) {}

    uint8_t getType() const override { return BlockType::Patch; }
    // 0 when loadPatchHex accepts the file's lines, else -1 with the IDs cleared. A file that
    // cannot be read throws FileSystemError.
    int storeBuff(const std::string& fName) override;

    // Takes the IDs from the lines (a later line overrides an earlier one); true only when the
    // patch ID line is at C00C and its after-burning ID is not 0.
    bool loadPatchHex(const StringList& lines);

    uint16_t getIDBefore() const { return IDBefore; }
    uint16_t getIDAfter() const { return IDAfter; }
    uint64_t getIDFW() const { return IDFW; }

private:
    uint16_t IDAfter = 0;
    uint16_t IDBefore = 0;
    uint64_t IDFW = 0;
    uint16_t PatchIDAddress = 0;
};

} // namespace ardent
