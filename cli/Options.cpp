#include "Options.h"

#include "ResultCodes.h"
#include "utils/Errors.h"
#include "utils/VersionText.h"

namespace ardent {

namespace {

constexpr std::string_view kUsageLines[] = {
    "ArdentCmd usage",
    "",
    " -h, -help            Show this screen.",
    " -execute             Trigger programmer.",
    " -readID <device> <channel> ",
    "                      Channel (1, 4)",
    "                      Device: DP2B, DP2A or DP3B",
    "                      Show IDs from target devices.",
    " -backup <.cfg file>  Read configuration from programmer and save in file.",
    " -store <.cfg file>   Store configuration *.cfg file in programmer.",
    " -getName             Show configuration name.",
    " -getFwVer            Show firmware version.",
    " -getCrc              Show crc value of stored configuration file.",
    " -voltageCycle <device> <peakLevel> <workingLevel> <rampTime[ms]> <disable short detection> ",
    "                           Device: DP2B or DP3B",
    "                           Execute the VCC voltage cycle to reset the device.",
    " -setVoltage <LevelRange>  Set the VCC voltage to a defined level.",
    " -sync <times>             Synchronize the device and establish the UART ",
    "                           communication to the programmer.",
    " -getInfo <device> <infoType>",
    "                           Device: DP2B, DP2A or DP3B",
    "                           Get ID specified by the input parameter (info_type)",
    " -burnAparam <device> <offset> <value>",
    "                           Device: DP2B or DP3B",
    "                           Update an application parameter at the specified",
    "                           address offset.",
    " -setBaudRate <baudrate>   Set baudrate to the programmer for",
    "                           the communication between device and programmer.",
    " -readAparam <device> <offset>",
    "                           Read an APARAM at the specified address offset.",
    "                           Device: DP2B or DP3B",
    " -setChannel <CH#>         Set the corresponding channel (1-4) for calibration.",
    " -burnTrigger              Enable/disable external trigger.",
    " -cmdVer                   Return cmd line version.",
    " -writeAparam <device> <offset> <value>",
    "                           Device: DP2B or DP3B",
    "                           Write an APARAM at the specified address offset.",
    " -stopApp <device>         Stop the application on the device.",
    "                           Device: DP2B or DP3B",
    " -fileGetInfo <config name> <option>",
    "                           Get information from config file.",
    "                           Options are name, aparam, patch and channel.",
    "                           If option missing all information will be shown.",
    " -fileUpdateChannel <config name> <value>",
    "                           Change selected channels in config file.",
    "                           Value: 0x000X, X=0~F, bit0~3=CH1~CH4",
    " -createCfg --device dp3b --baud XXXX --channel 0x0X --par parameterFile --patch patchFile "
    "--output outputFile",
    "                           Create configuration file from input parameters. Currently "
    "supported only for DP3B device",
    "                           Value: 0xXXXX = 9600, 19200, 38400, 57600",
    "                           Value: 0x0X, X=0~F, bit0~3=CH1~CH4",
};

bool EndsWithCfg(const std::string& name) {
    return name.ends_with(".cfg");
}

// Item `index` of a parameter list; a missing item is an error that travels to the top-level
// handler, as a file command given without its file name is not a request the tool can answer.
const std::string& ItemAt(const std::vector<std::string>& items, size_t index) {
    if (index >= items.size()) {
        throw IndexOutOfRangeError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return items[index];
}

} // namespace

std::vector<std::string> SplitParameters(const std::string& value) {
    std::vector<std::string> items;
    size_t pos = 0;
    const size_t size = value.size();
    while (pos < size) {
        std::string item;
        if (value[pos] == '"') {
            // Runs to the closing quote; a doubled quote is one quote; no closing quote takes
            // the rest of the value.
            ++pos;
            while (pos < size) {
                if (value[pos] == '"') {
                    if (pos + 1 < size && value[pos + 1] == '"') {
                        item.push_back('"');
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                item.push_back(value[pos++]);
            }
        } else {
            const size_t comma = value.find(',', pos);
            const size_t end = comma == std::string::npos ? size : comma;
            item = value.substr(pos, end - pos);
            pos = end;
        }
        items.push_back(std::move(item));
        if (pos < size && value[pos] == ',') {
            ++pos;
            if (pos == size) {
                items.emplace_back();
            }
        }
    }
    return items;
}

TOptions::TOptions(std::vector<std::string> arguments, TConsole& console)
    : fParser(std::move(arguments)), fConsole(console) {}

const std::string& TOptions::UsageText() {
    static const std::string text = [] {
        std::string joined;
        for (const std::string_view line : kUsageLines) {
            joined.append(line);
            joined.append("\r\n");
        }
        return joined;
    }();
    return text;
}

bool TOptions::Parse() {
    fCommand = 0;
    fNamedOptions.clear();
    fParser.Parse();

    if (fParser.ContainsCommand("h") || fParser.ContainsCommand("help") ||
        fParser.ContainsCommand("?")) {
        fConsole.Write(UsageText());
        fCommandType = COMMAND_TYPE_DONE;
        fConsole.WriteLine(kOperationSucceeded);
        return false;
    }
    if (fParser.ContainsCommand("cmdver")) {
        fConsole.WriteLine("CMD Line version is " + GetProgramVersion());
        fConsole.WriteLine(kOperationSucceeded);
        fCommandType = COMMAND_TYPE_DONE;
        return false;
    }
    if (!ParseSpecialCMD()) {
        // Only one command can be present, so at most one of these acts.
        ParseExecuteCmd();
        ParseRestoreCmd();
        ParseBackupCmd();
        ParseGetNameCmd();
        ParseReadIDCmd();
        ParseGetFwVerCmd();
        ParseGetCrcCmd();
        ParseFileGetInfo();
        ParseFileChannelUpdate();
        ParseBurnTrigger();
        ParseSetBaudRate();
        ParseSetChannel();
        ParseCreateConfig();
    }
    return true;
}

bool TOptions::ParseCmd(const std::string& cmd, std::string& value, bool hasArgument) const {
    if (!fParser.GetCommand(cmd, value)) {
        return false;
    }
    if (value.empty() && hasArgument && !fOptional) {
        return false;
    }
    if (!value.empty() && !hasArgument) {
        return false;
    }
    return true;
}

bool TOptions::ParseSpecialCMD() {
    for (size_t row = 0; row < SpecialCommandTable.size(); ++row) {
        const TSpecialCommandInfo& info = SpecialCommandTable[row];
        if (row + 1 == SpecialCommandTable.size()) {
            // From here on an option that takes a value is accepted without one: "writeAparam"
            // and every ordinary option. A missing value is then judged by the item count.
            fOptional = true;
        }
        std::string value;
        if (ParseCmd(LowerText(std::string(info.name)), value, info.hasArgument != 0)) {
            fParameters = SplitParameters(value);
            fCommand = static_cast<uint16_t>(CMD_FIRST_SPECIAL + row);
            fSpecialCMd = true;
            const size_t count = fParameters.size();
            fCommandType = (count >= info.minArgs && count <= info.maxArgs)
                               ? COMMAND_TYPE_PROGRAMMER
                               : COMMAND_TYPE_NONE;
            return true;
        }
    }
    return false;
}

void TOptions::ParseFlagCmd(const char* name, uint16_t code) {
    std::string value;
    if (ParseCmd(name, value, false)) {
        fCommand = code;
        fCommandType = COMMAND_TYPE_PROGRAMMER;
    }
}

void TOptions::ParseItemsCmd(const char* name, uint16_t code) {
    std::string value;
    if (ParseCmd(name, value, true)) {
        fCommand = code;
        fCommandType = COMMAND_TYPE_PROGRAMMER;
        fParameters = SplitParameters(value);
    }
}

void TOptions::ParseFileNameCmd(const char* name, uint16_t code) {
    std::string value;
    if (ParseCmd(name, value, true)) {
        fCfgName = value;
        if (EndsWithCfg(fCfgName)) {
            fCommand = code;
            fCommandType = COMMAND_TYPE_PROGRAMMER;
        }
    }
}

void TOptions::ParseExecuteCmd() {
    ParseFlagCmd("execute", CMD_EXECUTE);
}
void TOptions::ParseRestoreCmd() {
    ParseFileNameCmd("store", CMD_STORE);
}
void TOptions::ParseBackupCmd() {
    ParseFileNameCmd("backup", CMD_BACKUP);
}
void TOptions::ParseGetNameCmd() {
    ParseFlagCmd("getname", CMD_GET_NAME);
}
void TOptions::ParseGetFwVerCmd() {
    ParseFlagCmd("getfwver", CMD_GET_FW_VER);
}
void TOptions::ParseGetCrcCmd() {
    ParseFlagCmd("getcrc", CMD_GET_CRC);
}
void TOptions::ParseBurnTrigger() {
    ParseItemsCmd("burntrigger", CMD_BURN_TRIGGER);
}
void TOptions::ParseSetBaudRate() {
    ParseItemsCmd("setbaudrate", CMD_SET_BAUD_RATE);
}
void TOptions::ParseSetChannel() {
    ParseItemsCmd("setchannel", CMD_SET_CHANNEL);
}

void TOptions::ParseReadIDCmd() {
    std::string value;
    if (ParseCmd("readid", value, true)) {
        fCommandType = COMMAND_TYPE_PROGRAMMER;
        fParameters = SplitParameters(value);
        fCommand = fParameters.size() == 1 ? CMD_DETECT_ID : CMD_READ_ID;
    }
}

bool TOptions::ParseFileCmd(const char* name) {
    std::string value;
    if (!ParseCmd(name, value, true)) {
        return false;
    }
    fParameters = SplitParameters(value);
    fCfgName = ItemAt(fParameters, 0);
    if (!EndsWithCfg(fCfgName)) {
        return false;
    }
    fCommandType = COMMAND_TYPE_FILE;
    return true;
}

void TOptions::ParseFileGetInfo() {
    if (!ParseFileCmd("filegetinfo")) {
        return;
    }
    if (fParameters.size() == 1) {
        fCommand = FILE_CMD_ALL;
        return;
    }
    const std::string& what = fParameters[1];
    if (what == "name") {
        fCommand = FILE_CMD_NAME;
    } else if (what == "channel") {
        fCommand = FILE_CMD_CHANNEL;
    } else if (what == "aparam") {
        fCommand = FILE_CMD_APARAM;
    } else if (what == "patch") {
        fCommand = FILE_CMD_PATCH;
    } else {
        fCommand = FILE_CMD_INVALID;
    }
}

void TOptions::ParseFileChannelUpdate() {
    if (!ParseFileCmd("fileupdatechannel")) {
        return;
    }
    if (fParameters.size() == 2) {
        fCommand = FILE_CMD_UPDATE_CHANNEL;
        fNamedOptions["channel"] = fParameters[1];
    } else {
        fCommand = FILE_CMD_INVALID;
    }
}

void TOptions::ParseCreateConfig() {
    std::string value;
    // A value, if one was given, is ignored: -createCfg works from its named parameters.
    if (ParseCmd("createcfg", value, true)) {
        fNamedOptions = fParser.GetNamedParameters();
        fCommand = FILE_CMD_CREATE_CFG;
        fCommandType = COMMAND_TYPE_FILE;
    }
}

} // namespace ardent
