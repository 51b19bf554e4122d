#pragma once
// A configuration-file command: inspects or rewrites a .cfg file, or builds one from input
// files. Needs no programmer.

#include "AbstractCommand.h"
#include "CLIParser.h"
#include "ConfigurationHandler.h"
#include "Console.h"

#include <memory>

namespace ardent {

class TCommandConfigurationFile : public TAbstractCommand {
public:
    // `parameters`: the named options of the command line (not owned); lines go to `console`.
    TCommandConfigurationFile(uint16_t command, std::string name,
                              const TCLIParser::Dictionary& parameters, TConsole& console);

    // The result of the handler operation the command code selects; ERROR_UNEX_INPUT for a code
    // without one.
    int32_t Execute() override;

private:
    std::unique_ptr<TConfigurationHandler> fConfigurationHandler;
    const TCLIParser::Dictionary& fParameters;
};

} // namespace ardent
