#include "ControlCommands.h"

#include "SimText.h"
#include "utils/Files.h"
#include "utils/NumberChecks.h"
#include "utils/VersionText.h"

#include <cstdio>

namespace ardent::sim {

namespace {

const char kHelp[] = "ping                          answers \"ok ready\"\n"
                     "status                        state, chips and armed faults\n"
                     "plug | unplug                 connect or pull the USB cable\n"
                     "trigger                       press the external trigger (burns, unless\n"
                     "                              a host switched it off)\n"
                     "sd insert | sd remove         insert or remove the SD card\n"
                     "chip N KIND [KEY=VALUE...]    new chip in channel N (1-4): blank, DP2A,\n"
                     "                              DP2B, DP3B or absent, with IDs\n"
                     "ids N KEY=VALUE...            change IDs of the chip in channel N\n"
                     "verdict N V[, V...]           next burns of channel N: pass, fail CODE,\n"
                     "                              absent (the last one repeats)\n"
                     "firmware VERSION              firmware version (1.7.0 or 0x010700)\n"
                     "burn-time MS                  how long a burn takes\n"
                     "store FILE                    store a configuration image from a file\n"
                     "clear-config                  forget the stored configuration\n"
                     "service-result N | off        result word of every service command\n"
                     "fault drop N                  no reply to the next N requests\n"
                     "fault late MS [N]             replies to the next N (1) requests MS late\n"
                     "fault opcode [N]              wrong opCode in the next N (1) replies\n"
                     "fault status S [N]            status S in the next N (1) replies\n"
                     "fault disconnect N            link drops at the N-th request from now\n"
                     "fault clear                   disarm all faults\n"
                     "quit                          stop the simulated programmer\n";

TControlResult Ok(const std::string& info = {}) {
    return TControlResult{info.empty() ? "ok" : "ok " + info, {}, false};
}
TControlResult Error(const std::string& reason) {
    return TControlResult{"error " + reason, {}, false};
}

// Word `index` as a number up to `maxValue`, or `fallback` when there is no such word.
bool NumberAt(const std::vector<std::string>& words, size_t index, uint64_t maxValue,
              uint64_t fallback, uint64_t& value) {
    if (index >= words.size()) {
        value = fallback;
        return true;
    }
    return ParseNumberUpTo(words[index], maxValue, value);
}

bool ChannelAt(const std::vector<std::string>& words, size_t& channel) {
    uint64_t number = 0;
    if (words.size() < 2 || !ParseNumberUpTo(words[1], kChannelCount, number) || number == 0) {
        return false;
    }
    channel = static_cast<size_t>(number - 1);
    return true;
}

// Applies "key=value" words from `first` on; the chip changes only when all of them are good.
TControlResult ApplySettings(TVirtualChip& chip, const std::vector<std::string>& words,
                             size_t first) {
    TVirtualChip changed = chip;
    for (size_t i = first; i < words.size(); ++i) {
        const size_t equals = words[i].find('=');
        std::string reason;
        if (equals == std::string::npos) {
            return Error("KEY=VALUE expected, got \"" + words[i] + "\"");
        }
        if (!ApplyChipSetting(changed, words[i].substr(0, equals), words[i].substr(equals + 1),
                              reason)) {
            return Error(reason);
        }
    }
    chip = changed;
    return Ok(chip.Describe());
}

TControlResult Fault(TProgrammerEngine& engine, const std::vector<std::string>& words) {
    TFaultPlan& faults = engine.Faults();
    const std::string kind = words.size() > 1 ? Lower(words[1]) : "";
    uint64_t first = 0;
    uint64_t count = 0;
    if (kind == "clear") {
        faults.Clear();
    } else if (kind == "drop" && words.size() == 3 && NumberAt(words, 2, 1000000, 1, count)) {
        faults.DropNext(static_cast<uint32_t>(count));
    } else if (kind == "late" && words.size() >= 3 && words.size() <= 4 &&
               NumberAt(words, 2, 600000, 0, first) && NumberAt(words, 3, 1000000, 1, count)) {
        faults.DelayNext(static_cast<uint32_t>(first), static_cast<uint32_t>(count));
    } else if (kind == "opcode" && words.size() <= 3 && NumberAt(words, 2, 1000000, 1, count)) {
        faults.WrongOpCodeNext(static_cast<uint32_t>(count));
    } else if (kind == "status" && words.size() >= 3 && words.size() <= 4 &&
               NumberAt(words, 2, 255, 0, first) && first != 0 &&
               NumberAt(words, 3, 1000000, 1, count)) {
        faults.StatusNext(static_cast<uint8_t>(first), static_cast<uint32_t>(count));
    } else if (kind == "disconnect" && words.size() == 3 && NumberAt(words, 2, 1000000, 1, count) &&
               count != 0) {
        faults.DisconnectAt(static_cast<uint32_t>(count));
    } else {
        return Error("fault is drop N, late MS [N], opcode [N], status S [N], disconnect N "
                     "or clear");
    }
    return Ok(faults.Describe());
}

} // namespace

const char* ControlHelp() {
    return kHelp;
}

TControlResult ExecuteControlLine(TProgrammerEngine& engine, const std::string& line) {
    const std::vector<std::string> words = SplitWords(line);
    if (words.empty()) {
        return Error("empty command");
    }
    const std::string command = Lower(words[0]);
    size_t channel = 0;
    if (command == "ping" && words.size() == 1) {
        return Ok("ready");
    }
    if (command == "status" && words.size() == 1) {
        std::string state;
        for (const std::string& part : SplitList(engine.Describe(), '\n')) {
            state += (state.empty() ? "" : "; ") + part;
        }
        return Ok(state);
    }
    if ((command == "plug" || command == "unplug") && words.size() == 1) {
        engine.SetPlugged(command == "plug");
        return Ok();
    }
    if (command == "trigger" && words.size() == 1) {
        TControlResult result = Ok(engine.ExternalTriggerArmed() ? "" : "external trigger is off");
        result.output = engine.PressExternalTrigger();
        return result;
    }
    if (command == "sd" && words.size() == 2 &&
        (Lower(words[1]) == "insert" || Lower(words[1]) == "remove")) {
        TControlResult result = Ok();
        result.output = engine.SetCardInserted(Lower(words[1]) == "insert");
        return result;
    }
    // A channel word that is no channel is named as such, not taken for an unknown command.
    if ((command == "chip" || command == "ids" || command == "verdict") && words.size() >= 3 &&
        !ChannelAt(words, channel)) {
        return Error("channel \"" + words[1] + "\" is out of range: channels are 1 to " +
                     std::to_string(kChannelCount));
    }
    if (command == "chip" && words.size() >= 3 && ChannelAt(words, channel)) {
        TVirtualChip chip = engine.Chip(channel);
        std::string reason;
        if (!ApplyChipSetting(chip, "chip", words[2], reason)) {
            return Error(reason);
        }
        TControlResult result = ApplySettings(chip, words, 3);
        if (result.reply.starts_with("ok")) {
            engine.Chip(channel) = chip;
        }
        return result;
    }
    if (command == "ids" && words.size() >= 3 && ChannelAt(words, channel)) {
        return ApplySettings(engine.Chip(channel), words, 2);
    }
    if (command == "verdict" && words.size() >= 3 && ChannelAt(words, channel)) {
        std::string list;
        for (size_t i = 2; i < words.size(); ++i) {
            list += words[i] + " ";
        }
        std::vector<TBurnVerdict> verdicts;
        if (!ParseVerdictList(list, verdicts)) {
            return Error("verdicts are pass, absent or fail CODE, separated by commas");
        }
        engine.Chip(channel).SetVerdicts(std::move(verdicts));
        return Ok();
    }
    if (command == "firmware" && words.size() == 2) {
        uint32_t version = 0;
        if (!ParseFirmwareVersion(words[1], version)) {
            return Error("firmware version expected (1.7.0 or 0x010700)");
        }
        engine.SetFirmwareVersion(version);
        return Ok(FormatVersion(version));
    }
    if (command == "burn-time" && words.size() == 2) {
        uint64_t ms = 0;
        if (!ParseNumberUpTo(words[1], 600000, ms)) {
            return Error("burn-time takes milliseconds up to 600000");
        }
        engine.SetBurnTimeMs(static_cast<uint32_t>(ms));
        return Ok();
    }
    if (command == "store" && words.size() == 2) {
        // Only a regular file of image size: a device or a huge file would stall the programmer.
        Bytes image;
        if (!LoadFileToBuffer(words[1], image, kLargestImage)) {
            return Error("cannot read " + words[1]);
        }
        const uint16_t code = engine.StoreImage(image);
        return code == 0 ? Ok() : Error("image refused with code " + std::to_string(code));
    }
    if (command == "clear-config" && words.size() == 1) {
        engine.ClearStoredImage();
        return Ok();
    }
    if (command == "service-result" && words.size() == 2) {
        if (Lower(words[1]) == "off") {
            engine.SetServiceResult(std::nullopt);
            return Ok();
        }
        int32_t value = 0;
        if (!StrToIntChecked(words[1], value)) {
            return Error("service-result takes a 32-bit number or off");
        }
        engine.SetServiceResult(value);
        return Ok();
    }
    if (command == "fault") {
        return Fault(engine, words);
    }
    if (command == "quit" && words.size() == 1) {
        TControlResult result = Ok("bye");
        result.quit = true;
        return result;
    }
    if (command == "help") {
        return Ok("commands: ping status plug unplug trigger sd chip ids verdict firmware "
                  "burn-time store clear-config service-result fault quit");
    }
    return Error("unknown command \"" + line + "\" (try help)");
}

} // namespace ardent::sim
