#include "LoggerDP3B.h"

#include <algorithm>

namespace ardent {

void TLoggerDP3B::addIdsInLogFIle(std::string& line, bool /*pass*/,
                                  const TProcessTargetSendId* ids) const {
    if (ids == nullptr) {
        line += ",,,";
        return;
    }
    const TChannelDP3BId& id = ids->dp3BIds;
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
