#include "records/ChannelRecords.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace ardent::records {

namespace {

std::string Hex(uint64_t value, int width) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*" PRIX64, width, value);
    return text;
}

std::string CodeName(uint32_t code) {
    return std::string(ErrorCodeText(code));
}

} // namespace

std::vector<TChipId> ChipIdsOf(const TProcessTargetSendId& reply, TTargetFamily family) {
    if (reply.channelState != CHANNEL_PASSED) {
        return {};
    }
    switch (family) {
    case TTargetFamily::DP2A:
        return {{"Parameter", Hex(reply.dp2AIds.parameterID, 4)}};
    case TTargetFamily::DP2B: {
        const TChannelDP2BId& ids = reply.dp2BIds;
        return {{"Device", Hex(ids.deviceID, 8)},       {"Firmware", Hex(ids.firmwareID, 16)},
                {"Customer", Hex(ids.customerID, 8)},   {"Patch", Hex(ids.patchID, 4)},
                {"Parameter", Hex(ids.parameterID, 4)}, {"Rom", Hex(ids.romID, 4)}};
    }
    case TTargetFamily::DP3B: {
        const TChannelDP3BId& ids = reply.dp3BIds;
        // Firmware and patch IDs in the byte order ArdentCmd prints them, so what an operator
        // reads off the screen finds the record.
        std::string firmware;
        const size_t firmwareBytes = std::min<size_t>(ids.firmwareIdSize, sizeof ids.firmwareID);
        for (size_t i = 0; i < firmwareBytes; ++i) {
            firmware += Hex(ids.firmwareID[i], 2);
        }
        std::string patch;
        for (int i = 0; i < 8; ++i) {
            patch += Hex((ids.patchID >> (8 * i)) & 0xFFu, 2);
        }
        std::vector<TChipId> result{{"Chip", Hex(ids.chipId, 16)}};
        if (!firmware.empty()) {
            result.push_back({"Firmware", firmware});
        }
        result.push_back({"Patch", patch});
        result.push_back({"Parameter", Hex(ids.parameterID, 4)});
        return result;
    }
    case TTargetFamily::NotRecognised:
        break;
    }
    return {};
}

std::vector<TChannelRecord>
BurnChannelRecords(const TBurningStatusOverall& status,
                   const std::array<const TProcessTargetSendId*, kChannelCount>& ids,
                   TTargetFamily family) {
    std::vector<TChannelRecord> records;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const TBurningStatusChannelSingle& single = status.channels[channel];
        if (status.overallErrorCode == 0 && single.state == CHANNEL_INACTIVE) {
            continue;
        }
        // Filled in place: the entry is built once, in the vector that keeps it.
        TChannelRecord& record = records.emplace_back();
        record.channel = channel + 1;
        if (status.overallErrorCode != 0) {
            record.verdict = "FAIL";
            record.codeName = CodeName(status.overallErrorCode);
            continue;
        }
        // Copies first: the packed reply fields are not aligned for a reference.
        record.channelState = static_cast<int>(single.state);
        record.channelCode = static_cast<int>(single.errorCode);
        const bool passed = single.state == CHANNEL_PASSED;
        // A state the programmer does not define is no pass either.
        record.verdict = passed ? "PASS" : "FAIL";
        record.codeName = passed                           ? std::string("OK")
                          : single.state == CHANNEL_FAILED ? CodeName(single.errorCode)
                                                           : std::string("Unknown channel state");
        if (const TProcessTargetSendId* read = ids[static_cast<size_t>(channel)]) {
            record.chipIds = ChipIdsOf(*read, family);
        }
    }
    return records;
}

TChannelRecord ReadIdChannelRecord(const TProcessTargetSendId& reply, TTargetFamily family) {
    TChannelRecord record;
    record.channel = reply.channelNumber + 1;
    record.verdict = "READ";
    record.channelState = static_cast<int>(reply.channelState);
    record.channelCode = static_cast<int>(reply.channelErrorCode);
    record.codeName =
        reply.channelState == CHANNEL_PASSED ? "OK" : CodeName(reply.channelErrorCode);
    record.chipIds = ChipIdsOf(reply, family);
    return record;
}

} // namespace ardent::records
