#include "input/Fw.h"

#include "input/AHEXLoader.h"
#include "input/LinePattern.h"

#include <optional>

namespace ardent {

namespace {
constexpr uint16_t kParamChainHead = 0xC016;
}

int TFw::storeBuff(const std::string& fName) {
    StringList lines;
    fileLoader->LoadStrListFromFile(fName, lines, BlockType::Firmware);
    const TAHEXLoader::DataWords words = lines.size() <= TAHEXLoader::kMaxLines
                                             ? TAHEXLoader::ParseDataLines(lines)
                                             : TAHEXLoader::DataWords{};
    if (TAHEXLoader::BuildSegmentImage(words, buffer) <= 0) {
        buffer.clear(); // a refused (too long) file must not leave the previous image behind
        Name.clear();
        fwPar = 0;
        isLoaded = false;
        return -1;
    }
    fwID = ReadFwID(lines);
    isLoaded = fwID != 0;
    fwPar = ReadFwParamID(words);
    Name = fName;
    return isLoaded ? 0 : -1;
}

uint64_t TFw::ReadFwID(const StringList& lines) {
    // Upper-case address letters only: that is how the firmware build writes the ID words.
    static const TLinePattern idLine("^00C02[B-E]:([0-9]|[A-F]|[a-f]){4}$", 11);
    uint64_t id = 0;
    for (const std::string& line : lines) {
        if (idLine.Matches(line)) {
            id = (id << 16) | TAHEXLoader::DataLineWord(line);
        }
    }
    return id;
}

uint16_t TFw::ReadFwParamID(const StringList& lines) {
    return ReadFwParamID(TAHEXLoader::ParseDataLines(lines));
}

uint16_t TFw::ReadFwParamID(const TAHEXLoader::DataWords& words) {
    // Each node is four words: a non-zero word (zero ends the chain), the address of the next
    // node, one unused word and the parameter ID. The last value before the ending node counts.
    std::optional<uint32_t> node;
    uint32_t next = 0;
    uint16_t value = 0;
    for (const auto& [address, word] : words) {
        if (address == kParamChainHead) {
            node = word;
        } else if (!node) {
            continue;
        } else if (address == *node) {
            if (word == 0) {
                return value;
            }
        } else if (address == *node + 1) {
            next = word;
        } else if (address == *node + 3) {
            node = next;
            value = word;
        }
    }
    return 0;
}

} // namespace ardent
