#include "LoggerDP2B.h"

#include <cstring>

namespace ardent {

void TLoggerDP2B::addIdsInLogFIle(std::string& line, bool /*pass*/,
                                  std::span<const uint8_t> ids) const {
    if (ids.size() < sizeof(TChannelDP2BId)) {
        line += ",,,,,,";
        return;
    }
    TChannelDP2BId id{};
    std::memcpy(&id, ids.data(), sizeof(id));
    line += HexColumn(id.deviceID, 8);
    line += HexColumn(id.firmwareID, 16);
    line += HexColumn(id.customerID, 8);
    line += HexColumn(id.patchID, 4);
    line += HexColumn(id.parameterID, 4);
    line += HexColumn(id.romID, 4);
}

} // namespace ardent
