#include "targets/TargetDP3B.h"

#include "configuration/Configuration.h"
#include "input/DP3BMessages.h"
#include "utils/VersionText.h"

#include <algorithm>
#include <exception>

namespace ardent {

namespace {
using Row = TDP3BIdTablesModel;
}

TTargetDP3B::TTargetDP3B(IMessageOutput& messages)
    : TTarget(kChannelCount, TTargetFamily::DP3B, "header_DP3B.hdr", false,
              std::make_unique<TDP3BIdTablesModel>()),
      parameters(messages), patch(messages) {}

int TTargetDP3B::getFields(int targetNum, StringList& list) const {
    const TProcessTargetSendId* read = ValidReadIds(targetNum);
    if (read == nullptr) {
        list.insert(list.end(), 4, "-");
        return 4;
    }
    const TChannelDP3BId ids = read->dp3BIds;
    list.push_back(FormatHex(ids.chipId, 16));
    // The record holds 12 bytes; a larger size from the programmer is cut to what is there.
    const size_t size = std::min<size_t>(ids.firmwareIdSize, sizeof ids.firmwareID);
    std::string firmware;
    for (size_t i = 0; i < size; ++i) {
        firmware += FormatHex(ids.firmwareID[i], 2);
    }
    list.push_back(firmware);
    list.push_back(SwapHexBytes(FormatHex(ids.patchID, 16)));
    list.push_back(FormatHex(ids.parameterID, 4));
    return 4;
}

int TTargetDP3B::getFieldsName(StringList& list) const {
    list.insert(list.end(), {"Chip", "Firmware", "Patch", "Param"});
    return 4;
}

int TTargetDP3B::addTargetDataToConfiguration(TConfiguration& configuration) {
    Bytes table;
    tableModel->GetBuffer(table);
    configuration.AddNewBlock(BlockType::IdTable, table);
    int result = 0;
    if (CheckSelection(BlockType::Patch) && patch.loaded() &&
        configuration.AddNewBlock(BlockType::Patch, patch.getBuff())) {
        result |= AddResult::Patch;
    }
    if (CheckSelection(BlockType::Parameters) && parameters.loaded() &&
        configuration.AddNewBlock(BlockType::Parameters, parameters.getBuff())) {
        result |= AddResult::Parameters;
    }
    return result;
}

void TTargetDP3B::unLoadData() {
    SetSelection(false, BlockType::Patch);
    SetSelection(false, BlockType::Parameters);
    patch.Clear();
    parameters.Clear();
    tableModel->Clear();
}

int TTargetDP3B::loadPAR(const std::string& fileName) {
    const int result = parameters.storeBuff(fileName);
    if (result == DP3BCode::Ok) {
        SetTableModelIDSFromFile();
    }
    return result;
}

int TTargetDP3B::loadPATCH(const std::string& fileName) {
    int result = patch.storeBuff(fileName);
    if (patch.loaded() && !CheckFirmwareVersions()) {
        result = DP3BCode::FirmwareVersionsDiffer;
    }
    SetTableModelIDSFromFile();
    return result;
}

bool TTargetDP3B::CheckFirmwareVersions() const {
    return !CheckSelection(BlockType::Parameters) ||
           parameters.GetFirmwareVersion() == patch.GetFirmwareVersion();
}

void TTargetDP3B::SetTableModelIDSFromFile() {
    if (patch.loaded()) {
        tableModel->SetValue64(Row::kRowPatch, 1, false, patch.GetPatchID());
        tableModel->SetValue64(Row::kRowPatch, 0, true, 0);
        tableModel->SetValue(Row::kRowFirmware, 0, false, patch.GetFirmwareVersion());
        SetSelection(true, BlockType::Patch);
    }
    if (parameters.loaded()) {
        tableModel->SetValue(Row::kRowParameters, 1, false, parameters.GetParamID(), 0);
        tableModel->SetValue(Row::kRowFirmware, 0, false, parameters.GetFirmwareVersion());
        SetSelection(true, BlockType::Parameters);
    }
}

void TTargetDP3B::SetSelection(bool select, int bit) {
    TTarget::SetSelection(select, bit);
    TIdTablesModel& table = *tableModel;
    if (bit == BlockType::Patch) {
        table.SetLoaded(Row::kRowPatch, 1, select);
        table.SetCompare(Row::kRowPatch, 1, select);
        table.SetValue64(Row::kRowPatch, 0, true, 0);
        table.SetCompare(Row::kRowPatch, 0, true);
    } else if (bit == BlockType::Parameters) {
        table.SetLoaded(Row::kRowParameters, 1, select);
        table.SetCompare(Row::kRowParameters, 1, select);
    }
    const bool any = CheckSelection(BlockType::Parameters) || CheckSelection(BlockType::Patch);
    table.SetCompare(Row::kRowFirmware, 0, any);
    table.SetLoaded(Row::kRowFirmware, 0, any);
}

void TTargetDP3B::Unload() {
    unLoadData();
    ClearSelection();
}

TConfigurationTakeOver TTargetDP3B::LoadConfigurationFile(const TConfiguration& configuration) {
    if (configuration.GetTargetFamily() != TTargetFamily::DP3B) {
        Unload();
        return TConfigurationTakeOver::Foreign(configuration.GetTargetType());
    }
    try {
        if (!tableModel->FillFromConfiguration(configuration)) {
            Unload();
            return TConfigurationTakeOver::Unusable();
        }
        parameters.LoadFromConfiguration(configuration, selection);
        patch.LoadFromConfiguration(configuration, selection);
    } catch (const std::exception&) {
        Unload();
        return TConfigurationTakeOver::Unusable();
    }
    return TConfigurationTakeOver::TakenOver(TTargetFamily::DP3B);
}

} // namespace ardent
