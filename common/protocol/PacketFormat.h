#pragma once
// The 64-byte packet the host and the programmer exchange: header, module and opCode values,
// local marker packets, every payload record, channel states and the programmer's error texts.
// Records are packed little-endian structs; they travel into and out of a packet's data bytes
// only through the copy helpers below, never by pointing into a buffer.
//
// Take a field by value (`const uint16_t code = status.overallErrorCode;`) before handing it to
// anything that takes a reference (std::min, EXPECT_EQ, a const& parameter): a reference to a
// packed field that is not naturally aligned is undefined behaviour.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace ardent {

static_assert(std::endian::native == std::endian::little,
              "the programmer's records are little-endian and copied byte for byte");

inline constexpr size_t kPacketSize = 64;
inline constexpr size_t kPacketHeaderSize = 4;
inline constexpr size_t kPacketDataSize = kPacketSize - kPacketHeaderSize;

// Modules (byte 0 of a report).
inline constexpr uint8_t MODULE_PROGRAMMER = 1;
inline constexpr uint8_t MODULE_TARGET = 2;
inline constexpr uint8_t MODULE_VOLTAGE = 3; // command-line tool only
inline constexpr uint8_t MODULE_SERVICE = 4; // command-line tool only
inline constexpr uint8_t MODULE_EVENT = 5;   // unsolicited, programmer to host

// Host-local marker packets: only byte 0 means anything; they never go on the wire.
inline constexpr uint8_t MARKER_DISCONNECTED = 0x34; // windowed program
inline constexpr uint8_t MARKER_CONNECTED = 0x35;    // windowed program
inline constexpr uint8_t MARKER_LINK_LOST = 0x71;    // command-line tool ('q')
inline constexpr uint8_t MARKER_STOP = 0xAA;         // ends the windowed program's read thread

// opCodes of MODULE_PROGRAMMER, named after the handler operation that sends them.
namespace ProgrammerOp {
inline constexpr uint8_t GetDeviceSetup = 1;         // -> TDeviceBurnerInfo
inline constexpr uint8_t SetBaudRate = 2;            // u32 baud rate
inline constexpr uint8_t StoreConfiguration = 3;     // u32 image size, u16 image CRC
inline constexpr uint8_t StoreConfigurationData = 4; // next 1..60 image bytes
inline constexpr uint8_t ReadConfiguration = 5;      // u8 start flag -> next 60 image bytes
inline constexpr uint8_t GetConfigurationInfo = 6;   // -> TDeviceConfigurationStruct
inline constexpr uint8_t SetTriggerBehavior = 9;     // trigger flag, temporarily, useSd
inline constexpr uint8_t GetTriggerBehavior = 10;    // -> data[0] = trigger flag
inline constexpr uint8_t SetActiveChannel = 11;      // u16 channel 0..3
} // namespace ProgrammerOp

// opCodes of MODULE_TARGET.
namespace TargetOp {
inline constexpr uint8_t ReadID = 1;               // TReadIDRequest -> TProcessTargetSendId
inline constexpr uint8_t TriggerTarget = 2;        // u8 trigger -> TBurningStatusOverall
inline constexpr uint8_t GetLoggerInformation = 3; // u8 channel -> TProcessTargetSendId
} // namespace TargetOp

// opCodes of MODULE_VOLTAGE and MODULE_SERVICE (the tool's service commands).
namespace VoltageOp {
inline constexpr uint8_t VoltageCycle = 1; // "voltageCycle"
inline constexpr uint8_t SetVoltage = 2;   // "setVoltage"
} // namespace VoltageOp
namespace ServiceOp {
inline constexpr uint8_t Sync = 5;         // "sync"
inline constexpr uint8_t GetInfo = 6;      // "getInfo"
inline constexpr uint8_t BurnAparam = 7;   // "burnAparam"
inline constexpr uint8_t ReadAparam = 8;   // "readAparam"
inline constexpr uint8_t StopApp = 9;      // "stopApp"
inline constexpr uint8_t WriteAparam = 10; // "writeAparam"
} // namespace ServiceOp

