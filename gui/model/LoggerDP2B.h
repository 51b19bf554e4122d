#pragma once
// The DP2B burn log: six ID columns (device, firmware, customer, patch, parameter, ROM).

#include "Logger.h"

namespace ardent {

class TLoggerDP2B : public TLogger {
public:
    using TLogger::TLogger;
    uint32_t LoggedFamily() const override { return 2; }

protected:
    void addIdsInLogFIle(std::string& line, bool pass,
                         const TProcessTargetSendId* ids) const override;
};

} // namespace ardent
