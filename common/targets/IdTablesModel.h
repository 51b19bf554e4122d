#pragma once
// An ID table: for each kind of ID a target carries (rows), the value expected before burning
// (column 0) and after burning (column 1). It travels in a configuration as block type 4: the
// packed entries row by row, column 0 then column 1. The families give rows and display rules.

#include "targets/IdTableEntry.h"

#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace ardent {

class TConfiguration;

class TIdTablesModel {
public:
    // A row: its name (the key of GetRowIndex) and the width of its values.
    struct RowSpec {
        const char* name;
        int width;
    };

    virtual ~TIdTablesModel() = default;
    TIdTablesModel(const TIdTablesModel&) = delete;
    TIdTablesModel& operator=(const TIdTablesModel&) = delete;

    int GetNumRow() const { return NumRow; }
    int GetNumColumn() const { return NumColumn; }
    uint8_t GetType() const { return 4; }
    // Row of a name, exactly as written (case matters); -1 when unknown.
    int GetRowIndex(const std::string& rowName) const;
    // Neither loaded nor compared, everywhere; the values stay.
    void Clear();

    // Cells are addressed by 0-based row and column; a cell outside the table throws
    // IndexOutOfRangeError (a programming error, not an input error).
    const TIdTableEntry& GetEntry(int row, int column) const;
    int64_t GetValueInt(int row, int column) const { return GetEntry(row, column).GetValue(); }
    bool GetLoaded(int row, int column) const { return GetEntry(row, column).GetLoaded(); }
    void SetLoaded(int row, int column, bool flag) { Entry(row, column).SetLoaded(flag); }
    void SetCompare(int row, int column, bool flag) { Entry(row, column).SetCompare(flag); }
    // Sets the value, then `loaded`. The text form returns false, with the value unchanged, when
    // the row's kind does not take the text (loaded is set either way).
    bool SetValue(int row, int column, bool loaded, const std::string& text);
    void SetValue(int row, int column, bool loaded, uint32_t low, uint32_t high);
    // A 64-bit value split into its halves.
    void SetValue64(int row, int column, bool loaded, uint64_t value);

    // Whether the programmer checks this row (family rule).
    virtual bool GetCompare(int row) const = 0;
    // Display text of a cell (family rule).
    virtual std::string GetValue(int row, int column) const = 0;

    // Appends the ID table block.
    void GetBuffer(Bytes& bytes) const;
    // Length of the ID table block.
    size_t GetBlockSize() const;
    // Takes the table from the configuration's ID table block. No block: the table stays and
    // the result is true. A block shorter than the table or with an invalid value is refused
    // as a whole: the table stays and the result is false. Bytes after the table are ignored.
    bool FillFromConfiguration(const TConfiguration& configuration);
    // The same for a block's bytes.
    bool FillFromBlock(std::span<const uint8_t> block);

protected:
    explicit TIdTablesModel(std::vector<RowSpec> rows);
    TIdTableEntry& Entry(int row, int column);
    // "0x" and the cell's digits, or "-" when the cell is not loaded.
    std::string PlainDisplay(int row, int column) const;

private:
    std::vector<TIdTableEntry> MakeEntries() const;

    int NumRow;
    int NumColumn = 2;
    std::map<std::string, int> ColumnMap; // row name -> row index
    std::vector<RowSpec> Rows;
    std::vector<TIdTableEntry> TableEntries; // row first
};

} // namespace ardent
