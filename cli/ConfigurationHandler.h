#pragma once
// TConfigurationHandler: ArdentCmd's view of one .cfg file without any programmer. Prints its
// name, channel selection, parameter checksum and patch ID (-fileGetInfo), rewrites its channel
// selection (-fileUpdateChannel), prepares the image -store sends, and hands -createCfg on to
// the configuration builder.

#include "CLIParser.h"
#include "Console.h"
#include "RunReport.h"
#include "configuration/Configuration.h"
#include "targets/Target.h"
#include "utils/Bytes.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ardent {

class TConfigurationHandler {
public:
    // Lines go to `console`.
    TConfigurationHandler(std::string fileName, TConsole& console);
    // For the store operation, which prints nothing of the handler's.
    explicit TConfigurationHandler(std::string fileName);

    // The output operations of -fileGetInfo. Each loads the file again and prints its lines,
    // also when the file cannot be read (an empty name, the empty configuration's channels,
    // "Error" for an ID). 0, or ERROR_CFG_NOT_LOADED when a line stands for what could not be
    // read: the file (missing, unreadable, refused, or failing its checks) or its IDs, so a
    // script can tell a missing file from a configuration. Names show control bytes as "?".
    int32_t writeNameToSTDout();
    int32_t writeChannelToSTDout();
    int32_t writeParametersToSTDOut();
    int32_t writePatchToSTDOut();
    int32_t writeAllParameters();

    // -fileUpdateChannel: sets the channel selection `channelSelection` (1 to 15, decimal or
    // hexadecimal) and rewrites `fileName` atomically in the current layout. 0, or
    // ERROR_CFG_NOT_LOADED when the file cannot be read, the value is unusable or the image
    // cannot be built; the file is untouched then. A file-system error while writing
    // propagates (FileSystemError), leaving the old file whole.
    int32_t updateChannel(const std::string& fileName, const std::string& channelSelection);

    // -createCfg: builds and writes a configuration from the named options.
    int32_t createConfiguration(const TCLIParser::Dictionary& parameters);

    // Loads the file and builds its image and CRC into `buffer` and `crc`. False when the file
    // cannot be loaded or its image cannot be built (then nothing may be stored).
    bool prepareConfigurationForSend(Bytes& buffer, uint16_t& crc);

    // What the file holds, for the run's report: name, size and CRC of its image, family, baud
    // rate, channel selection, and the parameter checksum and patch ID as -fileGetInfo prints
    // them. Nothing when the file cannot be loaded or its image cannot be built. Prints nothing.
    std::optional<TConfigurationFacts> Facts();

    // Reads `text` as a channel selection: optional leading blanks and sign, then decimal
    // digits, or hexadecimal digits after "0x", "0X", "x", "X" or "$"; nothing may follow. 0 with
    // `value` set when the whole text is such a number from 1 to 15, otherwise ERROR_UNEX_INPUT.
    static int32_t ParseChannelSelection(const std::string& text, uint32_t& value);

private:
    bool LoadConfiguration();
    bool LoadTarget();
    std::string GetNameText();
    std::string GetChannelText();
    std::string GetIdText(const std::string& rowName);
    // The result of the output operation that just printed its lines.
    int32_t OutputResult();

    std::string mFileName;
    TConfiguration mConfigurationFile;
    std::unique_ptr<TTarget> mTarget;
    // A line of the current output operation stands for something that could not be read.
    bool mShownUnreadable = false;
    TConsole& fConsole;
};

} // namespace ardent
