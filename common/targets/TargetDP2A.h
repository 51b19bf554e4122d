#pragma once
// DP2A: parameters only. The parameter ID after burning is the checksum of the parameter
// image; no ID table block goes into its configurations.

#include "input/ParDP2A.h"
#include "targets/DP2AIdTablesModel.h"
#include "targets/Target.h"

namespace ardent {

class TTargetDP2A : public TTarget {
public:
    explicit TTargetDP2A(IMessageOutput& messages);

    int getFields(int targetNum, StringList& list) const override;
    int getFieldsName(StringList& list) const override;
    // 0 when parameters are not selected; 32 when they are but no parameter image can be
    // added; 4 when the parameter block was added.
    int addTargetDataToConfiguration(TConfiguration& configuration) override;
    void unLoadData() override;
    int loadFW(const std::string&) override { RefuseImage("firmware"); }
    // The parameter object's storeBuff result; the table's after-burning ID follows the image.
    int loadPAR(const std::string& fileName) override;
    int loadPATCH(const std::string&) override { RefuseImage("patch"); }
    TConfigurationTakeOver LoadConfigurationFile(const TConfiguration& configuration) override;
    void SetTableIDsFromDevice() override;

    const TParDP2A& GetPar() const { return fPar; }

private:
    void RefreshParameterIdAfter();

    TParDP2A fPar;
};

} // namespace ardent
