#pragma once
// The configuration an engineer puts together on the expert screen, apart from the screen: the
// header the screen holds is built into the program-wide configuration with the target's data,
// checked before Save or Store sends it anywhere, and a loaded configuration is handed to the
// target with the lines that tell the engineer what became of it.

#include "configuration/ConfigurationLoader.h"
#include "targets/Target.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ardent {

// What the screen holds of a configuration besides the target's data.
struct TDraftHeader {
    std::string name;
    std::optional<uint32_t> baudRate; // empty while the list names no rate
    uint32_t channels = 0;            // one bit per programmer channel
    // The input files ticked for the configuration.
    bool firmware = false;
    bool parameters = false;
    bool patch = false;
};

// A draft as checked: usable only when nothing stood against it; `lines` say what did.
struct TDraftCheck {
    bool usable = false;
    std::vector<std::string> lines;
};

// Builds `configuration` afresh from `header` and the target's selected data; the target's
// AddResult bits (0 without a target). A header without rate keeps the rate held before.
int AssembleConfiguration(TConfiguration& configuration, TTarget* target,
                          const TDraftHeader& header);

// Whether a configuration assembled from `header` with the target's `result` may be saved or
// stored, and the lines that say why not.
TDraftCheck CheckConfiguration(const TDraftHeader& header, int result);

// What became of a configuration image on its way to the target. Only TakenOver is a success;
// a refused image, another family's and an unknown one each say so, and none reads as taken over.
class TDraftReload {
public:
    enum class Outcome : uint8_t {
        TakenOver,     // the target holds the configuration's ID table, data and selection now
        LoadFailed,    // the image was refused (`verdict`); the configuration is the previous one
        OtherFamily,   // of another known family (`family`), which the engineer has to select
        NotRecognized, // of no known family, or with a table the family cannot use
    };

    // The loader refused the image.
    static TDraftReload Refused(TLoadVerdict verdict);
    // The target's answer to a loaded configuration.
    static TDraftReload FromTakeOver(const TConfigurationTakeOver& takeOver);

    Outcome outcome() const { return mOutcome; }
    bool IsTakenOver() const { return mOutcome == Outcome::TakenOver; }
    TLoadVerdict verdict() const { return mVerdict; }
    uint32_t family() const { return mFamily; }

    // The screen's lines for the outcome; `what` names a refused image ("Config file <path>").
    std::vector<std::string> Lines(std::string_view what) const;

private:
    TDraftReload(Outcome outcome, TLoadVerdict verdict, uint32_t family)
        : mOutcome(outcome), mVerdict(verdict), mFamily(family) {}

    Outcome mOutcome;
    TLoadVerdict mVerdict;
    uint32_t mFamily;
};

// Hands the loaded `configuration` to `target` (none: not recognised).
TDraftReload TakeOverConfiguration(const TConfiguration& configuration, TTarget* target);

// Loads a DP3B XML file's parameters and patch into `target`, which drops what it held before;
// a file with any record in error leaves nothing loaded. The text for the engineer (records in
// error, each line ending in LF CR, or the one message that says it all); empty when there is
// none. A file that cannot be read or holds no number where one belongs throws, as the loads do.
std::string LoadXmlInputFile(TTarget& target, const std::string& file);

} // namespace ardent
