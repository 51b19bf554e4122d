#pragma once
// DP2A parameter image from an .ahex file. Its ID after burning is not written in the file: it
// is the configuration checksum of the image's contents (GetCrc).

#include "input/DObject.h"

namespace ardent {

class TParDP2A : public DObject {
public:
    explicit TParDP2A(IMessageOutput& messages) : DObject(LoaderType::Ahex, messages) {}

    uint8_t getType() const override { return BlockType::Parameters; }
    // 0 on success. A missing file reports "File <name> does not exist" and gives -1; a file
    // with too many lines gives TAHEXLoader::kTooManyLines.
    int storeBuff(const std::string& fName) override;
    // ComputeCrc16 over the image after its first segment's start address and byte count; 0
    // when nothing is loaded or the image has no bytes after those four.
    virtual uint16_t GetCrc() const;
};

} // namespace ardent
