#pragma once
// DP2B ID table: device (32-bit), firmware (64-bit), customer (32-bit), patch, parameters and
// ROM (16-bit each). The row keys are as the configuration files know them ("Firwmare").

#include "targets/IdTablesModel.h"

namespace ardent {

class TDP2BIdTablesModel : public TIdTablesModel {
public:
    static constexpr int kRowDevice = 0;
    static constexpr int kRowFirmware = 1;
    static constexpr int kRowCustomer = 2;
    static constexpr int kRowPatch = 3;
    static constexpr int kRowParameters = 4;
    static constexpr int kRowRom = 5;

    // Starts with the firmware ID before burning compared.
    TDP2BIdTablesModel();
    // Either cell decides.
    bool GetCompare(int row) const override;
    // "-" when not loaded, "XXXX" for a zero parameter ID before burning, else "0x" and digits.
    std::string GetValue(int row, int column) const override;
};

} // namespace ardent
