#pragma once
// DP2B: firmware, patch and parameters from .ahex files. The ID table combines IDs read from a
// chip on channel 0 with the IDs the selected images carry; firmware is only added for a chip
// that carries none yet.

#include "input/Fw.h"
#include "input/Par.h"
#include "input/Patch.h"
#include "targets/DP2BIdTablesModel.h"
#include "targets/Target.h"

namespace ardent {

class TTargetDP2B : public TTarget {
public:
    explicit TTargetDP2B(IMessageOutput& messages);

    int getFields(int targetNum, StringList& list) const override;
    int getFieldsName(StringList& list) const override;
    // See AddResult: 64 without IDs read from a chip (and an empty configuration); 8 (40 with a
    // parameter object selected by a loaded configuration) when firmware is selected but the
    // chip's firmware ID is not 0; else the blocks added. Blocks go in the order ID table,
    // firmware, patch, parameters; an image that is not loaded is never added.
    int addTargetDataToConfiguration(TConfiguration& configuration) override;
    void unLoadData() override;
    int loadFW(const std::string& fileName) override { return fFW.storeBuff(fileName); }
    int loadPAR(const std::string& fileName) override { return fPar.storeBuff(fileName); }
    int loadPATCH(const std::string& fileName) override { return fPatch.storeBuff(fileName); }
    // 0 when taken over; the configuration's TargetType for another family; 255 when its ID
    // table block is damaged (nothing is then loaded or selected).
    TConfigurationTakeOver LoadConfigurationFile(const TConfiguration& configuration) override;
    // Updates the selection, then rebuilds the table from the chip's IDs and the selected
    // images' IDs.
    void SetSelection(bool select, int bit) override;
    // Device, firmware, customer and ROM IDs of channel 0, before burning.
    void SetTableIDsFromDevice() override;

    const TFw& GetFW() const { return fFW; }
    const TPar& GetPar() const { return fPar; }
    const TPatch& GetPatch() const { return fPatch; }

private:
    bool AddImage(TConfiguration& configuration, const DObject& image);

    TFw fFW;
    TPar fPar;
    TPatch fPatch;
};

} // namespace ardent
