#include "targets/TargetDP2B.h"

#include "configuration/Configuration.h"

namespace ardent {

namespace {
using Row = TDP2BIdTablesModel;
}

TTargetDP2B::TTargetDP2B(IMessageOutput& messages)
    : TTarget(kChannelCount, TTargetFamily::DP2B, "header_DP2B.hdr", true,
              std::make_unique<TDP2BIdTablesModel>()),
      fFW(messages), fPar(messages), fPatch(messages) {}

int TTargetDP2B::getFields(int targetNum, StringList& list) const {
    const TProcessTargetSendId* read = ValidReadIds(targetNum);
    if (read == nullptr) {
        list.insert(list.end(), 6, "-");
        return 6;
    }
    const TChannelDP2BId ids = read->dp2BIds;
    list.push_back(FormatHex(ids.deviceID, 8));
    list.push_back(FormatHex(ids.firmwareID, 16));
    list.push_back(FormatHex(ids.customerID, 8));
    list.push_back(FormatHex(ids.patchID, 4));
    list.push_back(FormatHex(ids.parameterID, 4));
    list.push_back(FormatHex(ids.romID, 4));
    return 6;
}

int TTargetDP2B::getFieldsName(StringList& list) const {
    list.insert(list.end(), {"Device", "Firmware", "Customer", "Patch", "Param", "ROM"});
    return 6;
}

bool TTargetDP2B::AddImage(TConfiguration& configuration, const DObject& image) {
    return image.loaded() && configuration.AddNewBlock(image.getType(), image.getBuff());
}

int TTargetDP2B::addTargetDataToConfiguration(TConfiguration& configuration) {
    if (!tableModel->GetLoaded(Row::kRowDevice, 0) && !configuration.GetLoadedState()) {
        return AddResult::NoIdsRead;
    }
    const int64_t firmwareBefore = tableModel->GetValueInt(Row::kRowFirmware, 0);
    Bytes table;
    tableModel->GetBuffer(table);
    configuration.AddNewBlock(BlockType::IdTable, table);

    int result = 0;
    if (CheckSelection(BlockType::Firmware)) {
        // Firmware is one-time programmable: only a chip without any may receive it.
        if (firmwareBefore != 0 || !tableModel->GetLoaded(Row::kRowFirmware, 0)) {
            return AddResult::FirmwareIdNotZero |
                   (fPar.getSelection() ? AddResult::ParametersMissing : 0);
        }
        if (AddImage(configuration, fFW)) {
            result |= AddResult::Firmware;
        }
    }
    if (CheckSelection(BlockType::Patch) && AddImage(configuration, fPatch)) {
        result |= AddResult::Patch;
    }
    if (CheckSelection(BlockType::Parameters) && AddImage(configuration, fPar)) {
        result |= AddResult::Parameters;
    }
    return result;
}

void TTargetDP2B::unLoadData() {
    fFW.resetBuf();
    fPar.resetBuf();
    fPatch.resetBuf();
}

TConfigurationTakeOver TTargetDP2B::LoadConfigurationFile(const TConfiguration& configuration) {
    if (configuration.GetTargetFamily() != TTargetFamily::DP2B) {
        return TConfigurationTakeOver::Foreign(configuration.GetTargetType());
    }
    if (!tableModel->FillFromConfiguration(configuration)) {
        unLoadData();
        ClearSelection();
        return TConfigurationTakeOver::Unusable();
    }
    fFW.LoadFromConfiguration(configuration, selection);
    fPar.LoadFromConfiguration(configuration, selection);
    fPatch.LoadFromConfiguration(configuration, selection);
    return TConfigurationTakeOver::TakenOver(TTargetFamily::DP2B);
}

void TTargetDP2B::SetSelection(bool select, int bit) {
    TTarget::SetSelection(select, bit);
    SetTableIDsFromDevice();

    const bool firmware = CheckSelection(BlockType::Firmware);
    const bool patch = CheckSelection(BlockType::Patch);
    const bool parameters = CheckSelection(BlockType::Parameters);
    TIdTablesModel& table = *tableModel;

    table.SetValue64(Row::kRowFirmware, 1, firmware, fFW.getFWID());
    table.SetCompare(Row::kRowFirmware, 0, true);
    if (patch) {
        // The patch names the firmware that must be on the chip.
        table.SetValue64(Row::kRowFirmware, 0, true, fPatch.getIDFW());
    }

    table.SetValue(Row::kRowPatch, 0, patch, fPatch.getIDBefore(), 0);
    table.SetValue(Row::kRowPatch, 1, patch, fPatch.getIDAfter(), 0);
    table.SetCompare(Row::kRowPatch, 0, patch);
    table.SetCompare(Row::kRowPatch, 1, patch);

    table.SetValue(Row::kRowParameters, 0, parameters, fPar.getIDBefore(), 0);
    table.SetValue(Row::kRowParameters, 1, parameters, fPar.getIDAfter(), 0);
    table.SetCompare(Row::kRowParameters, 1, parameters);
    table.SetCompare(Row::kRowParameters, 0, !fPar.isComplete());

    if (!parameters && fFW.isFWWithPar()) {
        // The firmware brings its own parameters: their ID must show after burning.
        table.SetValue(Row::kRowParameters, 0, firmware, fPar.getIDBefore(), 0);
        table.SetValue(Row::kRowParameters, 1, firmware, fFW.getFWPar(), 0);
        table.SetCompare(Row::kRowParameters, 1, true);
    }
}

void TTargetDP2B::SetTableIDsFromDevice() {
    const TProcessTargetSendId& read = readIds[0];
    const bool loaded = read.channelState == CHANNEL_PASSED;
    const TChannelDP2BId ids = read.dp2BIds;
    tableModel->SetValue(Row::kRowDevice, 0, loaded, ids.deviceID, 0);
    tableModel->SetValue64(Row::kRowFirmware, 0, loaded, ids.firmwareID);
    tableModel->SetValue(Row::kRowCustomer, 0, loaded, ids.customerID, 0);
    tableModel->SetValue(Row::kRowRom, 0, loaded, ids.romID, 0);
}

} // namespace ardent
