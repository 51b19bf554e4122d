#pragma once
// DP2B firmware image from an .ahex file, with the firmware ID it carries (words 00C02B to
// 00C02E) and the parameter ID embedded in it (found through the node chain headed at C016).

#include "input/AHEXLoader.h"
#include "input/DObject.h"

namespace ardent {

class TFw : public DObject {
public:
    explicit TFw(IMessageOutput& messages) : DObject(LoaderType::Ahex, messages) {}

    uint8_t getType() const override { return BlockType::Firmware; }
    // 0 when the file holds data lines and a non-zero firmware ID, else -1. A file that cannot
    // be read throws FileSystemError.
    int storeBuff(const std::string& fName) override;

    uint64_t getFWID() const { return fwID; }
    bool isFWWithPar() const { return fwPar != 0; }
    uint16_t getFWPar() const { return fwPar; }

    // The two IDs from a file's lines (the entry points storeBuff uses).
    static uint64_t ReadFwID(const StringList& lines);
    static uint16_t ReadFwParamID(const StringList& lines);
    static uint16_t ReadFwParamID(const TAHEXLoader::DataWords& words);

private:
    uint64_t fwID = 0;
    uint16_t fwPar = 0;
};

} // namespace ardent
