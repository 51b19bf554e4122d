#pragma once
// Turns a configuration image (a .cfg file, or the bytes read back from the programmer) into a
// TConfiguration. Current images (tagged KtCfgV01) and legacy untagged images are accepted.

#include "configuration/Configuration.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ardent {

// The loader's verdict on an image. Loaded is the only success; every refusal leaves the
// configuration exactly as it was.
enum class TLoadVerdict : uint8_t {
    Loaded,
    Unreadable,  // the file does not exist, cannot be read, is no regular file or is too large
    TooLong,     // longer than TConfiguration::kMaxImageSize
    CrcMismatch, // the last two bytes are not the CRC of the bytes before them: damaged
    Malformed,   // a field, block or record lies outside the image, or a legacy image's family is
                 // not recognised
};

// Why an image was refused, in words that follow "is not usable: " ("its CRC does not match its
// contents"); empty for Loaded.
std::string_view LoadVerdictText(TLoadVerdict verdict);

class TConfigurationLoader {
public:
    // As loadConfigurationFromFile, with the reason of a refusal.
    TLoadVerdict LoadFile(const std::string& fileName, TConfiguration& configuration) const;
    // As loadConfigurationFromBuffer, with the reason of a refusal.
    TLoadVerdict LoadBuffer(std::span<const uint8_t> buffer, TConfiguration& configuration) const;

    // False when the file does not exist, cannot be read, is not a regular file or is larger
    // than TConfiguration::kMaxImageSize, else as loadConfigurationFromBuffer.
    bool loadConfigurationFromFile(const std::string& fileName,
                                   TConfiguration& configuration) const;
    // True once `buffer` was read into `configuration`. False, with `configuration` exactly as it
    // was, when the CRC does not match, the image is longer than TConfiguration::kMaxImageSize,
    // a legacy image's family is not recognised, or any field, block or record lies outside the
    // image. A successful load replaces header values and blocks; what the layout does not carry
    // (the last built image, and for legacy images ConfigVersion and HeaderSize) stays.
    bool loadConfigurationFromBuffer(std::span<const uint8_t> buffer,
                                     TConfiguration& configuration) const;

private:
    // The last two bytes, little-endian, equal the CRC of all bytes before them.
    static bool CheckCrc(std::span<const uint8_t> buffer);
    // The 8 bytes at offset 4 are KtCfgV01 (case-sensitive).
    static bool IsVersion1(std::span<const uint8_t> buffer);
};

} // namespace ardent
