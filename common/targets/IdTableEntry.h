#pragma once
// One cell of an ID table: the expected value and whether it is present (loaded) and must be
// checked by the programmer (compare). Packed as loaded, compare, then the value.

#include "targets/IdTableValue.h"

#include <memory>

namespace ardent {

class TIdTableEntry {
public:
    // Widths 16, 32 and 64 select the integer kinds; any other width (kArrayWidth) the array.
    static constexpr int kArrayWidth = 0;

    explicit TIdTableEntry(int width);

    bool GetLoaded() const { return loaded; }
    void SetLoaded(bool flag) { loaded = flag; }
    bool GetCompare() const { return compare; }
    void SetCompare(bool flag) { compare = flag; }
    // False (value unchanged) when the kind takes no text or the text does not fit.
    bool SetValue(const std::string& text) { return value->SetValue(text); }
    void SetValue(uint32_t low, uint32_t high) { value->SetValue(low, high); }
    std::string GetStringValue() const { return value->GetValue(); }
    int64_t GetValue() const { return value->GetValueInt(); }

    // Appends the packed entry.
    void GetPacked(Bytes& bytes) const;
    // Reads one packed entry from the front of `bytes` and drops it from the view; false, with
    // the entry unchanged, when `bytes` is too short or the value is invalid.
    bool FillPacked(std::span<const uint8_t>& bytes);
    size_t PackedSize() const { return 2 + value->PackedSize(); }

private:
    bool loaded = false;
    bool compare = false;
    std::unique_ptr<TIdTableValue> value;
};

} // namespace ardent