// opCodes of MODULE_EVENT; any other value has no meaning.
namespace EventOp {
inline constexpr uint8_t ExternalTriggerEvent = 1;
inline constexpr uint8_t SdCardEvent = 2; // data[0]: 1 = card inserted, 0 = none
} // namespace EventOp

// Channel states (`channelState`, `state`); any other value is no verdict.
inline constexpr uint8_t CHANNEL_INACTIVE = 2;
inline constexpr uint8_t CHANNEL_FAILED = 3; // the error code says why
inline constexpr uint8_t CHANNEL_PASSED = 4;

inline constexpr int kChannelCount = 4;

#pragma pack(push, 1)

struct TPacketHeader {
    uint8_t module;
    uint8_t opCode;
    uint8_t status;   // reply: 0 = executed; request: 0
    uint8_t dataSize; // request: meaningful data bytes; never read from a reply
};

struct TPacketFormat {
    TPacketHeader header;
    uint8_t data[kPacketDataSize];
};

// Reply of GetDeviceSetup as the programmer sends it.
struct TDeviceBurnerInfo {
    uint32_t firmwareVersion; // bits 23..16 major, 15..8 minor, 7..0 patch
    uint8_t cardInserted;     // 1 = SD card present
    char configName[35];      // zero-padded, no terminator when full
};

// Reply of GetConfigurationInfo.
struct TDeviceConfigurationStruct {
    char configName[32];
    uint32_t configSize;
    uint32_t chSelection; // bit 0 = channel 1 ... bit 3 = channel 4
    uint32_t targetType;  // 1 DP2A, 2 DP2B, 3 DP3B
    uint16_t crc;
    uint16_t parameterId;
    uint16_t firmwareCrc;
    uint16_t reserved;
};

struct TReadIDRequest {
    uint8_t channelNumber; // 0..3
    uint8_t targetType;
    uint8_t readStart; // 1 on the first request of a read sequence
    uint8_t readEnd;   // 1 on the last request of a read sequence
};

struct TChannelDP2AId {
    uint16_t parameterID;
};

struct TChannelDP2BId {
    uint32_t deviceID;
    uint64_t firmwareID;
    uint32_t customerID;
    uint16_t patchID;
    uint16_t parameterID;
    uint16_t romID;
};

struct TChannelDP3BId {
    uint64_t chipId;
    uint64_t patchID;
    uint16_t parameterID;
    uint8_t firmwareIdSize; // valid bytes in firmwareID, 0..12 (the programmer may send more)
    uint8_t firmwareID[12];
};

// Reply of ReadID and GetLoggerInformation. The ID layouts overlay each other; which one holds
// follows from the target family of the request, and only when channelState is CHANNEL_PASSED.
struct TProcessTargetSendId {
    uint8_t channelNumber;
    uint8_t channelState;
    uint16_t channelErrorCode;
    union {
        TChannelDP2AId dp2AIds;
        TChannelDP2BId dp2BIds;
        TChannelDP3BId dp3BIds;
    };
};

struct TBurningStatusChannelSingle {
    uint8_t channelNo; // 0..3
    uint8_t state;
    uint16_t errorCode;  // meaningful when state is CHANNEL_FAILED
    uint16_t nackReason; // carried and stored, never interpreted
};

// Burn result: reply of TriggerTarget, and sent unasked after an external-trigger burn.
struct TBurningStatusOverall {
    uint16_t overallErrorCode; // 0 = channel entries follow; else one code for the whole burn
    uint8_t isCardUsed;        // non-zero: burned with the SD card's configuration
    TBurningStatusChannelSingle channels[kChannelCount];
};

#pragma pack(pop)

static_assert(sizeof(TPacketHeader) == kPacketHeaderSize);
static_assert(sizeof(TPacketFormat) == kPacketSize);
static_assert(offsetof(TPacketFormat, data) == 4);

static_assert(sizeof(TDeviceBurnerInfo) == 40);
static_assert(offsetof(TDeviceBurnerInfo, cardInserted) == 4);
static_assert(offsetof(TDeviceBurnerInfo, configName) == 5);

