#include "targets/DP3BIdTablesModel.h"
#include "utils/VersionText.h"

namespace ardent {

TDP3BIdTablesModel::TDP3BIdTablesModel()
    : TIdTablesModel(
          {{"Firwmare", TIdTableEntry::kArrayWidth}, {"Patch", 64}, {"Parameters", 16}}) {}

bool TDP3BIdTablesModel::GetCompare(int row) const {
    return GetEntry(row, 1).GetCompare();
}

std::string TDP3BIdTablesModel::GetValue(int row, int column) const {
    const TIdTableEntry& entry = GetEntry(row, column);
    if (!entry.GetLoaded()) {
        return "-";
    }
    if (row == kRowPatch) {
        return "0x" + SwapHexBytes(entry.GetStringValue());
    }
    return "0x" + entry.GetStringValue();
}

} // namespace ardent
