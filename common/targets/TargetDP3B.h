#pragma once
// DP3B: a patch and parameters from one XML file. Every ID in its table comes from that file
// (the firmware version both images were built for, the patch ID, the parameter checksum), so
// no chip needs to be read before a configuration is built.

#include "input/ParDP3B.h"
#include "input/PatchDP3B.h"
#include "targets/DP3BIdTablesModel.h"
#include "targets/Target.h"

namespace ardent {

class TTargetDP3B : public TTarget {
public:
    explicit TTargetDP3B(IMessageOutput& messages);

    // Chip ID, firmware ID bytes (at most 12), patch ID in the chip's byte order, parameter ID.
    int getFields(int targetNum, StringList& list) const override;
    int getFieldsName(StringList& list) const override;
    // Always adds the ID table block; then 2 for the patch block, 4 for the parameter block.
    int addTargetDataToConfiguration(TConfiguration& configuration) override;
    void unLoadData() override;
    int loadFW(const std::string&) override { RefuseImage("firmware"); }
    // A code of the DP3B message table (GetDP3BMessage), 0 on success.
    int loadPAR(const std::string& fileName) override;
    // As loadPAR; 6 when the patch was built for another firmware version than the selected
    // parameters (the patch stays loaded).
    int loadPATCH(const std::string& fileName) override;
    // 0 when taken over; another family's TargetType, or 255 when taking it over failed: then
    // nothing is loaded or selected.
    TConfigurationTakeOver LoadConfigurationFile(const TConfiguration& configuration) override;
    void SetSelection(bool select, int bit) override;
    // Copies the IDs of the loaded images into the table and selects those images.
    void SetTableModelIDSFromFile();

    const TParDP3B& GetParameters() const { return parameters; }
    const TPatchDP3B& GetPatch() const { return patch; }

private:
    bool CheckFirmwareVersions() const;
    void Unload();

    TParDP3B parameters;
    TPatchDP3B patch;
};

} // namespace ardent