static_assert(sizeof(TDeviceConfigurationStruct) == 52);
static_assert(offsetof(TDeviceConfigurationStruct, configSize) == 32);
static_assert(offsetof(TDeviceConfigurationStruct, chSelection) == 36);
static_assert(offsetof(TDeviceConfigurationStruct, targetType) == 40);
static_assert(offsetof(TDeviceConfigurationStruct, crc) == 44);
static_assert(offsetof(TDeviceConfigurationStruct, parameterId) == 46);
static_assert(offsetof(TDeviceConfigurationStruct, firmwareCrc) == 48);
static_assert(offsetof(TDeviceConfigurationStruct, reserved) == 50);

static_assert(sizeof(TReadIDRequest) == 4);
static_assert(offsetof(TReadIDRequest, targetType) == 1);
static_assert(offsetof(TReadIDRequest, readStart) == 2);
static_assert(offsetof(TReadIDRequest, readEnd) == 3);

static_assert(sizeof(TChannelDP2AId) == 2);
static_assert(sizeof(TChannelDP2BId) == 22);
static_assert(offsetof(TChannelDP2BId, firmwareID) == 4);
static_assert(offsetof(TChannelDP2BId, customerID) == 12);
static_assert(offsetof(TChannelDP2BId, patchID) == 16);
static_assert(offsetof(TChannelDP2BId, parameterID) == 18);
static_assert(offsetof(TChannelDP2BId, romID) == 20);
static_assert(sizeof(TChannelDP3BId) == 31);
static_assert(offsetof(TChannelDP3BId, patchID) == 8);
static_assert(offsetof(TChannelDP3BId, parameterID) == 16);
static_assert(offsetof(TChannelDP3BId, firmwareIdSize) == 18);
static_assert(offsetof(TChannelDP3BId, firmwareID) == 19);

static_assert(sizeof(TProcessTargetSendId) == 35);
static_assert(offsetof(TProcessTargetSendId, channelState) == 1);
static_assert(offsetof(TProcessTargetSendId, channelErrorCode) == 2);
static_assert(offsetof(TProcessTargetSendId, dp2AIds) == 4);
static_assert(offsetof(TProcessTargetSendId, dp2BIds) == 4);
static_assert(offsetof(TProcessTargetSendId, dp3BIds) == 4);

static_assert(sizeof(TBurningStatusChannelSingle) == 6);
static_assert(offsetof(TBurningStatusChannelSingle, state) == 1);
static_assert(offsetof(TBurningStatusChannelSingle, errorCode) == 2);
static_assert(offsetof(TBurningStatusChannelSingle, nackReason) == 4);
static_assert(sizeof(TBurningStatusOverall) == 27);
static_assert(offsetof(TBurningStatusOverall, isCardUsed) == 2);
static_assert(offsetof(TBurningStatusOverall, channels) == 3);

// The windowed program's receive queue item: 64 raw bytes laid out as a TPacketFormat.
using TArrayByte = std::array<uint8_t, kPacketSize>;

// ---- Copying records and values into and out of a packet's data bytes ----

// Anything that is copied byte for byte into a packet's data: the records above and the plain
// integers and floats of requests and replies.
template <typename T>
concept PacketValue = std::is_trivially_copyable_v<T> && sizeof(T) <= kPacketDataSize;

// The value at data[offset]. False (and `value` untouched) when it would reach past the data.
template <PacketValue T> bool ReadValueAt(const TPacketFormat& packet, size_t offset, T& value) {
    if (offset > kPacketDataSize || kPacketDataSize - offset < sizeof(T))
        return false;
    std::memcpy(&value, packet.data + offset, sizeof(T));
    return true;
}

// The record at the start of a reply's data (every reply record starts at data[0]).
template <PacketValue T> T ReadRecord(const TPacketFormat& reply) {
    T value{};
    std::memcpy(&value, reply.data, sizeof(T));
    return value;
}

// Appends `count` bytes after the request's `dataSize` meaningful bytes and grows `dataSize`.
// False (request untouched) when they do not fit into the 60 data bytes.
bool AppendData(TPacketFormat& request, const void* bytes, size_t count);

