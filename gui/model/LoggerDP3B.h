#pragma once
// The DP3B burn log: three ID columns (chip, firmware ID bytes, patch).

#include "Logger.h"

namespace ardent {

class TLoggerDP3B : public TLogger {
public:
    using TLogger::TLogger;
    TTargetFamily LoggedFamily() const override { return TTargetFamily::DP3B; }

protected:
    void addIdsInLogFIle(std::string& line, bool pass,
                         const TProcessTargetSendId* ids) const override;
};

} // namespace ardent
