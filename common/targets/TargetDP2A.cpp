#include "targets/TargetDP2A.h"

#include "configuration/Configuration.h"

namespace ardent {

TTargetDP2A::TTargetDP2A(IMessageOutput& messages)
    : TTarget(kChannelCount, TTargetFamily::DP2A, "header_DP2A.hdr", true,
              std::make_unique<TDP2AIdTablesModel>()),
      fPar(messages) {}

int TTargetDP2A::getFields(int targetNum, StringList& list) const {
    const TProcessTargetSendId* ids = ValidReadIds(targetNum);
    list.push_back(ids ? FormatHex(ids->dp2AIds.parameterID, 4) : "-");
    return 1;
}

int TTargetDP2A::getFieldsName(StringList& list) const {
    list.emplace_back("Parameters");
    return 1;
}

int TTargetDP2A::addTargetDataToConfiguration(TConfiguration& configuration) {
    if (!CheckSelection(BlockType::Parameters)) {
        return 0;
    }
    if (!fPar.loaded() || !configuration.AddNewBlock(BlockType::Parameters, fPar.getBuff())) {
        return AddResult::ParametersMissing;
    }
    return AddResult::Parameters;
}

void TTargetDP2A::unLoadData() {
    fPar.resetBuf();
}

int TTargetDP2A::loadPAR(const std::string& fileName) {
    const int result = fPar.storeBuff(fileName);
    RefreshParameterIdAfter();
    return result;
}

TConfigurationTakeOver TTargetDP2A::LoadConfigurationFile(const TConfiguration& configuration) {
    if (configuration.GetTargetFamily() != TTargetFamily::DP2A) {
        return TConfigurationTakeOver::Foreign(configuration.GetTargetType());
    }
    fPar.LoadFromConfiguration(configuration, selection);
    RefreshParameterIdAfter();
    return TConfigurationTakeOver::TakenOver(TTargetFamily::DP2A);
}

void TTargetDP2A::SetTableIDsFromDevice() {
    const TProcessTargetSendId& ids = readIds[0];
    tableModel->SetValue(TDP2AIdTablesModel::kRowParameters, 0, ids.channelState == CHANNEL_PASSED,
                         ids.dp2AIds.parameterID, 0);
}

void TTargetDP2A::RefreshParameterIdAfter() {
    tableModel->SetValue(TDP2AIdTablesModel::kRowParameters, 1, true, fPar.GetCrc(), 0);
}

} // namespace ardent
