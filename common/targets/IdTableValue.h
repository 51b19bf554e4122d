#pragma once
// The value kinds of an ID table cell: 16-, 32- and 64-bit IDs and a byte array of up to 16
// bytes (a DP3B firmware version). Each knows its packed form inside the ID table block.

#include "utils/Bytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace ardent {

// `value` as `digits` upper-case hexadecimal digits (the low bits when it has more).
std::string FormatHex(uint64_t value, int digits);

class TIdTableValue {
public:
    virtual ~TIdTableValue() = default;
    // Display digits, without prefix.
    virtual std::string GetValue() const = 0;
    virtual int64_t GetValueInt() const = 0;
    virtual void SetValue(uint32_t low, uint32_t high) = 0;
    // Sets the value from a text; false (value unchanged) when the kind takes no text or the
    // text does not fit. The 16- and 32-bit kinds take no text.
    virtual bool SetValue(const std::string& text);
    // Appends the packed value.
    virtual void Serialization(Bytes& bytes) const = 0;
    // Reads the packed value from the front of `bytes` and drops it from the view. False, with
    // nothing read, when `bytes` is too short or the packed value is invalid.
    virtual bool Deserialization(std::span<const uint8_t>& bytes) = 0;
    // Length of the packed value.
    virtual size_t PackedSize() const = 0;
};

class TIdTableValue16 : public TIdTableValue {
public:
    std::string GetValue() const override { return FormatHex(value, 4); }
    int64_t GetValueInt() const override { return value; }
    void SetValue(uint32_t low, uint32_t high) override;
    using TIdTableValue::SetValue;
    void Serialization(Bytes& bytes) const override;
    bool Deserialization(std::span<const uint8_t>& bytes) override;
    size_t PackedSize() const override { return 2; }

private:
    uint16_t value = 0;
};

class TIdTableValue32 : public TIdTableValue {
public:
    std::string GetValue() const override { return FormatHex(value, 8); }
    int64_t GetValueInt() const override { return value; }
    void SetValue(uint32_t low, uint32_t high) override;
    using TIdTableValue::SetValue;
    void Serialization(Bytes& bytes) const override;
    bool Deserialization(std::span<const uint8_t>& bytes) override;
    size_t PackedSize() const override { return 4; }

private:
    uint32_t value = 0;
};

class TIdTableEntry64 : public TIdTableValue {
public:
    std::string GetValue() const override { return FormatHex(value, 16); }
    int64_t GetValueInt() const override { return static_cast<int64_t>(value); }
    void SetValue(uint32_t low, uint32_t high) override;
    // Decimal, or hexadecimal with "$" or "0x".
    bool SetValue(const std::string& text) override;
    void Serialization(Bytes& bytes) const override;
    bool Deserialization(std::span<const uint8_t>& bytes) override;
    size_t PackedSize() const override { return 8; }

private:
    uint64_t value = 0;
};

// Packed as its used length, the used bytes, then zeros up to 17 bytes.
class TIdTableValueArray : public TIdTableValue {
public:
    static constexpr size_t kCapacity = 16;

    std::string GetValue() const override;
    int64_t GetValueInt() const override { return 0; }
    void SetValue(uint32_t, uint32_t) override {}
    // "0x01020304" gives the bytes 01 02 03 04; refused when longer than 16 bytes or not hex.
    bool SetValue(const std::string& text) override;
    void Serialization(Bytes& bytes) const override;
    // Refuses a used length above 16.
    bool Deserialization(std::span<const uint8_t>& bytes) override;
    size_t PackedSize() const override { return kCapacity + 1; }

private:
    std::array<uint8_t, kCapacity> value{};
    uint8_t valueLength = 0;
};

} // namespace ardent
