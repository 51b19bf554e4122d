#pragma once
// DP3B ID table: the firmware version both images were built for (bytes), the patch ID (64-bit)
// and the parameter checksum (16-bit). The row keys are as the configuration files know them.

#include "targets/IdTablesModel.h"

namespace ardent {

class TDP3BIdTablesModel : public TIdTablesModel {
public:
    static constexpr int kRowFirmware = 0;
    static constexpr int kRowPatch = 1;
    static constexpr int kRowParameters = 2;

    TDP3BIdTablesModel();
    // The after-burning cell decides.
    bool GetCompare(int row) const override;
    // "-" when not loaded; the patch ID with its byte pairs reversed (the chip's byte order);
    // else "0x" and the digits.
    std::string GetValue(int row, int column) const override;
};

} // namespace ardent
