#pragma once
// A configuration-file command: inspects or rewrites a .cfg file, or builds one from input
// files. Needs no programmer.

#include "AbstractCommand.h"
#include "CLIParser.h"

namespace ardent {

class TCommandConfigurationFile : public TAbstractCommand {
public:
    // `parameters`: the named options of the command line (not owned).
    TCommandConfigurationFile(uint16_t command, std::string name,
                              const TCLIParser::Dictionary& parameters);

    int32_t Execute() override;

private:
    const TCLIParser::Dictionary& fParameters;
};

} // namespace ardent
