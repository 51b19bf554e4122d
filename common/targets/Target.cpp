#include "targets/Target.h"

#include <algorithm>

namespace ardent {

TTarget::TTarget(uint8_t nTarget, TTargetFamily family, std::string headerName, bool triggEn,
                 std::unique_ptr<TIdTablesModel> model)
    : fTriggEn(triggEn), fHeaderName(std::move(headerName)), fTargetName(TargetFamilyName(family)),
      fNumTarget(std::max<uint8_t>(nTarget, kChannelCount)), fFamily(family),
      tableModel(std::move(model)) {}

bool TTarget::setReadID(const TProcessTargetSendId& record) {
    if (record.channelNumber >= kChannelCount) {
        return false;
    }
    readIds[record.channelNumber] = record;
    return true;
}

bool TTarget::GetReadIds(int channel, TProcessTargetSendId& record) const {
    if (channel < 0 || channel >= kChannelCount) {
        record = TProcessTargetSendId{};
        return false;
    }
    record = readIds[static_cast<size_t>(channel)];
    return true;
}

const TProcessTargetSendId* TTarget::ValidReadIds(int channel) const {
    if (channel < 0 || channel >= kChannelCount ||
        readIds[static_cast<size_t>(channel)].channelState != CHANNEL_PASSED) {
        return nullptr;
    }
    return &readIds[static_cast<size_t>(channel)];
}

void TTarget::RefuseImage(const char* image) const {
    throw ImageNotAvailableError(fTargetName + " targets have no " + image + " image");
}

int TTarget::getFields(int, StringList&) const {
    return 0;
}

int TTarget::getFieldsName(StringList&) const {
    return 0;
}

void TTarget::SetSelection(bool select, int bit) {
    if (bit < 0 || bit >= 32) {
        return;
    }
    if (select) {
        selection |= 1u << bit;
    } else {
        selection &= ~(1u << bit);
    }
}

void TTarget::SetTableIDsFromDevice() {}

bool TTarget::CheckSelection(int bit) const {
    return bit >= 0 && bit < 32 && (selection & (1u << bit)) != 0;
}

void TTarget::SetBurningStatus(int32_t status, const TBurningStatusOverall& overall) {
    responseStatus = status;
    burningStatus = overall;
}

int32_t TTarget::GetBurningStatus(TBurningStatusOverall& overall) const {
    overall = burningStatus;
    return responseStatus;
}

} // namespace ardent
