#include "targets/DP2BIdTablesModel.h"

namespace ardent {

TDP2BIdTablesModel::TDP2BIdTablesModel()
    : TIdTablesModel({{"Device", 32},
                      {"Firwmare", 64},
                      {"Customer", 32},
                      {"Patch", 16},
                      {"Parameters", 16},
                      {"Rom", 16}}) {
    SetCompare(kRowFirmware, 0, true);
}

bool TDP2BIdTablesModel::GetCompare(int row) const {
    return GetEntry(row, 0).GetCompare() || GetEntry(row, 1).GetCompare();
}

std::string TDP2BIdTablesModel::GetValue(int row, int column) const {
    std::string text = PlainDisplay(row, column);
    if (row == kRowParameters && column == 0 && text == "0x0000") {
        return "XXXX";
    }
    return text;
}

} // namespace ardent
