#include "targets/DP2AIdTablesModel.h"

namespace ardent {

TDP2AIdTablesModel::TDP2AIdTablesModel() : TIdTablesModel({{"Parameters", 16}}) {}

bool TDP2AIdTablesModel::GetCompare(int row) const {
    return GetEntry(row, 1).GetCompare();
}

std::string TDP2AIdTablesModel::GetValue(int row, int column) const {
    std::string text = PlainDisplay(row, column);
    // A zero before burning means "any": the chip's ID is not checked.
    if (row == kRowParameters && column == 0 && text == "0x0000") {
        return "XXXX";
    }
    return text;
}

} // namespace ardent
