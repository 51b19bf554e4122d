#include "protocol/PacketFormat.h"

#include "utils/VersionText.h"

#include <algorithm>

namespace ardent {

bool AppendData(TPacketFormat& request, const void* bytes, size_t count) {
    const size_t used = std::min<size_t>(request.header.dataSize, kPacketDataSize);
    if (count > kPacketDataSize - used)
        return false;
    if (count > 0)
        std::memcpy(request.data + used, bytes, count);
    request.header.dataSize = static_cast<uint8_t>(used + count);
    return true;
}

TPacketFormat MakeRequest(uint8_t module, uint8_t opCode) {
    TPacketFormat request{};
    request.header.module = module;
    request.header.opCode = opCode;
    return request;
}

TPacketFormat MakeMarker(uint8_t marker) {
    TPacketFormat packet{};
    packet.header.module = marker;
    return packet;
}

TPacketFormat PacketFromBytes(std::span<const uint8_t> bytes) {
    TPacketFormat packet{};
    if (!bytes.empty())
        std::memcpy(&packet, bytes.data(), std::min(bytes.size(), kPacketSize));
    return packet;
}

TPacketFormat PacketFromBytes(const TArrayByte& bytes) {
    return PacketFromBytes(std::span<const uint8_t>(bytes));
}

TArrayByte PacketToBytes(const TPacketFormat& packet) {
    TArrayByte bytes{};
    std::memcpy(bytes.data(), &packet, kPacketSize);
    return bytes;
}

bool ReplyMatches(const TPacketFormat& request, const TPacketFormat& reply) {
    return reply.header.module == request.header.module &&
           reply.header.opCode == request.header.opCode;
}

bool ReplySucceeded(const TPacketFormat& request, const TPacketFormat& reply) {
    return ReplyMatches(request, reply) && reply.header.status == 0;
}

bool AnswersRequest(const TPacketFormat& request, const TPacketFormat& reply) {
    if (!ReplyMatches(request, reply))
        return false;
    const bool namesChannel = request.header.module == MODULE_TARGET &&
                              (request.header.opCode == TargetOp::ReadID ||
                               request.header.opCode == TargetOp::GetLoggerInformation);
    // Both requests carry the channel first, and TProcessTargetSendId starts with it.
    static_assert(offsetof(TReadIDRequest, channelNumber) == 0);
    static_assert(offsetof(TProcessTargetSendId, channelNumber) == 0);
    return !namesChannel || reply.data[0] == request.data[0];
}

bool IsLinkLostMarker(const TPacketFormat& packet) {
    return packet.header.module == MARKER_DISCONNECTED || packet.header.module == MARKER_LINK_LOST;
}

size_t ReportSizeNeeded(uint8_t module, uint8_t opCode) {
    size_t carried = 0;
    switch (module) {
    case MODULE_PROGRAMMER:
        switch (opCode) {
        case ProgrammerOp::GetDeviceSetup:
            carried = sizeof(TDeviceBurnerInfo);
            break;
        case ProgrammerOp::ReadConfiguration:
            carried = kPacketDataSize;
            break;
        case ProgrammerOp::GetConfigurationInfo:
            carried = sizeof(TDeviceConfigurationStruct);
            break;
        case ProgrammerOp::GetTriggerBehavior:
            carried = 1;
            break;
        default:
            break;
        }
        break;
    case MODULE_TARGET:
        switch (opCode) {
        case TargetOp::ReadID:
        case TargetOp::GetLoggerInformation:
            carried = sizeof(TProcessTargetSendId);
            break;
        case TargetOp::TriggerTarget:
            carried = sizeof(TBurningStatusOverall);
            break;
        default:
            break;
        }
        break;
    case MODULE_VOLTAGE:
    case MODULE_SERVICE:
        carried = sizeof(int32_t);
        break;
    case MODULE_EVENT:
        carried = opCode == EventOp::SdCardEvent ? 1 : 0;
        break;
    default:
        break;
    }
    return kPacketHeaderSize + carried;
}

bool ReportIsComplete(std::span<const uint8_t> report) {
    if (report.size() < kPacketHeaderSize)
        return false;
    return report.size() >= ReportSizeNeeded(report[0], report[1]);
}

const std::array<std::string_view, kCodeMessageCount> CodeMessages = {
    "Operation completed.",
    "Error = VCC_SHORT",
    "Error = UART_VCC_SHORT",
    "Error = UART_GND_SHORT",
    "Error = SYNC",
    "Error = PROTOCOL_ID",
    "Error = BOOT_STATUS",
    "Error = STOP_APP",
    "Error = APPLY_APARAM",
    "Error = GET_DEVICE_ID",
    "Error = GET_FW_ID",
    "Error = GET_CUSTOMER_ID",
    "Error = GET_PATCH_ID",
    "Error = GET_APARAM_ID",
    "Error = GET_ROM_ID",
    "Error = COMP_DEVICE_ID",
    "Error = COMP_FW_ID",
    "Error = COMP_CUST_ID",
    "Error = COMP_PATCH_ID",
    "Error = COMP_APARAM_ID",
    "Error = COMP_ROM_ID",
    "Error = WRITE_FW_CMD",
    "Error = WRITE_FW_BUFFER",
    "Error = FW_CRC_CMD",
    "Error = FW_CRC_COMPARE",
    "Error = ENABLE_REDUND",
    "Error = BURN_FW_BLOCK",
    "Error = DISABLE_REDUND",
    "Error = WRITE_APARAM_CMD",
    "Error = WRITE_PATCH_CMD",
    "Error = BURN_FW_SINGLE",
    "Error = BURN_APARAM",
    "Error = CRC_APARAM_CMD",
    "Error = CRC_APARAM_COMP",
    "Error = BURN_APARAM_SINGLE",
    "Error = BLANK_CHECK_NACK",
    "Error = APARAM_CRC_CMD",
    "Error = APARAM_CRC_COMP",
    "Error = BLANK_CHECK_ACK",
    "Error = WRITE_PATCH_BUFFER",
    "Error = PATCH_CRC_CMD",
    "Error = PATCH_CRC_COMPARE",
    "Error = BURN_PATCH_BLOCK",
    "Error = WRITE_PATCH_SINGLE",
    "Error = BURN_PATCH_SINGLE",
    "INACTIVE",
    "Error = USB_BREAK",
    "Error = NO_ECHO",
    "Error = STORE_CONFIG",
    "Error = FAT_32_INIT",
    "Info  = SD_NO_CFG",
    "Info  = SD_EMPTY",
    "Error = SD_CANT_OPEN",
    "Info  = CFG_NOT_LOADED",
    "Error = WRITE_APARAM_BUFFER",
    "Error = GET_PATCH_SPACE",
    "Error = APARAM_READ",
    "Error = NOT_ENOUGH_SPACE",
    "Error = ILLEGAL_CMD",
    "Error = ILLEGAL_PATCH_TARGET",
    "Error = PATCH_TABLE_FULL",
    "Error = CRC_NOT_CORRECT",
    "Error = OTP_WRITE_ERROR",
    "Error = VERIFY",
    "Status = BLANK_DEVICE",
    "Error = ERROR_UNKNOWN",
    "Error = ERROR_SPACE_LEFT_NOT_VALID",
    "Error = CFG_CRC_FAILED",
    "FW only suspend",
    "Error = VOLTAGE_DROP",
    "Error = READ_RAM",
    "Error = WRITE_RAM",
    "Error = UNKNOWN_COMMAND",
    "Error = GET_MISC_ID",
    "Error = DO_VOLTAGE_SEQUENCE",
    "Error = ENABLING_TRIGGER",
    "Error = UART_OVERVOLTAGE",
    "Error = SD_FILE_TOO_BIG",
    "Error = SD_INIT",
    "Error = SD_READ",
    "Error = SD_CLOSE",
    "Error = CFG_WRONG_CRC",
    "Error = GET_CHIP_ID",
    "Error = NO_SELECTED_CHANNELS",
    "Error = WRONG_TARGET_TYPE",
    "Error = CONFIG_WRONG_VERSION",
    "Error = ERROR_ACK_FRAME_CRC",
    "Error = ERROR_ACK_FRAME_WRONG",
};

const std::array<std::string_view, 2> ResultWords = {"FAIL", "OK"};

std::string_view ErrorCodeText(uint32_t code) {
    return IsKnownErrorCode(code) ? CodeMessages[code] : kUnrecognizedErrors;
}

std::string MinimumFirmwareVersionText() {
    return FormatVersion(kMinFirmwareVersion);
}

} // namespace ardent
