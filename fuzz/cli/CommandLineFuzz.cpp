// The command line of ArdentCmd from arbitrary bytes: NUL bytes split the input into arguments,
// which the parser and the options then interpret as the program would, down to the channel
// value of -fileUpdateChannel.

#include "ConfigurationHandler.h"
#include "Options.h"
#include "utils/Errors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back().push_back(static_cast<char>(data[i]));
        }
    }
    // The usage text and the version go to a string, not to the fuzzer's output.
    ardent::TStringConsole console;
    ardent::TOptions options(arguments, console);
    try {
        options.Parse();
    } catch (const ardent::IndexOutOfRangeError&) {
        // A file command without its file name: reported by the top-level handler.
    }
    // The channel value of -fileUpdateChannel is read from the same outside bytes.
    if (options.commandType() == ardent::COMMAND_TYPE_FILE &&
        options.command() == ardent::FILE_CMD_UPDATE_CHANNEL) {
        uint32_t channel = 0;
        if (ardent::TConfigurationHandler::ParseChannelSelection(
                options.namedOptions().at("channel"), channel) == 0 &&
            (channel < 1 || channel > 15)) {
            __builtin_trap();
        }
    }
    // Every selected command is either complete or rejected, never half set.
    const auto type = options.commandType();
    if (type != ardent::COMMAND_TYPE_DONE && type != ardent::COMMAND_TYPE_FILE &&
        type != ardent::COMMAND_TYPE_PROGRAMMER && type != ardent::COMMAND_TYPE_NONE) {
        __builtin_trap();
    }
    return 0;
}
