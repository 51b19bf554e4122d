#pragma once
// A programming configuration (name, target family, channels, baud rate and typed data blocks)
// and the byte image it serialises to. The image is the same in a .cfg file and in the
// programmer, so it is built here, bit for bit, and nowhere else.

#include "utils/Bytes.h"
#include "utils/TargetFamily.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ardent {

// The first 64 bytes of every image. Fields are read and written one by one, little-endian, at
// the offsets below; the in-memory struct has no fixed layout of its own.
struct TConfigurationHeader {
    static constexpr size_t kSize = 64;
    static constexpr size_t kNameSize = 32;
    static constexpr std::array<uint8_t, 8> kVersionTag = {'K', 't', 'C', 'f', 'g', 'V', '0', '1'};

    // Byte offsets of the fields inside the image.
    static constexpr size_t kOffsetConfigSize = 0;
    static constexpr size_t kOffsetConfigVersion = 4;
    static constexpr size_t kOffsetHeaderSize = 12;
    static constexpr size_t kOffsetConfigName = 16;
    static constexpr size_t kOffsetBaudRate = 48;
    static constexpr size_t kOffsetChannelSelection = 52;
    static constexpr size_t kOffsetTargetType = 56;
    static constexpr size_t kOffsetNumOfBloks = 60;

    uint32_t ConfigSize = 66;
    std::array<uint8_t, 8> ConfigVersion = kVersionTag;
    uint32_t HeaderSize = kSize;
    std::array<uint8_t, kNameSize> ConfigName = {'C', 'o', 'n', 'f', 'i', 'g'};
    uint32_t BaudRate = 9600;
    uint32_t ChannelSelection = 1;
    uint32_t TargetType = 0;
    uint32_t NumOfBloks = 0;

    // Appends the 64 header bytes.
    void AppendTo(Bytes& image) const;
    // Reads every field verbatim from the first 64 bytes; `image` must hold at least 64 bytes.
    static TConfigurationHeader ReadFrom(std::span<const uint8_t> image);

    bool operator==(const TConfigurationHeader&) const = default;
};
static_assert(TConfigurationHeader::kOffsetConfigVersion ==
              TConfigurationHeader::kOffsetConfigSize + 4);
static_assert(TConfigurationHeader::kOffsetHeaderSize ==
              TConfigurationHeader::kOffsetConfigVersion +
                  TConfigurationHeader::kVersionTag.size());
static_assert(TConfigurationHeader::kOffsetConfigName ==
              TConfigurationHeader::kOffsetHeaderSize + 4);
static_assert(TConfigurationHeader::kOffsetBaudRate ==
              TConfigurationHeader::kOffsetConfigName + TConfigurationHeader::kNameSize);
static_assert(TConfigurationHeader::kOffsetNumOfBloks + 4 == TConfigurationHeader::kSize);

// Precedes each block's data in the image: type, then the number of data bytes.
struct TBlockHeader {
    static constexpr size_t kSize = 8;
    uint32_t blockType = 0;
    uint32_t blockSize = 0;
    bool operator==(const TBlockHeader&) const = default;
};

// One typed data block: 1 firmware, 2 patch, 3 parameters, 4 ID table.
struct TBlock {
    TBlockHeader blockHeader;
    Bytes buffer; // blockHeader.blockSize bytes
    bool operator==(const TBlock&) const = default;
};

// The configuration the programs build, save, load and store. Not locked: one thread at a time.
//
// Size limit: an image, CRC included, is at most kMaxImageSize (65 535) bytes, because the
// programmer's store request carries a 16-bit size. A build that would exceed it does not
// happen: BuildBuffer, GetBufferForSend and WriteConfigurationToFile return false, the last image
// is dropped (GetBuffer gives no bytes, GetBufferSize 0) and no file is written or touched.
// ComputeImageSize tells the caller how large the image would have been, for its message.
class TConfiguration {
public:
    static constexpr size_t kCrcSize = 2;
    static constexpr size_t kMaxImageSize = 65535;
    static constexpr size_t kEmptyImageSize = TConfigurationHeader::kSize + kCrcSize;

    // Defaults: "Config", 9600 baud, channel 1, target type 0, no blocks.
    TConfiguration() = default;

    // False, and nothing changes, when `block` is empty. Otherwise drops any block of type
    // `blockId` and appends the new one last. The header counters wait for the next build.
    bool AddNewBlock(uint32_t blockId, std::span<const uint8_t> block);
    // Empties the block list; NumOfBloks 0, ConfigSize HeaderSize + 2.
    void ClearAllBlocks();
    // Copies the data of the first block of type `packetType` into `blockBuffer`; false (and
    // `blockBuffer` untouched) when there is none. A negative type never matches.
    bool GetBlockByType(int64_t packetType, Bytes& blockBuffer) const;
    // The blocks in image order.
    const std::vector<TBlock>& GetBlocks() const { return mBlockList; }

    // The length the image of the current header and blocks has (or would have) once built.
    size_t ComputeImageSize() const;
    // Serialises header, blocks and CRC into the image, setting ConfigSize and NumOfBloks.
    // False when the image would exceed kMaxImageSize (see above).
    bool BuildBuffer();
    // Builds, then gives the image and its CRC. False, with both outputs untouched, when the
    // build fails.
    bool GetBufferForSend(uint16_t& crc, Bytes& image);
    // The image of the last build, without rebuilding.
    void GetBuffer(Bytes& image) const { image = buffer; }
    const Bytes& GetBuffer() const { return buffer; }
    size_t GetBufferSize() const { return buffer.size(); }
    // CRC of the last build.
    uint16_t GetCrc() const { return mCrc; }
    // Builds and atomically replaces `fileName` with the image. False, writing nothing, when the
    // image would exceed kMaxImageSize. Throws FileSystemError (file name and system reason) when
    // the file cannot be written; an existing file then stays as it was.
    bool WriteConfigurationToFile(const std::string& fileName);

    // True when the configuration holds at least one block.
    bool GetLoadedState() const { return !mBlockList.empty(); }

    // The stored number, whatever it is; GetTargetFamily says which family it names.
    uint32_t GetTargetType() const { return mHeader.TargetType; }
    TTargetFamily GetTargetFamily() const { return TargetFamilyFromNumber(mHeader.TargetType); }
    void SetTargetType(uint32_t targetType) { mHeader.TargetType = targetType; }
    void SetTargetType(TTargetFamily family) { mHeader.TargetType = FamilyNumber(family); }
    uint32_t GetChannel() const { return mHeader.ChannelSelection; }
    void SetChannel(uint32_t channelSelection) { mHeader.ChannelSelection = channelSelection; }
    uint32_t GetBaudRate() const { return mHeader.BaudRate; }
    // Stored as given; the programmer judges the value.
    void SetBaudRate(uint32_t baud) { mHeader.BaudRate = baud; }
    // Zero-fills the 32-byte name field, then copies the first 32 characters of `name`.
    void SetName(std::string_view name);
    // The name field up to its first zero byte (at most 32 characters).
    std::string GetName() const;

    const TConfigurationHeader& GetHeader() const { return mHeader; }
    // Copies every header field verbatim (the loaders use it).
    void SetHeader(const TConfigurationHeader& header) { mHeader = header; }

    bool operator==(const TConfiguration&) const = default;

private:
    void RemoveBlocksOfType(uint32_t blockId);

    TConfigurationHeader mHeader;
    std::vector<TBlock> mBlockList;
    Bytes buffer; // image of the last build
    uint16_t mCrc = 0;
};

} // namespace ardent
