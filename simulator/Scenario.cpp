#include "Scenario.h"

#include "SimText.h"

namespace ardent::sim {

namespace {

// One ID setting: its name in the file, its width and where it lands.
struct TIdSetting {
    const char* key;
    uint64_t maxValue;
    void (*store)(TChipIds& ids, uint64_t value);
};

const TIdSetting kIdSettings[] = {
    {"deviceid", 0xFFFFFFFF,
     [](TChipIds& ids, uint64_t value) { ids.deviceID = static_cast<uint32_t>(value); }},
    {"firmwareid", UINT64_MAX, [](TChipIds& ids, uint64_t value) { ids.firmwareID = value; }},
    {"customerid", 0xFFFFFFFF,
     [](TChipIds& ids, uint64_t value) { ids.customerID = static_cast<uint32_t>(value); }},
    {"patchid", UINT64_MAX, [](TChipIds& ids, uint64_t value) { ids.patchID = value; }},
    {"parameterid", 0xFFFF,
     [](TChipIds& ids, uint64_t value) { ids.parameterID = static_cast<uint16_t>(value); }},
    {"romid", 0xFFFF,
     [](TChipIds& ids, uint64_t value) { ids.romID = static_cast<uint16_t>(value); }},
    {"chipid", UINT64_MAX, [](TChipIds& ids, uint64_t value) { ids.chipId = value; }},
};

bool ApplyProgrammerSetting(TScenario& scenario, const std::string& key, const std::string& value,
                            std::string& error) {
    if (key == "firmware") {
        if (!ParseFirmwareVersion(value, scenario.firmwareVersion)) {
            error = "firmware version expected (1.7.0 or 0x010700)";
            return false;
        }
        return true;
    }
    if (key == "sd-card") {
        const std::string state = Lower(value);
        if (state != "inserted" && state != "removed") {
            error = "sd-card is inserted or removed";
            return false;
        }
        scenario.cardInserted = state == "inserted";
        return true;
    }
    if (key == "burn-time-ms") {
        uint64_t ms = 0;
        if (!ParseNumberUpTo(value, 600000, ms)) {
            error = "burn-time-ms is a number of milliseconds up to 600000";
            return false;
        }
        scenario.burnTimeMs = static_cast<uint32_t>(ms);
        return true;
    }
    if (key == "image") {
        if (value.empty()) {
            error = "image names a configuration file";
            return false;
        }
        scenario.imagePath = value;
        return true;
    }
    error = "unknown setting \"" + key + "\"";
    return false;
}

} // namespace

bool ParseVerdictList(const std::string& text, std::vector<TBurnVerdict>& verdicts) {
    std::vector<TBurnVerdict> parsed;
    for (const std::string& item : SplitList(text, ',')) {
        TBurnVerdict verdict;
        if (!ParseVerdict(item, verdict)) {
            return false;
        }
        parsed.push_back(verdict);
    }
    verdicts = std::move(parsed);
    return true;
}

bool ApplyChipSetting(TVirtualChip& chip, const std::string& key, const std::string& value,
                      std::string& error) {
    const std::string name = Lower(key);
    if (name == "chip") {
        const std::string kind = Lower(value);
        if (kind == "absent") {
            chip = TVirtualChip::Absent();
            return true;
        }
        const TTargetFamily family = TargetFamilyFromName(kind);
        if (family == TTargetFamily::NotRecognised && kind != "blank") {
            error = "chip is blank, DP2A, DP2B, DP3B or absent";
            return false;
        }
        TVirtualChip fresh =
            TVirtualChip::Blank(kind == "blank" ? kBlankFamily : FamilyNumber(family));
        fresh.SetVerdicts(chip.Verdicts());
        chip = fresh;
        return true;
    }
    if (name == "verdicts" || name == "verdict") {
        std::vector<TBurnVerdict> verdicts;
        if (!ParseVerdictList(value, verdicts)) {
            error = "verdicts are pass, absent or fail <code>, separated by commas";
            return false;
        }
        chip.SetVerdicts(std::move(verdicts));
        return true;
    }
    if (name == "firmwarebytes") {
        if (!ParseHexBytes(value, 12, chip.Ids().firmwareBytes)) {
            error = "firmwareBytes are up to 12 bytes as hex pairs";
            return false;
        }
        return true;
    }
    for (const TIdSetting& setting : kIdSettings) {
        if (name == setting.key) {
            uint64_t number = 0;
            if (!ParseNumberUpTo(value, setting.maxValue, number)) {
                error = key + " does not take \"" + value + "\"";
                return false;
            }
            setting.store(chip.Ids(), number);
            return true;
        }
    }
    error = "unknown chip setting \"" + key + "\"";
    return false;
}

bool ParseScenario(std::string_view text, TScenario& scenario, std::string& error) {
    TScenario parsed;
    int channel = -1; // programmer settings until the first section
    size_t lineNumber = 0;
    for (const std::string& rawLine : SplitList(text, '\n')) {
        ++lineNumber;
        const std::string line = Trim(rawLine);
        const auto fail = [&](const std::string& reason) {
            error = "line " + std::to_string(lineNumber) + ": " + reason;
            return false;
        };
        if (line.empty() || line[0] == '#' || line[0] == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::vector<std::string> words =
                SplitWords(line.back() == ']' ? std::string_view(line).substr(1, line.size() - 2)
                                              : std::string_view());
            uint64_t number = 0;
            if (words.size() != 2 || Lower(words[0]) != "channel" ||
                !ParseNumberUpTo(words[1], kChannelCount, number) || number == 0) {
                return fail("section is [channel 1] to [channel 4]");
            }
            channel = static_cast<int>(number) - 1;
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            return fail("key = value expected");
        }
        const std::string key = Trim(std::string_view(line).substr(0, equals));
        const std::string value = Trim(std::string_view(line).substr(equals + 1));
        std::string reason;
        const bool applied =
            channel < 0
                ? ApplyProgrammerSetting(parsed, Lower(key), value, reason)
                : ApplyChipSetting(parsed.chips[static_cast<size_t>(channel)], key, value, reason);
        if (!applied) {
            return fail(reason);
        }
    }
    scenario = std::move(parsed);
    return true;
}

} // namespace ardent::sim
