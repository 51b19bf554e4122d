#include "targets/IdTablesModel.h"

#include "configuration/Configuration.h"
#include "input/DObject.h"
#include "utils/Errors.h"

namespace ardent {

TIdTablesModel::TIdTablesModel(std::vector<RowSpec> rows)
    : NumRow(static_cast<int>(rows.size())), Rows(std::move(rows)) {
    for (int row = 0; row < NumRow; ++row) {
        ColumnMap[Rows[static_cast<size_t>(row)].name] = row;
    }
    TableEntries = MakeEntries();
}

std::vector<TIdTableEntry> TIdTablesModel::MakeEntries() const {
    std::vector<TIdTableEntry> entries;
    entries.reserve(Rows.size() * static_cast<size_t>(NumColumn));
    for (const RowSpec& row : Rows) {
        for (int column = 0; column < NumColumn; ++column) {
            entries.emplace_back(row.width);
        }
    }
    return entries;
}

int TIdTablesModel::GetRowIndex(const std::string& rowName) const {
    const auto found = ColumnMap.find(rowName);
    return found == ColumnMap.end() ? -1 : found->second;
}

void TIdTablesModel::Clear() {
    for (TIdTableEntry& entry : TableEntries) {
        entry.SetLoaded(false);
        entry.SetCompare(false);
    }
}

const TIdTableEntry& TIdTablesModel::GetEntry(int row, int column) const {
    if (row < 0 || row >= NumRow || column < 0 || column >= NumColumn) {
        throw IndexOutOfRangeError("ID table cell (" + std::to_string(row) + ", " +
                                   std::to_string(column) + ") does not exist");
    }
    return TableEntries[static_cast<size_t>(row * NumColumn + column)];
}

TIdTableEntry& TIdTablesModel::Entry(int row, int column) {
    return const_cast<TIdTableEntry&>(std::as_const(*this).GetEntry(row, column));
}

bool TIdTablesModel::SetValue(int row, int column, bool loaded, const std::string& text) {
    TIdTableEntry& entry = Entry(row, column);
    const bool taken = entry.SetValue(text);
    entry.SetLoaded(loaded);
    return taken;
}

void TIdTablesModel::SetValue(int row, int column, bool loaded, uint32_t low, uint32_t high) {
    TIdTableEntry& entry = Entry(row, column);
    entry.SetValue(low, high);
    entry.SetLoaded(loaded);
}

void TIdTablesModel::SetValue64(int row, int column, bool loaded, uint64_t value) {
    SetValue(row, column, loaded, static_cast<uint32_t>(value & 0xFFFFFFFFu),
             static_cast<uint32_t>(value >> 32));
}

void TIdTablesModel::GetBuffer(Bytes& bytes) const {
    for (const TIdTableEntry& entry : TableEntries) {
        entry.GetPacked(bytes);
    }
}

size_t TIdTablesModel::GetBlockSize() const {
    size_t size = 0;
    for (const TIdTableEntry& entry : TableEntries) {
        size += entry.PackedSize();
    }
    return size;
}

bool TIdTablesModel::FillFromConfiguration(const TConfiguration& configuration) {
    Bytes block;
    if (!configuration.GetBlockByType(BlockType::IdTable, block)) {
        return true;
    }
    return FillFromBlock(block);
}

bool TIdTablesModel::FillFromBlock(std::span<const uint8_t> block) {
    // Read into fresh cells first, so a damaged block changes nothing.
    std::vector<TIdTableEntry> entries = MakeEntries();
    for (TIdTableEntry& entry : entries) {
        if (!entry.FillPacked(block)) {
            return false;
        }
    }
    TableEntries = std::move(entries);
    return true;
}

std::string TIdTablesModel::PlainDisplay(int row, int column) const {
    const TIdTableEntry& entry = GetEntry(row, column);
    return entry.GetLoaded() ? "0x" + entry.GetStringValue() : "-";
}

} // namespace ardent
