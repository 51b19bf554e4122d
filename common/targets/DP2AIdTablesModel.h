#pragma once
// DP2A ID table: one row, the parameter ID ("Parameters", 16-bit).

#include "targets/IdTablesModel.h"

namespace ardent {

class TDP2AIdTablesModel : public TIdTablesModel {
public:
    static constexpr int kRowParameters = 0;

    TDP2AIdTablesModel();
    // The after-burning cell decides.
    bool GetCompare(int row) const override;
    // "-" when not loaded, "XXXX" for a zero before-burning ID, else "0x" and 4 digits.
    std::string GetValue(int row, int column) const override;
};

} // namespace ardent
