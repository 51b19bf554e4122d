#include "targets/IdTableEntry.h"

namespace ardent {

TIdTableEntry::TIdTableEntry(int width) {
    switch (width) {
    case 16:
        value = std::make_unique<TIdTableValue16>();
        break;
    case 32:
        value = std::make_unique<TIdTableValue32>();
        break;
    case 64:
        value = std::make_unique<TIdTableEntry64>();
        break;
    default:
        value = std::make_unique<TIdTableValueArray>();
        break;
    }
}

void TIdTableEntry::GetPacked(Bytes& bytes) const {
    bytes.push_back(loaded ? 1 : 0);
    bytes.push_back(compare ? 1 : 0);
    value->Serialization(bytes);
}

bool TIdTableEntry::FillPacked(std::span<const uint8_t>& bytes) {
    if (bytes.size() < 2) {
        return false;
    }
    std::span<const uint8_t> rest = bytes.subspan(2);
    if (!value->Deserialization(rest)) {
        return false;
    }
    loaded = bytes[0] != 0;
    compare = bytes[1] != 0;
    bytes = rest;
    return true;
}

} // namespace ardent
