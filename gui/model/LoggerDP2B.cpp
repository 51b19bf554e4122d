#include "LoggerDP2B.h"

namespace ardent {

void TLoggerDP2B::addIdsInLogFIle(std::string& line, bool /*pass*/,
                                  const TProcessTargetSendId* ids) const {
    if (ids == nullptr) {
        line += ",,,,,,";
        return;
    }
    const TChannelDP2BId& id = ids->dp2BIds;
    line += HexColumn(id.deviceID, 8);
    line += HexColumn(id.firmwareID, 16);
    line += HexColumn(id.customerID, 8);
    line += HexColumn(id.patchID, 4);
    line += HexColumn(id.parameterID, 4);
    line += HexColumn(id.romID, 4);
}

} // namespace ardent
