#include "configuration/Configuration.h"

#include "configuration/LittleEndian.h"
#include "utils/Crc16.h"
#include "utils/Files.h"
#include "utils/Text.h"

#include <algorithm>
#include <cassert>

namespace ardent {

void TConfigurationHeader::AppendTo(Bytes& image) const {
    const size_t start = image.size();
    le::Append32(image, ConfigSize);
    image.insert(image.end(), ConfigVersion.begin(), ConfigVersion.end());
    le::Append32(image, HeaderSize);
    image.insert(image.end(), ConfigName.begin(), ConfigName.end());
    le::Append32(image, BaudRate);
    le::Append32(image, ChannelSelection);
    le::Append32(image, TargetType);
    le::Append32(image, NumOfBloks);
    assert(image.size() - start == kSize);
    (void)start;
}

TConfigurationHeader TConfigurationHeader::ReadFrom(std::span<const uint8_t> image) {
    assert(image.size() >= kSize);
    TConfigurationHeader header;
    header.ConfigSize = le::Read32(image, kOffsetConfigSize);
    std::copy_n(image.begin() + kOffsetConfigVersion, header.ConfigVersion.size(),
                header.ConfigVersion.begin());
    header.HeaderSize = le::Read32(image, kOffsetHeaderSize);
    std::copy_n(image.begin() + kOffsetConfigName, kNameSize, header.ConfigName.begin());
    header.BaudRate = le::Read32(image, kOffsetBaudRate);
    header.ChannelSelection = le::Read32(image, kOffsetChannelSelection);
    header.TargetType = le::Read32(image, kOffsetTargetType);
    header.NumOfBloks = le::Read32(image, kOffsetNumOfBloks);
    return header;
}

bool TConfiguration::AddNewBlock(uint32_t blockId, std::span<const uint8_t> block) {
    if (block.empty()) {
        return false;
    }
    RemoveBlocksOfType(blockId);
    TBlock added;
    added.blockHeader.blockType = blockId;
    added.blockHeader.blockSize = static_cast<uint32_t>(block.size());
    added.buffer.assign(block.begin(), block.end());
    mBlockList.push_back(std::move(added));
    return true;
}

void TConfiguration::RemoveBlocksOfType(uint32_t blockId) {
    std::erase_if(mBlockList, [blockId](const TBlock& block) {
        return block.blockHeader.blockType == blockId;
    });
}

void TConfiguration::ClearAllBlocks() {
    mBlockList.clear();
    mHeader.NumOfBloks = 0;
    mHeader.ConfigSize = mHeader.HeaderSize + static_cast<uint32_t>(kCrcSize);
}

bool TConfiguration::GetBlockByType(int64_t packetType, Bytes& blockBuffer) const {
    if (packetType < 0) {
        return false;
    }
    const auto found = std::find_if(mBlockList.begin(), mBlockList.end(), [&](const TBlock& b) {
        return b.blockHeader.blockType == packetType;
    });
    if (found == mBlockList.end()) {
        return false;
    }
    blockBuffer = found->buffer;
    return true;
}

size_t TConfiguration::ComputeImageSize() const {
    size_t size = kEmptyImageSize;
    for (const TBlock& block : mBlockList) {
        size += TBlockHeader::kSize + block.buffer.size();
    }
    return size;
}

bool TConfiguration::BuildBuffer() {
    const size_t imageSize = ComputeImageSize();
    if (imageSize > kMaxImageSize) {
        // A 16-bit size or CRC would lie about this image; leave no image that could be sent.
        buffer.clear();
        mCrc = 0;
        return false;
    }
    mHeader.ConfigSize = static_cast<uint32_t>(imageSize);
    mHeader.NumOfBloks = static_cast<uint32_t>(mBlockList.size());

    Bytes image;
    image.reserve(imageSize);
    mHeader.AppendTo(image);
    for (const TBlock& block : mBlockList) {
        le::Append32(image, block.blockHeader.blockType);
        le::Append32(image, static_cast<uint32_t>(block.buffer.size()));
        image.insert(image.end(), block.buffer.begin(), block.buffer.end());
    }
    mCrc = ComputeCrc16(image);
    le::Append16(image, mCrc);
    assert(image.size() == imageSize);
    buffer = std::move(image);
    return true;
}

bool TConfiguration::GetBufferForSend(uint16_t& crc, Bytes& image) {
    if (!BuildBuffer()) {
        return false;
    }
    crc = mCrc;
    image = buffer;
    return true;
}

bool TConfiguration::WriteConfigurationToFile(const std::string& fileName) {
    if (!BuildBuffer()) {
        return false;
    }
    return SaveBufferToFile(fileName, buffer);
}

void TConfiguration::SetName(std::string_view name) {
    mHeader.ConfigName.fill(0);
    const size_t count = std::min(name.size(), mHeader.ConfigName.size());
    std::copy_n(name.begin(), count, mHeader.ConfigName.begin());
}

std::string TConfiguration::GetName() const {
    std::string name(mHeader.ConfigName.begin(), mHeader.ConfigName.end());
    TrimAtNul(name);
    return name;
}

} // namespace ardent
