#include "input/Par.h"

#include "input/LinePattern.h"
#include "input/NumberText.h"

#include <vector>

namespace ardent {

int TPar::storeBuff(const std::string& fName) {
    const int rc = fileLoader->LoadFile(fName, BlockType::Parameters, buffer);
    if (rc >= 0 && loadParam(fName)) {
        isLoaded = true;
        Name = fName;
        return 0;
    }
    isLoaded = false;
    return rc != 0 ? rc : -1;
}

bool TPar::loadParam(const std::string& fName) {
    StringList lines;
    fileLoader->LoadStrListFromFile(fName, lines, BlockType::Parameters);
    return loadParamLines(lines);
}

bool TPar::loadParamLines(const StringList& lines) {
    static const TLinePattern idLine("^(([0-9]|[A-F]){4})$", 4);
    IDBefore = 0;
    IDAfter = 0;
    complete = false;
    std::vector<uint16_t> ids;
    for (const std::string& line : lines) {
        if (idLine.Matches(line)) {
            if (ids.size() == 2) {
                return false;
            }
            ids.push_back(
                static_cast<uint16_t>(HexDigitsValue(std::string_view(line).substr(0, 4))));
        }
    }
    if (ids.size() == 1) {
        IDAfter = ids[0];
        complete = true;
        return true;
    }
    if (ids.size() == 2) {
        IDBefore = ids[0];
        IDAfter = ids[1];
        return true;
    }
    return false;
}

} // namespace ardent
