#include "configuration/ConfigurationLoaderInterface.h"

#include "configuration/BlockType.h"
#include "configuration/LittleEndian.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace ardent {
namespace {

constexpr std::array<uint8_t, 3> kDp2aMarker = {0x49, 0x43, 0x4C}; // "ICL"

// One cell of the legacy ID table: where its loaded flag, compare flag and value come from.
// kOne and kZero stand for a constant 1 or 0 flag; a kZero value offset writes a zero value.
constexpr size_t kOne = SIZE_MAX;
constexpr size_t kZero = SIZE_MAX - 1;
struct LegacyIdCell {
    size_t loaded;
    size_t compare;
    size_t valueOffset;
};
struct LegacyIdRow {
    size_t width;
    LegacyIdCell before;
    LegacyIdCell after;
};
// Rows Device, Firmware, Customer, Patch, Parameters, Rom. The parameter ID before burning shares
// the loaded flag of the parameter ID after burning (byte 35); its compare flag is byte 26.
constexpr std::array<LegacyIdRow, 6> kLegacyIdRows = {{
    {4, {kOne, 4, 5}, {kZero, kZero, kZero}},
    {8, {kOne, kOne, 10}, {38, 38, 39}},
    {4, {kOne, 18, 19}, {kZero, kZero, kZero}},
    {2, {23, 23, 24}, {32, 32, 33}},
    {2, {35, 26, 27}, {35, 35, 36}},
    {2, {kOne, 29, 30}, {kZero, kZero, kZero}},
}};
constexpr size_t kLegacyIdFieldsEnd = 47;

uint8_t FlagFrom(std::span<const uint8_t> buffer, size_t source) {
    if (source == kOne) {
        return 1;
    }
    if (source == kZero) {
        return 0;
    }
    return buffer[source];
}

void AppendCell(std::span<const uint8_t> buffer, const LegacyIdCell& cell, size_t width,
                Bytes& block) {
    block.push_back(FlagFrom(buffer, cell.loaded));
    block.push_back(FlagFrom(buffer, cell.compare));
    if (cell.valueOffset == kZero) {
        block.insert(block.end(), width, 0);
    } else {
        const auto value = buffer.subspan(cell.valueOffset, width);
        block.insert(block.end(), value.begin(), value.end());
    }
}

} // namespace

TTargetFamily
TConfigurationLoaderInterface::DetectLegacyTargetType(std::span<const uint8_t> buffer) {
    if (buffer.size() < kLegacyMinSize) {
        return TTargetFamily::NotRecognised;
    }
    if (std::equal(kDp2aMarker.begin(), kDp2aMarker.end(), buffer.begin() + kLegacyOffsetMarker)) {
        return TTargetFamily::DP2A;
    }
    // A DP2B image starts its records with a firmware, patch or parameter record; the type byte
    // must lie before the CRC to count.
    if (buffer.size() > kLegacyMinSize) {
        const uint8_t firstRecordType = buffer[kLegacyOffsetRecords];
        if (firstRecordType >= BlockType::Firmware && firstRecordType <= BlockType::Parameters) {
            return TTargetFamily::DP2B;
        }
    }
    return TTargetFamily::NotRecognised;
}

bool TConfigurationLoaderInterface::ExtractLegacyRecord(std::span<const uint8_t> buffer,
                                                        TConfiguration& configuration, uint8_t type,
                                                        size_t skip) {
    if (buffer.size() < kLegacyMinSize) {
        return false;
    }
    const size_t end = buffer.size() - TConfiguration::kCrcSize;
    std::span<const uint8_t> found;
    bool matched = false;
    // Every record is walked, so a chain that runs past the CRC fails however early the wanted
    // record comes.
    for (size_t position = kLegacyOffsetRecords; position < end;) {
        if (end - position < kLegacyRecordHeaderSize) {
            return false;
        }
        const uint32_t length = le::Read32(buffer, position + 1);
        const size_t dataStart = position + kLegacyRecordHeaderSize;
        if (length > end - dataStart) {
            return false;
        }
        if (!matched && buffer[position] == type) {
            if (length < skip) {
                return false;
            }
            found = buffer.subspan(dataStart + skip, length - skip);
            matched = true;
        }
        position = dataStart + length;
    }
    if (matched) {
        configuration.AddNewBlock(type, found); // an empty record adds nothing
    }
    return true;
}

bool TConfigurationLoaderInterface::BuildLegacyIdBlock(std::span<const uint8_t> buffer,
                                                       TConfiguration& configuration) {
    if (buffer.size() < kLegacyIdFieldsEnd) {
        return false;
    }
    Bytes block;
    block.reserve(kLegacyIdBlockSize);
    for (const LegacyIdRow& row : kLegacyIdRows) {
        AppendCell(buffer, row.before, row.width, block);
        AppendCell(buffer, row.after, row.width, block);
    }
    return block.size() == kLegacyIdBlockSize &&
           configuration.AddNewBlock(BlockType::IdTable, block);
}

} // namespace ardent
