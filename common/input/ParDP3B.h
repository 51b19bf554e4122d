#pragma once
// DP3B parameter image: the XML record with RecordTypeID 3. Its ID is the CRC-16/CCITT-FALSE of
// the payload; its "version" attribute names the firmware the parameters were built for.

#include "input/DObject.h"

#include <span>

namespace ardent {

class TParDP3B : public DObject {
public:
    static constexpr int kRecordType = 3;

    explicit TParDP3B(IMessageOutput& messages) : DObject(LoaderType::Xml, messages) {}

    uint8_t getType() const override { return BlockType::Parameters; }
    // A code of the DP3B message table, 0 on success: 1 file missing or not parseable, 3 no
    // (or an empty) parameter record, 2 no usable "version" attribute.
    int storeBuff(const std::string& fName) override;
    // CRC-16/CCITT-FALSE over the payload (the image after its 4-byte header); 0xFFFF when
    // there is none.
    uint16_t getCrc() const override;

    uint16_t GetParamID() const { return paramID; }
    const std::string& GetFirmwareVersion() const { return firmwareVersion; }

    // The checksum itself, for any bytes.
    static uint16_t CrcCcittFalse(std::span<const uint8_t> data);

private:
    uint16_t paramID = 0;
    std::string firmwareVersion;
};

} // namespace ardent
