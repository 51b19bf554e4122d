#include "input/ParDP2A.h"
#include "utils/Crc16.h"

#include <span>

namespace ardent {

int TParDP2A::storeBuff(const std::string& fName) {
    const int rc = fileLoader->LoadFile(fName, BlockType::Parameters, buffer);
    if (rc < 0) {
        return rc;
    }
    isLoaded = true;
    Name = fName;
    return 0;
}

uint16_t TParDP2A::GetCrc() const {
    if (!isLoaded || buffer.size() <= 4) {
        return 0;
    }
    return ComputeCrc16(std::span<const uint8_t>(buffer).subspan(4));
}

} // namespace ardent
