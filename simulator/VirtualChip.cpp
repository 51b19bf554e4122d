#include "VirtualChip.h"

#include "SimText.h"

#include <algorithm>
#include <cstring>

namespace ardent::sim {

bool ParseVerdict(const std::string& text, TBurnVerdict& verdict) {
    const std::vector<std::string> words = SplitWords(text);
    if (words.size() == 1 && Lower(words[0]) == "pass") {
        verdict = {TBurnVerdict::Kind::Pass, 0};
        return true;
    }
    if (words.size() == 1 && Lower(words[0]) == "absent") {
        verdict = {TBurnVerdict::Kind::Absent, 0};
        return true;
    }
    uint64_t code = 0;
    if (words.size() == 2 && Lower(words[0]) == "fail" && ParseNumber(words[1], code) &&
        code >= 1 && code <= 0xFFFF) {
        verdict = {TBurnVerdict::Kind::Fail, static_cast<uint16_t>(code)};
        return true;
    }
    return false;
}

std::string VerdictText(const TBurnVerdict& verdict) {
    switch (verdict.kind) {
    case TBurnVerdict::Kind::Pass:
        return "pass";
    case TBurnVerdict::Kind::Absent:
        return "absent";
    case TBurnVerdict::Kind::Fail:
        break;
    }
    return "fail " + std::to_string(verdict.errorCode);
}

std::string FamilyName(uint8_t family) {
    const std::string_view name = TargetFamilyName(TargetFamilyFromNumber(family));
    return name.empty() ? "unknown" : std::string(name);
}

TVirtualChip TVirtualChip::Blank(uint8_t family) {
    TVirtualChip chip;
    chip.mPresent = true;
    chip.mFamily = family;
    return chip;
}

TVirtualChip TVirtualChip::Absent() {
    return TVirtualChip{};
}

void TVirtualChip::SetVerdicts(std::vector<TBurnVerdict> verdicts) {
    if (verdicts.empty()) {
        verdicts.push_back(TBurnVerdict{});
    }
    mVerdicts = std::move(verdicts);
}

TBurnVerdict TVirtualChip::TakeVerdict() {
    TBurnVerdict verdict = mVerdicts.front();
    if (mVerdicts.size() > 1) {
        mVerdicts.erase(mVerdicts.begin());
    }
    return verdict;
}

void TVirtualChip::ApplyBurn(uint8_t family, const TAfterBurnIds& after) {
    mFamily = family;
    mIds.deviceID = after.deviceID.value_or(mIds.deviceID);
    mIds.firmwareID = after.firmwareID.value_or(mIds.firmwareID);
    mIds.customerID = after.customerID.value_or(mIds.customerID);
    mIds.patchID = after.patchID.value_or(mIds.patchID);
    mIds.parameterID = after.parameterID.value_or(mIds.parameterID);
    mIds.romID = after.romID.value_or(mIds.romID);
    if (after.firmwareBytes) {
        mIds.firmwareBytes = *after.firmwareBytes;
    }
}

TProcessTargetSendId TVirtualChip::IdRecord(uint8_t channel, uint8_t family) const {
    TProcessTargetSendId record{};
    record.channelNumber = channel;
    if (!mPresent) {
        record.channelState = CHANNEL_FAILED;
        record.channelErrorCode = kCodeSync;
        return record;
    }
    const TTargetFamily readAs = TargetFamilyFromNumber(family);
    if (readAs == TTargetFamily::NotRecognised || !AcceptsFamily(family)) {
        record.channelState = CHANNEL_FAILED;
        record.channelErrorCode = kCodeWrongTargetType;
        return record;
    }
    record.channelState = CHANNEL_PASSED;
    switch (readAs) {
    case TTargetFamily::DP2A:
        record.dp2AIds.parameterID = mIds.parameterID;
        break;
    case TTargetFamily::DP2B:
        record.dp2BIds.deviceID = mIds.deviceID;
        record.dp2BIds.firmwareID = mIds.firmwareID;
        record.dp2BIds.customerID = mIds.customerID;
        record.dp2BIds.patchID = static_cast<uint16_t>(mIds.patchID);
        record.dp2BIds.parameterID = mIds.parameterID;
        record.dp2BIds.romID = mIds.romID;
        break;
    default: { // DP3B
        record.dp3BIds.chipId = mIds.chipId;
        record.dp3BIds.patchID = mIds.patchID;
        record.dp3BIds.parameterID = mIds.parameterID;
        const size_t count = std::min(mIds.firmwareBytes.size(), sizeof record.dp3BIds.firmwareID);
        record.dp3BIds.firmwareIdSize = static_cast<uint8_t>(count);
        if (count > 0) {
            std::memcpy(record.dp3BIds.firmwareID, mIds.firmwareBytes.data(), count);
        }
        break;
    }
    }
    return record;
}

std::string TVirtualChip::Describe() const {
    if (!mPresent) {
        return "absent";
    }
    return mFamily == kBlankFamily ? "blank" : FamilyName(mFamily);
}

} // namespace ardent::sim
