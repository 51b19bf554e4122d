#pragma once
// -createCfg: builds a DP3B .cfg file from its patch and parameter files, the baud rate, the
// channel selection and the output name, all given as named parameters, without a programmer.

#include "CLIParser.h"
#include "Console.h"
#include "configuration/Configuration.h"
#include "targets/TargetDP3B.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ardent {

class TCreateConfigurationFile {
public:
    // `parameters`: the named parameters (lower-case names); absent ones read as empty. Load
    // messages and the success line go to `console`.
    TCreateConfigurationFile(const TCLIParser::Dictionary& parameters, TConsole& console);

    // 0 once the file is written; ERROR_INVALID_PARAMETERS when a step refuses (a DP3B load
    // message may come first); ERROR_CFG_NOT_LOADED when the image cannot be built. Errors of
    // the file system propagate.
    int32_t CreateConfiguration();

private:
    void fillParameter(const TCLIParser::Dictionary& parameters);
    static std::string getParameter(const TCLIParser::Dictionary& parameters,
                                    const std::string& key);
    // A 16-bit number of a named parameter (decimal, or hexadecimal with "0x" or "$"); 0, which
    // every check refuses, when the text is empty, not a number or beyond 16 bits.
    static uint16_t getWordParameter(const std::string& text);

    bool createTarget();
    bool setBaudrate();
    bool setName();
    bool setChannel();
    bool loadFiles();
    int32_t writeConfigurationToFile();
    // Refuses when a DP3B load `code` is above 0, after printing its message.
    bool acceptLoadCode(int code);

    TTargetFamily mFamily = TTargetFamily::NotRecognised;
    std::string mFirmware;
    std::string mParameter;
    std::string mPatch;
    uint16_t mBaudRate = 0;
    uint16_t mChannel = 0;
    std::string mOutput;
    TConsole& fConsole;
    TConsoleMessages fMessages;
    std::unique_ptr<TTargetDP3B> mTarget;
    TConfiguration mConfiguration;
};

} // namespace ardent
