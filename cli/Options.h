#pragma once
// Interprets ArdentCmd's parsed command line against the option table. Answers -h/-help/-? and
// -cmdVer itself; for every other command it leaves a command type, a command code, a
// configuration-file name, the comma-separated parameters and the named options for the
// executor and the commands to read.

#include "CLIParser.h"
#include "Console.h"
#include "ServiceCommands.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ardent {

// Command types: what the executor does with the parsed command.
constexpr uint8_t COMMAND_TYPE_DONE = 1;       // usage text or version, completed while parsing
constexpr uint8_t COMMAND_TYPE_FILE = 2;       // configuration-file command, no programmer
constexpr uint8_t COMMAND_TYPE_PROGRAMMER = 3; // programmer command
constexpr uint8_t COMMAND_TYPE_NONE = 255;     // no valid command

// Command codes of the programmer commands (type 3). 66 to 73 are the service commands
// (ServiceCommands.h).
constexpr uint16_t CMD_EXECUTE = 1;
constexpr uint16_t CMD_STORE = 2;
constexpr uint16_t CMD_BACKUP = 3;
constexpr uint16_t CMD_READ_ID = 4; // one channel: device, channel
constexpr uint16_t CMD_GET_NAME = 5;
constexpr uint16_t CMD_GET_FW_VER = 6;
constexpr uint16_t CMD_GET_CRC = 7;
constexpr uint16_t CMD_SET_BAUD_RATE = 9;
constexpr uint16_t CMD_SET_CHANNEL = 10;
constexpr uint16_t CMD_BURN_TRIGGER = 11;
constexpr uint16_t CMD_DETECT_ID = 12; // all four channels: device only

// Command codes of the configuration-file commands (type 2).
constexpr uint16_t FILE_CMD_NAME = 0;
constexpr uint16_t FILE_CMD_CHANNEL = 1;
constexpr uint16_t FILE_CMD_APARAM = 2;
constexpr uint16_t FILE_CMD_PATCH = 3;
constexpr uint16_t FILE_CMD_ALL = 4;
constexpr uint16_t FILE_CMD_UPDATE_CHANNEL = 5;
constexpr uint16_t FILE_CMD_CREATE_CFG = 6;
// The 16-bit pattern of ERROR_UNEX_INPUT: a file command with unusable items.
constexpr uint16_t FILE_CMD_INVALID = 0xFF83;

// The items of an option value: split at every comma (the only separator; blanks stay inside
// items); an item that begins with a double quote runs to its closing quote, and a doubled quote
// inside it stands for one. An empty value has no items; a trailing comma adds an empty item.
std::vector<std::string> SplitParameters(const std::string& value);

class TOptions {
public:
    // `arguments`: the list after the program name. Usage text and version go to `console`.
    TOptions(std::vector<std::string> arguments, TConsole& console);

    // Interprets the command line. False when the request was completed while parsing (usage
    // text, version), true otherwise; callers read the fields either way. -fileGetInfo and
    // -fileUpdateChannel without a value throw IndexOutOfRangeError.
    bool Parse();

    const std::string& CfgName() const { return fCfgName; }
    uint16_t command() const { return fCommand; }
    uint8_t commandType() const { return fCommandType; }
    bool specialCommand() const { return fSpecialCMd; }
    const std::vector<std::string>& parameters() const { return fParameters; }
    const TCLIParser::Dictionary& namedOptions() const { return fNamedOptions; }
    // The command option of the parsed command line, lower case without its dash ("execute");
    // empty when the line has none.
    std::string commandOption() const { return fParser.CommandName(); }
    // The value given to that option (empty when none).
    std::string commandValue() const { return fParser.GetValue(fParser.CommandName()); }
    // Every named option given ("--device dp3b"), whichever command reads it.
    const TCLIParser::Dictionary& givenNamedOptions() const { return fParser.GetNamedParameters(); }

    // The usage text: CR LF after every line, the last one included.
    static const std::string& UsageText();

private:
    bool ParseCmd(const std::string& cmd, std::string& value, bool hasArgument) const;
    bool ParseSpecialCMD();
    void ParseExecuteCmd();
    void ParseRestoreCmd();
    void ParseBackupCmd();
    void ParseGetNameCmd();
    void ParseReadIDCmd();
    void ParseGetFwVerCmd();
    void ParseGetCrcCmd();
    void ParseFileGetInfo();
    void ParseFileChannelUpdate();
    void ParseBurnTrigger();
    void ParseSetBaudRate();
    void ParseSetChannel();
    void ParseCreateConfig();
    // An option without a value that selects a programmer command.
    void ParseFlagCmd(const char* name, uint16_t code);
    // An option with a value whose items become the parameters of a programmer command.
    void ParseItemsCmd(const char* name, uint16_t code);
    // -fileGetInfo and -fileUpdateChannel: item 0 is the file name (an error when there is no
    // item); true, with the file type set, when it ends in ".cfg".
    bool ParseFileCmd(const char* name);
    // -store and -backup: the whole value is the file name; only a ".cfg" name selects `code`.
    void ParseFileNameCmd(const char* name, uint16_t code);

    TCLIParser fParser;
    TConsole& fConsole;
    std::string fCfgName;
    uint16_t fCommand = 0xFFFF;
    uint8_t fCommandType = COMMAND_TYPE_NONE;
    bool fSpecialCMd = false;
    bool fOptional = false;
    std::vector<std::string> fParameters;
    TCLIParser::Dictionary fNamedOptions;
};

} // namespace ardent
