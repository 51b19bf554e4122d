#pragma once
// DP2B parameter image from an .ahex file. The file names the parameter ID after burning, and
// optionally before it, in lines of exactly four upper-case hexadecimal digits.

#include "input/DObject.h"

namespace ardent {

class TPar : public DObject {
public:
    explicit TPar(IMessageOutput& messages) : DObject(LoaderType::Ahex, messages) {}

    uint8_t getType() const override { return BlockType::Parameters; }
    // 0 on success. A missing file reports "File <name> does not exist" and gives -1; a file
    // with too many lines gives TAHEXLoader::kTooManyLines; a file without a valid ID set gives
    // the image length, or -1 when that is 0.
    int storeBuff(const std::string& fName) override;

    // Reads the ID lines of the file: one line is the after-burning ID (complete), two are the
    // before and after IDs; none or more than two are refused (false).
    virtual bool loadParam(const std::string& fName);
    // The same rule for lines already read.
    bool loadParamLines(const StringList& lines);

    uint16_t getIDBefore() const { return IDBefore; }
    uint16_t getIDAfter() const { return IDAfter; }
    // True when the file named only the after-burning ID.
    bool isComplete() const { return complete; }

private:
    uint16_t IDBefore = 0;
    uint16_t IDAfter = 0;
    bool complete = false;
};

} // namespace ardent
