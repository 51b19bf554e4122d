#include "LoggerDP3B.h"

#include <algorithm>
#include <cstring>

namespace ardent {

void TLoggerDP3B::addIdsInLogFIle(std::string& line, bool /*pass*/,
                                  std::span<const uint8_t> ids) const {
    if (ids.size() < sizeof(TChannelDP3BId)) {
        line += ",,,";
        return;
    }
    TChannelDP3BId id{};
    std::memcpy(&id, ids.data(), sizeof(id));
    line += HexColumn(id.chipId, 16);
    // The programmer may announce more bytes than the field holds; only the field is shown.
    const size_t count = std::min<size_t>(id.firmwareIdSize, sizeof(id.firmwareID));
    for (size_t i = 0; i < count; ++i) {
        line += HexDigits(id.firmwareID[i], 2);
    }
    line += ',';
    line += HexColumn(id.patchID, 16);
}

} // namespace ardent