// Appends one value or record (little-endian, packed) to a request's data.
template <PacketValue T> bool AppendValue(TPacketFormat& request, const T& value) {
    return AppendData(request, &value, sizeof(T));
}

// ---- Building packets and matching replies ----

// A request: 64 zero bytes with `module` and `opCode` set and no data yet.
TPacketFormat MakeRequest(uint8_t module, uint8_t opCode);
// A request carrying one record or value as its whole data.
template <PacketValue T>
TPacketFormat MakeRequest(uint8_t module, uint8_t opCode, const T& payload) {
    TPacketFormat request = MakeRequest(module, opCode);
    AppendValue(request, payload); // always fits: PacketValue is at most 60 bytes
    return request;
}

// A host-local marker packet: byte 0 is the marker, the rest zero.
TPacketFormat MakeMarker(uint8_t marker);

// The first (at most 64) bytes as a packet; missing bytes are zero.
TPacketFormat PacketFromBytes(std::span<const uint8_t> bytes);
TPacketFormat PacketFromBytes(const TArrayByte& bytes);
TArrayByte PacketToBytes(const TPacketFormat& packet);

// A reply matches a request when it repeats its module and opCode.
bool ReplyMatches(const TPacketFormat& request, const TPacketFormat& reply);
// ... and the request was executed when, in addition, its status is 0.
bool ReplySucceeded(const TPacketFormat& request, const TPacketFormat& reply);
// The reply is the answer to this very request: it matches, and a reply that names its channel
// (the IDs of ReadID and GetLoggerInformation) names the channel asked for. A late reply to the
// same request for another channel is no answer.
bool AnswersRequest(const TPacketFormat& request, const TPacketFormat& reply);
// The host-local marker of a programmer that went away (either program's): it ends any wait.
bool IsLinkLostMarker(const TPacketFormat& packet);

// ---- Judging received reports ----

// The bytes a report must hold to carry the reply or event its module and opCode name: the
// header, then the record or value that reply carries (TDeviceBurnerInfo for GetDeviceSetup, the
// 60 image bytes of ReadConfiguration, the 32-bit result of a service command, data[0] of an
// SdCardEvent, ...). A reply without data, and any report the protocol does not name, needs its
// header only.
size_t ReportSizeNeeded(uint8_t module, uint8_t opCode);
// Whether `report`, as the transport delivered it, holds all of what it names. A shorter report
// is no reply at all: the zeros it would be padded with would read as a firmware version 0.0.0,
// a CRC 0000 or an image piece of zeros.
bool ReportIsComplete(std::span<const uint8_t> report);

// ---- Texts and versions ----

inline constexpr size_t kCodeMessageCount = 88;
// The programmer's error texts, indexed by code 0..87.
extern const std::array<std::string_view, kCodeMessageCount> CodeMessages;
// Shown for any code above 87.
inline constexpr std::string_view kUnrecognizedErrors = "Unrecognized errors";
// The text of an error code: CodeMessages[code] for 0..87, "Unrecognized errors" above.
std::string_view ErrorCodeText(uint32_t code);
// Whether `code` has an entry in CodeMessages.
inline bool IsKnownErrorCode(uint32_t code) {
    return code < kCodeMessageCount;
}

// Result words of the windowed program, indexed by an operation's result (0 failed, 1 succeeded).
extern const std::array<std::string_view, 2> ResultWords;

// The lowest programmer firmware the host works with (shown as 1.6.3 by FormatVersion of
// utils/VersionText.h, which is also the firmware-version text).
inline constexpr uint32_t kMinFirmwareVersion = 0x010603;
// True when `firmwareVersion` (the whole 32-bit value, unsigned) is at least the minimum.
inline bool IsFirmwareSupported(uint32_t firmwareVersion) {
    return firmwareVersion >= kMinFirmwareVersion;
}
// FormatVersion(kMinFirmwareVersion): "1.6.3".
std::string MinimumFirmwareVersionText();

} // namespace ardent
