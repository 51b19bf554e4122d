#include "input/Patch.h"

#include "input/AHEXLoader.h"
#include "input/LinePattern.h"
#include "input/NumberText.h"

namespace ardent {

int TPatch::storeBuff(const std::string& fName) {
    isLoaded = false;
    StringList lines;
    fileLoader->LoadStrListFromFile(fName, lines, BlockType::Patch);
    if (loadPatchHex(lines) && TAHEXLoader::BuildSegmentImage(lines, buffer) >= 0) {
        isLoaded = true;
        Name = fName;
        return 0;
    }
    IDAfter = 0;
    IDBefore = 0;
    IDFW = 0;
    Name.clear();
    return -1;
}

bool TPatch::loadPatchHex(const StringList& lines) {
    static const TLinePattern firmwareIdLine("^([0-9]|[A-F]|[a-f]){16}$", 16);
    static const TLinePattern patchIdLine("^([0-9]|[A-F]|[a-f]){6}(:([0-9]|[A-F]|[a-f]){4}){2}$",
                                          16);
    IDFW = 0;
    IDBefore = 0;
    IDAfter = 0;
    PatchIDAddress = 0;
    for (const std::string& line : lines) {
        if (firmwareIdLine.Matches(line)) {
            IDFW = HexDigitsValue(std::string_view(line).substr(0, 16));
        } else if (patchIdLine.Matches(line)) {
            const std::string_view text(line);
            PatchIDAddress = static_cast<uint16_t>(HexDigitsValue(text.substr(0, 6)) & 0xFFFF);
            IDBefore = static_cast<uint16_t>(HexDigitsValue(text.substr(7, 4)));
            IDAfter = static_cast<uint16_t>(HexDigitsValue(text.substr(12, 4)));
        }
    }
    return PatchIDAddress == kPatchIdAddress && IDAfter != 0;
}

} // namespace ardent
