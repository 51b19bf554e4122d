#include "targets/ConfigurationDraft.h"

#include "configuration/Configuration.h"
#include "input/DP3BMessages.h"

#include <initializer_list>

namespace ardent {

namespace {

// Codes a DP3B record may end with and still count as read (3: the record is absent).
bool AcceptableXmlCode(int code) {
    return code == DP3BCode::Ok || code == DP3BCode::ParseFailed ||
           code == DP3BCode::NoPatchOrParameters || code == DP3BCode::FirmwareVersionsDiffer;
}

} // namespace

int AssembleConfiguration(TConfiguration& configuration, TTarget* target,
                          const TDraftHeader& header) {
    configuration.ClearAllBlocks();
    if (header.baudRate) {
        configuration.SetBaudRate(*header.baudRate);
    }
    configuration.SetChannel(header.channels);
    if (target != nullptr) {
        configuration.SetTargetType(target->getFamily());
    }
    configuration.SetName(header.name);
    return target != nullptr ? target->addTargetDataToConfiguration(configuration) : 0;
}

TDraftCheck CheckConfiguration(const TDraftHeader& header, int result) {
    TDraftCheck check{true, {}};
    const auto refuse = [&check](std::initializer_list<const char*> lines) {
        check.lines.insert(check.lines.end(), lines.begin(), lines.end());
        check.usable = false;
    };
    if (!header.firmware && !header.parameters && !header.patch) {
        refuse({"Check files selection.", "At least one input file must be selected."});
    }
    if (header.channels == 0) {
        refuse({"Check channel selection.", "At least one channel must be selected."});
    }
    if (result == AddResult::NoIdsRead) {
        refuse({"You must first read IDs from target device."});
    } else if ((result & AddResult::FirmwareIdNotZero) != 0) {
        refuse({"Before burn FW ID must be 0"});
    }
    // A rate missing from the list would be written as whatever the configuration held before.
    if (!header.baudRate) {
        refuse({"Select a baud rate from the list."});
    }
    const int blocks = AddResult::Firmware | AddResult::Patch | AddResult::Parameters;
    check.usable = check.usable && (result & blocks) != 0;
    return check;
}

TDraftReload TDraftReload::Refused(TLoadVerdict verdict) {
    if (verdict == TLoadVerdict::Loaded) {
        // A loaded image is no refusal; the target has not answered yet.
        return {Outcome::NotRecognized, verdict, FamilyNumber(TTargetFamily::NotRecognised)};
    }
    return {Outcome::LoadFailed, verdict, FamilyNumber(TTargetFamily::NotRecognised)};
}

TDraftReload TDraftReload::FromTakeOver(const TConfigurationTakeOver& takeOver) {
    switch (takeOver.outcome) {
    case TConfigurationTakeOver::Outcome::TakenOver:
        return {Outcome::TakenOver, TLoadVerdict::Loaded, takeOver.family};
    case TConfigurationTakeOver::Outcome::OtherFamily:
        return {Outcome::OtherFamily, TLoadVerdict::Loaded, takeOver.family};
    case TConfigurationTakeOver::Outcome::NotRecognized:
        break;
    }
    return {Outcome::NotRecognized, TLoadVerdict::Loaded, takeOver.family};
}

std::vector<std::string> TDraftReload::Lines(std::string_view what) const {
    switch (mOutcome) {
    case Outcome::TakenOver:
        return {"Config file is ok!"};
    case Outcome::LoadFailed:
        return {std::string(what) + " is not usable: " + std::string(LoadVerdictText(mVerdict)) +
                    ".",
                "The configuration shown is still the previous one."};
    case Outcome::OtherFamily: {
        const std::string_view name = TargetFamilyName(TargetFamilyFromNumber(mFamily));
        if (name.empty()) {
            return {};
        }
        return {"Please select " + std::string(name) + " as target device and reload CFG file"};
    }
    case Outcome::NotRecognized:
        break;
    }
    return {"Target type is not recognized."};
}

std::string LoadXmlInputFile(TTarget& target, const std::string& file) {
    target.unLoadData();
    std::string message;
    const int parameters = target.loadPAR(file);
    if (!AcceptableXmlCode(parameters)) {
        message +=
            "Parameters record in XML file " + std::string(GetDP3BMessage(parameters)) + "\n\r";
    }
    const int patch = target.loadPATCH(file);
    if (!AcceptableXmlCode(patch)) {
        message += "Patch record in XML file " + std::string(GetDP3BMessage(patch)) + "\n\r";
    }
    if (patch == DP3BCode::ParseFailed || patch == DP3BCode::FirmwareVersionsDiffer) {
        message = GetDP3BMessage(patch);
    } else if (parameters == DP3BCode::NoPatchOrParameters &&
               patch == DP3BCode::NoPatchOrParameters) {
        message = GetDP3BMessage(DP3BCode::NoPatchOrParameters);
    }
    const auto spoils = [](int code) {
        return code != DP3BCode::Ok && code != DP3BCode::NoPatchOrParameters;
    };
    if (spoils(patch) || spoils(parameters)) {
        target.unLoadData();
    }
    return message;
}

TDraftReload TakeOverConfiguration(const TConfiguration& configuration, TTarget* target) {
    return TDraftReload::FromTakeOver(target != nullptr
                                          ? target->LoadConfigurationFile(configuration)
                                          : TConfigurationTakeOver::Unusable());
}

} // namespace ardent
