#pragma once
// A target family: owns the family's data objects and ID table, keeps which images are
// selected for burning, the IDs last read from each programmer channel and the last burning
// status, decides what goes into a configuration and recognises configurations of its family.
// Not locked: one thread at a time (workers write it, then notify the window that reads it).

#include "input/DObject.h"
#include "input/FileLoader.h"
#include "protocol/PacketFormat.h"
#include "targets/IdTablesModel.h"
#include "utils/Errors.h"
#include "utils/TargetFamily.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace ardent {

class TConfiguration;

// What a target made of a configuration handed to it. Only a configuration taken over is a
// success; every other outcome says why, so that no value reads as both.
struct TConfigurationTakeOver {
    enum class Outcome : uint8_t {
        TakenOver,     // of this family; the target holds its ID table, data and selection now
        OtherFamily,   // of another known family (`family`), which the user has to select
        NotRecognized, // a family nobody knows (`family`), or a table the family cannot use
    };
    Outcome outcome = Outcome::NotRecognized;
    // The configuration's target type as it carries it (the number of NotRecognised when its
    // table was unusable).
    uint32_t family = FamilyNumber(TTargetFamily::NotRecognised);

    static TConfigurationTakeOver TakenOver(TTargetFamily family) {
        return {Outcome::TakenOver, FamilyNumber(family)};
    }
    // A configuration of target type `family` that is not the taking family's.
    static TConfigurationTakeOver Foreign(uint32_t family) {
        const bool known = TargetFamilyFromNumber(family) != TTargetFamily::NotRecognised;
        return {known ? Outcome::OtherFamily : Outcome::NotRecognized, family};
    }
    static TConfigurationTakeOver Foreign(TTargetFamily family) {
        return Foreign(uint32_t{FamilyNumber(family)});
    }
    static TConfigurationTakeOver Unusable() {
        return {Outcome::NotRecognized, FamilyNumber(TTargetFamily::NotRecognised)};
    }
    bool IsTakenOver() const { return outcome == Outcome::TakenOver; }
    bool operator==(const TConfigurationTakeOver&) const = default;
};

// Bits of the result of addTargetDataToConfiguration.
namespace AddResult {
inline constexpr int Firmware = 1;
inline constexpr int Patch = 2;
inline constexpr int Parameters = 4;
inline constexpr int FirmwareIdNotZero = 8; // the chip already carries a firmware
inline constexpr int ParametersMissing = 32;
inline constexpr int NoIdsRead = 64;
// Whether a configuration built with this result may be saved or stored.
inline bool CanSave(int result) {
    return (result & (Firmware | Patch | Parameters)) != 0 &&
           (result & (FirmwareIdNotZero | NoIdsRead)) == 0;
}
} // namespace AddResult

// A family was given an image kind it does not have (a firmware file for DP3B): the request
// cannot be carried out, and a run that asked for it must not end as if it had been.
class ImageNotAvailableError : public ArdentError {
public:
    using ArdentError::ArdentError;
    const char* TypeName() const noexcept override { return "ImageNotAvailableError"; }
};

class TTarget {
public:
    virtual ~TTarget() = default;
    TTarget(const TTarget&) = delete;
    TTarget& operator=(const TTarget&) = delete;

    // Keeps the record as channel `channelNumber`'s IDs; false (nothing kept) when the channel
    // is not 0 to 3.
    virtual bool setReadID(const TProcessTargetSendId& record);
    // The IDs last read from `channel`; false (record zeroed) for a channel outside 0 to 3.
    bool GetReadIds(int channel, TProcessTargetSendId& record) const;
    // Appends the display texts of channel `targetNum`'s read IDs ("-" each when not valid);
    // returns the number of texts appended.
    virtual int getFields(int targetNum, StringList& list) const;
    // Appends the names of those texts; returns their number.
    virtual int getFieldsName(StringList& list) const;

    // Adds the selected images and the ID table as blocks; a bit set of AddResult.
    virtual int addTargetDataToConfiguration(TConfiguration& configuration) = 0;
    // Forgets every loaded image.
    virtual void unLoadData() = 0;
    // Load an input file into the matching object; 0 on success (codes per family). A family
    // without that image throws ImageNotAvailableError.
    virtual int loadFW(const std::string& fileName) = 0;
    virtual int loadPAR(const std::string& fileName) = 0;
    virtual int loadPATCH(const std::string& fileName) = 0;
    // Takes a configuration of the family over (ID table, data, selection); a configuration of
    // any other target type, or whose table the family cannot use, is not taken.
    virtual TConfigurationTakeOver LoadConfigurationFile(const TConfiguration& configuration) = 0;
    // Sets or clears bit `bit` (a block type) of the selection; families refresh their table.
    virtual void SetSelection(bool select, int bit);
    // Copies IDs read from the chip into the table (families that have any).
    virtual void SetTableIDsFromDevice();

    bool CheckSelection(int bit) const;
    void ClearSelection() { selection = 0; }
    uint32_t GetSelection() const { return selection; }
    void ClearTableModel() { tableModel->Clear(); }

    void SetBurningStatus(int32_t status, const TBurningStatusOverall& overall);
    // The burning status and the response status that came with it.
    int32_t GetBurningStatus(TBurningStatusOverall& overall) const;

    uint8_t getNumTarget() const { return fNumTarget; }
    TTargetFamily getFamily() const { return fFamily; }
    const std::string& getHeaderName() const { return fHeaderName; }
    const std::string& GetTargetName() const { return fTargetName; }
    TIdTablesModel& GetIDModel() { return *tableModel; }
    const TIdTablesModel& GetIDModel() const { return *tableModel; }
    bool getTriggEn() const { return fTriggEn; }
    void setTriggEn(bool enable) { fTriggEn = enable; }

protected:
    // Throws ImageNotAvailableError for `image` ("firmware", "patch").
    [[noreturn]] void RefuseImage(const char* image) const;

    TTarget(uint8_t nTarget, TTargetFamily family, std::string headerName, bool triggEn,
            std::unique_ptr<TIdTablesModel> model);

    // Channel `channel`'s read IDs when the channel exists and its state is PASSED.
    const TProcessTargetSendId* ValidReadIds(int channel) const;

    std::array<TProcessTargetSendId, kChannelCount> readIds{};
    uint32_t selection = 0;
    bool fTriggEn;
    std::string fHeaderName;
    std::string fTargetName;
    uint8_t fNumTarget;
    TTargetFamily fFamily;
    TBurningStatusOverall burningStatus{};
    std::unique_ptr<TIdTablesModel> tableModel;
    int32_t responseStatus = 0;
};

} // namespace ardent
