#include "configuration/ConfigurationLoader.h"

#include "configuration/ConfigurationLoaderConfigV0.h"
#include "configuration/ConfigurationLoaderConfigV1.h"
#include "configuration/LittleEndian.h"
#include "utils/Crc16.h"
#include "utils/Files.h"

#include <algorithm>
#include <memory>

namespace ardent {

std::string_view LoadVerdictText(TLoadVerdict verdict) {
    switch (verdict) {
    case TLoadVerdict::Loaded:
        return {};
    case TLoadVerdict::Unreadable:
        return "the file cannot be read (missing, not a regular file, or too large)";
    case TLoadVerdict::TooLong:
        return "it is longer than a configuration can be (65535 bytes)";
    case TLoadVerdict::CrcMismatch:
        return "its CRC does not match its contents (the image is damaged)";
    case TLoadVerdict::Malformed:
        return "its contents are not a configuration this program can read";
    }
    return "its contents are not a configuration this program can read";
}

TLoadVerdict TConfigurationLoader::LoadFile(const std::string& fileName,
                                            TConfiguration& configuration) const {
    Bytes buffer;
    // A larger file cannot hold an image: it is refused before a byte of it is read.
    if (!LoadFileToBuffer(fileName, buffer, TConfiguration::kMaxImageSize)) {
        return TLoadVerdict::Unreadable;
    }
    return LoadBuffer(buffer, configuration);
}

bool TConfigurationLoader::loadConfigurationFromFile(const std::string& fileName,
                                                     TConfiguration& configuration) const {
    return LoadFile(fileName, configuration) == TLoadVerdict::Loaded;
}

bool TConfigurationLoader::loadConfigurationFromBuffer(std::span<const uint8_t> buffer,
                                                       TConfiguration& configuration) const {
    return LoadBuffer(buffer, configuration) == TLoadVerdict::Loaded;
}

TLoadVerdict TConfigurationLoader::LoadBuffer(std::span<const uint8_t> buffer,
                                              TConfiguration& configuration) const {
    // A longer image cannot come from our writer and its 16-bit size would lie to the
    // programmer.
    if (buffer.size() > TConfiguration::kMaxImageSize) {
        return TLoadVerdict::TooLong;
    }
    if (!CheckCrc(buffer)) {
        return TLoadVerdict::CrcMismatch;
    }
    std::unique_ptr<TConfigurationLoaderInterface> reader;
    if (IsVersion1(buffer)) {
        reader = std::make_unique<TConfigurationLoaderConfigV1>();
    } else {
        reader = std::make_unique<TConfigurationLoaderConfigV0>();
    }
    // Readers fill a copy, so a load that fails half-way leaves the caller's configuration whole.
    TConfiguration scratch = configuration;
    if (!reader->loadConfigurationFromBuffer(buffer, scratch)) {
        return TLoadVerdict::Malformed;
    }
    configuration = std::move(scratch);
    return TLoadVerdict::Loaded;
}

bool TConfigurationLoader::CheckCrc(std::span<const uint8_t> buffer) {
    if (buffer.size() < TConfiguration::kCrcSize) {
        return false;
    }
    const size_t crcOffset = buffer.size() - TConfiguration::kCrcSize;
    return le::Read16(buffer, crcOffset) == ComputeCrc16(buffer.first(crcOffset));
}

bool TConfigurationLoader::IsVersion1(std::span<const uint8_t> buffer) {
    const auto& tag = TConfigurationHeader::kVersionTag;
    return buffer.size() >= TConfigurationHeader::kOffsetConfigVersion + tag.size() &&
           std::equal(tag.begin(), tag.end(),
                      buffer.begin() + TConfigurationHeader::kOffsetConfigVersion);
}

} // namespace ardent
