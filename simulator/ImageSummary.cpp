#include "ImageSummary.h"

#include "VirtualChip.h"
#include "configuration/LittleEndian.h"
#include "utils/Utils.h"

#include <algorithm>
#include <cstring>

namespace ardent::sim {

namespace {

constexpr char kVersionTag[8] = {'K', 't', 'C', 'f', 'g', 'V', '0', '1'};
constexpr uint32_t kBlockFirmware = 1;
constexpr uint32_t kBlockParameters = 3;
constexpr uint32_t kBlockIdTable = 4;
constexpr size_t kBlockHeaderSize = 8;

struct TBlockView {
    uint32_t type;
    std::span<const uint8_t> data;
};

// The blocks between the header and the CRC, or nothing when they do not fill that space exactly.
std::optional<std::vector<TBlockView>> WalkBlocks(std::span<const uint8_t> image) {
    const uint32_t count = le::Read32(image, 60);
    const size_t end = image.size() - 2;
    size_t offset = kImageHeaderSize;
    std::vector<TBlockView> blocks;
    for (uint32_t i = 0; i < count; ++i) {
        if (end - offset < kBlockHeaderSize) {
            return std::nullopt;
        }
        const uint32_t type = le::Read32(image, offset);
        const uint32_t size = le::Read32(image, offset + 4);
        offset += kBlockHeaderSize;
        if (size > end - offset) {
            return std::nullopt;
        }
        blocks.push_back({type, image.subspan(offset, size)});
        offset += size;
    }
    if (offset != end) {
        return std::nullopt;
    }
    return blocks;
}

std::optional<std::span<const uint8_t>> FindBlock(const std::vector<TBlockView>& blocks,
                                                  uint32_t type) {
    for (const TBlockView& block : blocks) {
        if (block.type == type) {
            return block.data;
        }
    }
    return std::nullopt;
}

// Reads the ID table block of a family: per row, the before entry then the after entry, each a
// loaded byte, a compare byte and the packed value.
class TIdTableReader {
public:
    explicit TIdTableReader(std::span<const uint8_t> block) : mBlock(block) {}

    // The after-burning value of the next row when it is loaded; nullopt otherwise. `width` is
    // 2, 4 or 8 bytes.
    std::optional<uint64_t> NextNumber(size_t width) {
        Skip(2 + width); // before burning
        const size_t at = mOffset;
        Skip(2 + width);
        if (!mValid || mBlock[at] == 0) {
            return std::nullopt;
        }
        uint64_t value = 0;
        for (size_t i = width; i > 0; --i) {
            value = (value << 8) | mBlock[at + 2 + i - 1];
        }
        return value;
    }

    // The after-burning bytes of an array row (a length byte and 16 bytes) when it is loaded.
    std::optional<std::vector<uint8_t>> NextArray() {
        constexpr size_t kArrayPacked = 17;
        Skip(2 + kArrayPacked);
        const size_t at = mOffset;
        Skip(2 + kArrayPacked);
        if (!mValid || mBlock[at] == 0) {
            return std::nullopt;
        }
        const size_t length = std::min<size_t>(mBlock[at + 2], kArrayPacked - 1);
        return std::vector<uint8_t>(mBlock.begin() + static_cast<ptrdiff_t>(at + 3),
                                    mBlock.begin() + static_cast<ptrdiff_t>(at + 3 + length));
    }

    // True when the whole block was read, no more and no less.
    bool ExactlyRead() const { return mValid && mOffset == mBlock.size(); }

private:
    void Skip(size_t count) {
        if (!mValid || mBlock.size() - mOffset < count) {
            mValid = false;
            return;
        }
        mOffset += count;
    }

    std::span<const uint8_t> mBlock;
    size_t mOffset = 0;
    bool mValid = true;
};

// The family's table when the block has exactly its layout; a block of another shape is ignored.
TAfterBurnIds ReadIdTable(uint32_t family, std::span<const uint8_t> block) {
    TAfterBurnIds ids;
    TIdTableReader reader(block);
    switch (family) {
    case 1:
        if (auto value = reader.NextNumber(2)) {
            ids.parameterID = static_cast<uint16_t>(*value);
        }
        break;
    case 2:
        if (auto value = reader.NextNumber(4)) {
            ids.deviceID = static_cast<uint32_t>(*value);
        }
        ids.firmwareID = reader.NextNumber(8);
        if (auto value = reader.NextNumber(4)) {
            ids.customerID = static_cast<uint32_t>(*value);
        }
        ids.patchID = reader.NextNumber(2);
        if (auto value = reader.NextNumber(2)) {
            ids.parameterID = static_cast<uint16_t>(*value);
        }
        if (auto value = reader.NextNumber(2)) {
            ids.romID = static_cast<uint16_t>(*value);
        }
        break;
    case 3:
        ids.firmwareBytes = reader.NextArray();
        ids.patchID = reader.NextNumber(8);
        if (auto value = reader.NextNumber(2)) {
            ids.parameterID = static_cast<uint16_t>(*value);
        }
        break;
    default:
        return ids;
    }
    return reader.ExactlyRead() ? ids : TAfterBurnIds{};
}

} // namespace

uint16_t CheckImage(std::span<const uint8_t> image, uint16_t announcedCrc) {
    if (image.size() < kSmallestImage || image.size() > kLargestImage ||
        le::Read32(image, 0) != image.size()) {
        return kCodeStoreConfig;
    }
    if (std::memcmp(image.data() + 4, kVersionTag, sizeof kVersionTag) != 0 ||
        le::Read32(image, 12) != kImageHeaderSize) {
        return kCodeWrongVersion;
    }
    const size_t body = image.size() - 2;
    if (ComputeCrc16(image.first(body)) != announcedCrc ||
        le::Read16(image, body) != announcedCrc) {
        return kCodeWrongCrc;
    }
    if (!WalkBlocks(image)) {
        return kCodeStoreConfig;
    }
    return 0;
}

TImageSummary SummarizeImage(std::span<const uint8_t> image) {
    TImageSummary summary;
    if (image.size() < kSmallestImage) {
        return summary;
    }
    std::memcpy(summary.rawName, image.data() + 16, sizeof summary.rawName);
    summary.configName.assign(reinterpret_cast<const char*>(summary.rawName),
                              sizeof summary.rawName);
    TrimAtNul(summary.configName);
    summary.configSize = static_cast<uint32_t>(image.size());
    summary.channelSelection = le::Read32(image, 52);
    summary.targetType = le::Read32(image, 56);
    summary.crc = le::Read16(image, image.size() - 2);

    const auto blocks = WalkBlocks(image);
    if (!blocks) {
        return summary;
    }
    if (auto table = FindBlock(*blocks, kBlockIdTable)) {
        summary.after = ReadIdTable(summary.targetType, *table);
    }
    // A DP2A part carries the checksum of its parameter image (past the segment's address and
    // length) as its parameter ID; its ID table block plays no part.
    if (summary.targetType == 1) {
        summary.after = TAfterBurnIds{};
        if (auto parameters = FindBlock(*blocks, kBlockParameters);
            parameters && parameters->size() >= 4) {
            summary.after.parameterID = ComputeCrc16(parameters->subspan(4));
        }
    }
    summary.parameterId = summary.after.parameterID.value_or(0);
    if (auto firmware = FindBlock(*blocks, kBlockFirmware)) {
        summary.firmwareCrc = ComputeCrc16(*firmware);
    }
    return summary;
}

} // namespace ardent::sim
