#include "Options.h"
#include "utils/Errors.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace ardent {
namespace {

using Args = std::vector<std::string>;
using Items = std::vector<std::string>;
using Named = std::map<std::string, std::string>;

TEST(SplitParameters, CommasAreTheOnlySeparatorsAndQuotesGroup) {
    struct Case {
        std::string value;
        Items items;
    };
    const Case cases[] = {
        {"", {}},
        {"DP3B", {"DP3B"}},
        {"DP3B,2", {"DP3B", "2"}},
        {"a b, c", {"a b", " c"}},
        {"a,", {"a", ""}},
        {",a", {"", "a"}},
        {"a,,b", {"a", "", "b"}},
        {"\"x,y\",z", {"x,y", "z"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"open,end", {"open,end"}},
        {"\"ab\"cd,e", {"ab", "cd", "e"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitParameters(c.value), c.items) << "value [" << c.value << "]";
    }
}

// What the options leave for the executor after one command line.
struct Expected {
    uint8_t type;
    uint16_t command;
    std::string cfgName = {};
    Items parameters = {};
    Named named = {};
    bool special = false;
};

struct OptionCase {
    const char* what;
    Args args;
    Expected expected;
};

class OptionsTable : public ::testing::TestWithParam<OptionCase> {};

TEST_P(OptionsTable, SelectsTypeCodeNameAndItems) {
    const OptionCase& c = GetParam();
    TStringConsole console;
    TOptions options(c.args, console);
    EXPECT_TRUE(options.Parse());
    EXPECT_EQ(options.commandType(), c.expected.type);
    EXPECT_EQ(options.command(), c.expected.command);
    EXPECT_EQ(options.CfgName(), c.expected.cfgName);
    EXPECT_EQ(options.parameters(), c.expected.parameters);
    EXPECT_EQ(options.namedOptions(), c.expected.named);
    EXPECT_EQ(options.specialCommand(), c.expected.special);
    EXPECT_EQ(console.Text(), "") << "options print nothing but usage and version";
}

constexpr uint8_t kNone = COMMAND_TYPE_NONE;
constexpr uint8_t kProg = COMMAND_TYPE_PROGRAMMER;
constexpr uint8_t kFile = COMMAND_TYPE_FILE;

const OptionCase kOptionCases[] = {
    {"no arguments", {}, {kNone, 0}},
    {"named --help is no command", {"--help"}, {kNone, 0}},
    {"unknown option", {"-frobnicate"}, {kNone, 0}},
    {"execute", {"-execute"}, {kProg, CMD_EXECUTE}},
    {"names ignore case", {"-EXECUTE"}, {kProg, CMD_EXECUTE}},
    {"execute with a value", {"-execute", "now"}, {kNone, 0}},
    {"two commands", {"-execute", "-getName"}, {kNone, 0}},
    {"two commands with more after", {"-getName", "-getCrc", "-h"}, {kNone, 0}},
    {"negative number is a command", {"-getName", "-5"}, {kNone, 0}},
    {"value before the first option", {"word", "-getName"}, {kProg, CMD_GET_NAME}},
    {"getFwVer", {"-getFwVer"}, {kProg, CMD_GET_FW_VER}},
    {"getCrc", {"-getcrc"}, {kProg, CMD_GET_CRC}},
    {"store", {"-store", "config.cfg"}, {kProg, CMD_STORE, "config.cfg"}},
    {"store .CFG refused", {"-store", "config.CFG"}, {kNone, 0, "config.CFG"}},
    {"store values joined", {"-store", "my", "file.cfg"}, {kProg, CMD_STORE, "my,file.cfg"}},
    {"store without value", {"-store"}, {kNone, 0}},
    {"store value trimmed", {"-store", " a.cfg\t"}, {kProg, CMD_STORE, "a.cfg"}},
    {"backup keeps case", {"-BACKUP", "Out.cfg"}, {kProg, CMD_BACKUP, "Out.cfg"}},
    {"readID one item", {"-readID", "DP3B"}, {kProg, CMD_DETECT_ID, "", {"DP3B"}}},
    {"readID two items", {"-readID", "DP3B", "2"}, {kProg, CMD_READ_ID, "", {"DP3B", "2"}}},
    {"readID alone", {"-readID"}, {kProg, CMD_READ_ID}},
    {"setBaudRate", {"-setBaudRate", "38400"}, {kProg, CMD_SET_BAUD_RATE, "", {"38400"}}},
    {"setChannel", {"-setChannel", "3"}, {kProg, CMD_SET_CHANNEL, "", {"3"}}},
    {"burnTrigger without value", {"-burnTrigger"}, {kProg, CMD_BURN_TRIGGER}},
    {"burnTrigger with value", {"-burnTrigger", "1"}, {kProg, CMD_BURN_TRIGGER, "", {"1"}}},
    {"voltageCycle 4 items",
     {"-voltageCycle", "DP3B,5.0,3.3,10"},
     {kProg, 66, "", {"DP3B", "5.0", "3.3", "10"}, {}, true}},
    {"voltageCycle 6 items",
     {"-voltageCycle", "a,b,c,d,e,f"},
     {kNone, 66, "", {"a", "b", "c", "d", "e", "f"}, {}, true}},
    {"voltageCycle without value", {"-voltageCycle"}, {kNone, 0}},
    {"stopApp without value", {"-stopApp"}, {kNone, 0}},
    {"getInfo one item", {"-getInfo", "DP2B"}, {kNone, 69, "", {"DP2B"}, {}, true}},
    {"getInfo two items", {"-GETINFO", "DP2B", "1"}, {kProg, 69, "", {"DP2B", "1"}, {}, true}},
    {"sync", {"-sync", "3"}, {kProg, 68, "", {"3"}, {}, true}},
    {"writeAparam without value", {"-writeAparam"}, {kNone, 73, "", {}, {}, true}},
    {"writeAparam three items",
     {"-writeAparam", "DP3B", "4", "0x10"},
     {kProg, 73, "", {"DP3B", "4", "0x10"}, {}, true}},
    {"fileGetInfo all", {"-fileGetInfo", "a.cfg"}, {kFile, FILE_CMD_ALL, "a.cfg", {"a.cfg"}}},
    {"fileGetInfo name",
     {"-fileGetInfo", "a.cfg", "name"},
     {kFile, FILE_CMD_NAME, "a.cfg", {"a.cfg", "name"}}},
    {"fileGetInfo channel",
     {"-fileGetInfo", "a.cfg,channel"},
     {kFile, FILE_CMD_CHANNEL, "a.cfg", {"a.cfg", "channel"}}},
    {"fileGetInfo aparam",
     {"-fileGetInfo", "a.cfg", "aparam"},
     {kFile, FILE_CMD_APARAM, "a.cfg", {"a.cfg", "aparam"}}},
    {"fileGetInfo patch",
     {"-fileGetInfo", "a.cfg", "patch"},
     {kFile, FILE_CMD_PATCH, "a.cfg", {"a.cfg", "patch"}}},
    {"fileGetInfo NAME is unknown",
     {"-fileGetInfo", "a.cfg", "NAME"},
     {kFile, FILE_CMD_INVALID, "a.cfg", {"a.cfg", "NAME"}}},
    {"fileGetInfo not .cfg", {"-fileGetInfo", "a.txt"}, {kNone, 0, "a.txt", {"a.txt"}}},
    {"fileUpdateChannel",
     {"-fileUpdateChannel", "a.cfg", "0x000A"},
     {kFile, FILE_CMD_UPDATE_CHANNEL, "a.cfg", {"a.cfg", "0x000A"}, {{"channel", "0x000A"}}}},
    {"fileUpdateChannel one item",
     {"-fileUpdateChannel", "a.cfg"},
     {kFile, FILE_CMD_INVALID, "a.cfg", {"a.cfg"}}},
    {"fileUpdateChannel three items",
     {"-fileUpdateChannel", "a.cfg", "1", "2"},
     {kFile, FILE_CMD_INVALID, "a.cfg", {"a.cfg", "1", "2"}}},
    {"createCfg takes the named parameters",
     {"-createCfg", "--Device", "DP3B", "--baud", "0x9600", "--output", "./Out.cfg"},
     {kFile,
      FILE_CMD_CREATE_CFG,
      "",
      {},
      {{"device", "DP3B"}, {"baud", "0x9600"}, {"output", "./Out.cfg"}}}},
    {"createCfg first duplicate wins",
     {"--device", "dp3b", "-createCfg", "ignored", "--device", "dp2b"},
     {kFile, FILE_CMD_CREATE_CFG, "", {}, {{"device", "dp3b"}}}},
    {"named parameters without createCfg", {"--device", "dp3b"}, {kNone, 0}},
    {"named parameters do not reach other commands",
     {"-getName", "--device", "dp3b"},
     {kProg, CMD_GET_NAME}},
};

INSTANTIATE_TEST_SUITE_P(Options, OptionsTable, ::testing::ValuesIn(kOptionCases),
                         [](const auto& testInfo) {
                             std::string name;
                             for (const char c : std::string(testInfo.param.what)) {
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

TEST(Options, UsageTextForEveryHelpSpellingWhateverFollows) {
    for (const Args& args : {Args{"-h"}, Args{"-HELP"}, Args{"-Help"}, Args{"-?"},
                             Args{"-help", "more", "words"}, Args{"x", "-h", "--device", "a"}}) {
        TStringConsole console;
        TOptions options(args, console);
        EXPECT_FALSE(options.Parse());
        EXPECT_EQ(options.commandType(), COMMAND_TYPE_DONE);
        EXPECT_EQ(console.Text(), TOptions::UsageText() + "Operation completed successfully.\r\n");
    }
}

TEST(Options, UsageTextKeepsItsTrailingBlanksAndLineEnds) {
    const std::string& usage = TOptions::UsageText();
    EXPECT_TRUE(usage.starts_with("ArdentCmd usage\r\n\r\n -h, -help            Show this"));
    EXPECT_NE(usage.find("\r\n -readID <device> <channel> \r\n"), std::string::npos);
    EXPECT_NE(usage.find("<disable short detection> \r\n"), std::string::npos);
    EXPECT_NE(usage.find("establish the UART \r\n"), std::string::npos);
    EXPECT_TRUE(usage.ends_with("bit0~3=CH1~CH4\r\n"));
}

TEST(Options, CmdVerPrintsTheVersionLine) {
    TStringConsole console;
    TOptions options({"-CMDVER", "ignored"}, console);
    EXPECT_FALSE(options.Parse());
    EXPECT_EQ(options.commandType(), COMMAND_TYPE_DONE);
    // Test programs carry no version record; the program itself is covered end to end.
    EXPECT_EQ(console.Text(), "CMD Line version is \r\nOperation completed successfully.\r\n");
}

TEST(Options, FileCommandsWithoutValueRaiseIndexOutOfRange) {
    for (const char* option : {"-fileGetInfo", "-fileUpdateChannel"}) {
        TStringConsole console;
        TOptions options({option}, console);
        EXPECT_THROW(options.Parse(), IndexOutOfRangeError) << option;
    }
}

TEST(Options, CommandAndTypeBeforeParse) {
    TStringConsole console;
    TOptions options({"-execute"}, console);
    EXPECT_EQ(options.command(), 0xFFFF);
    EXPECT_EQ(options.commandType(), COMMAND_TYPE_NONE);
}

} // namespace
} // namespace ardent
