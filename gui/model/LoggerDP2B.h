#pragma once
// The DP2B burn log: six ID columns (device, firmware, customer, patch, parameter, ROM).

#include "Logger.h"

namespace ardent {

class TLoggerDP2B : public TLogger {
public:
    using TLogger::TLogger;
    TTargetFamily LoggedFamily() const override { return TTargetFamily::DP2B; }

protected:
    void addIdsInLogFIle(std::string& line, bool pass,
                         const TProcessTargetSendId* ids) const override;
};

} // namespace ardent
