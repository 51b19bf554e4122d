#include "targets/IdTableValue.h"

#include "input/NumberText.h"

#include <algorithm>
#include <cstdio>

namespace ardent {

namespace {

void AppendLittleEndian(Bytes& bytes, uint64_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        bytes.push_back(static_cast<uint8_t>((value >> (8 * i)) & 0xFF));
    }
}

// Reads `size` little-endian bytes from the front of `bytes`; false when there are fewer.
bool TakeLittleEndian(std::span<const uint8_t>& bytes, size_t size, uint64_t& value) {
    if (bytes.size() < size) {
        return false;
    }
    value = 0;
    for (size_t i = 0; i < size; ++i) {
        value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    }
    bytes = bytes.subspan(size);
    return true;
}

} // namespace

std::string FormatHex(uint64_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<size_t>(i)] = kDigits[value & 0xF];
        value >>= 4;
    }
    return text;
}

bool TIdTableValue::SetValue(const std::string&) {
    return false;
}

void TIdTableValue16::SetValue(uint32_t low, uint32_t) {
    value = static_cast<uint16_t>(low);
}

void TIdTableValue16::Serialization(Bytes& bytes) const {
    AppendLittleEndian(bytes, value, 2);
}

bool TIdTableValue16::Deserialization(std::span<const uint8_t>& bytes) {
    uint64_t read = 0;
    if (!TakeLittleEndian(bytes, 2, read)) {
        return false;
    }
    value = static_cast<uint16_t>(read);
    return true;
}

void TIdTableValue32::SetValue(uint32_t low, uint32_t) {
    value = low;
}

void TIdTableValue32::Serialization(Bytes& bytes) const {
    AppendLittleEndian(bytes, value, 4);
}

bool TIdTableValue32::Deserialization(std::span<const uint8_t>& bytes) {
    uint64_t read = 0;
    if (!TakeLittleEndian(bytes, 4, read)) {
        return false;
    }
    value = static_cast<uint32_t>(read);
    return true;
}

void TIdTableEntry64::SetValue(uint32_t low, uint32_t high) {
    value = (static_cast<uint64_t>(high) << 32) | low;
}

bool TIdTableEntry64::SetValue(const std::string& text) {
    int64_t parsed = 0;
    if (!StrToInt64Checked(text, parsed)) {
        return false;
    }
    value = static_cast<uint64_t>(parsed);
    return true;
}

void TIdTableEntry64::Serialization(Bytes& bytes) const {
    AppendLittleEndian(bytes, value, 8);
}

bool TIdTableEntry64::Deserialization(std::span<const uint8_t>& bytes) {
    return TakeLittleEndian(bytes, 8, value);
}

std::string TIdTableValueArray::GetValue() const {
    std::string text;
    for (size_t i = 0; i < valueLength; ++i) {
        text += FormatHex(value[i], 2);
    }
    return text;
}

bool TIdTableValueArray::SetValue(const std::string& text) {
    std::vector<uint8_t> bytes;
    if (!VersionTextToBytes(text, bytes)) {
        return false;
    }
    value.fill(0);
    std::copy(bytes.begin(), bytes.end(), value.begin());
    valueLength = static_cast<uint8_t>(bytes.size());
    return true;
}

void TIdTableValueArray::Serialization(Bytes& bytes) const {
    bytes.push_back(valueLength);
    bytes.insert(bytes.end(), value.begin(), value.begin() + valueLength);
    bytes.insert(bytes.end(), kCapacity - valueLength, 0);
}

bool TIdTableValueArray::Deserialization(std::span<const uint8_t>& bytes) {
    if (bytes.size() < PackedSize() || bytes[0] > kCapacity) {
        return false;
    }
    valueLength = bytes[0];
    value.fill(0);
    std::copy_n(bytes.begin() + 1, valueLength, value.begin());
    bytes = bytes.subspan(PackedSize());
    return true;
}

} // namespace ardent
