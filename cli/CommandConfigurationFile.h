#pragma once
// A configuration-file command: inspects or rewrites a .cfg file, or builds one from input
// files. Needs no programmer.

#include "AbstractCommand.h"
#include "CLIParser.h"
#include "ConfigurationHandler.h"
#include "Console.h"
#include "RunReport.h"

#include <memory>

namespace ardent {

class TCommandConfigurationFile : public TAbstractCommand {
public:
    // `parameters`: the named options of the command line (not owned); lines go to `console`,
    // the configuration the command looked at or wrote to `report`.
    TCommandConfigurationFile(uint16_t command, std::string name,
                              const TCLIParser::Dictionary& parameters, TConsole& console,
                              TRunReport& report);

    // The result of the handler operation the command code selects; ERROR_UNEX_INPUT for a code
    // without one.
    int32_t Execute() override;

private:
    int32_t RunHandlerOperation();
    // The file the command read or wrote: the configuration file, or -createCfg's output.
    std::string ReportedFile() const;

    std::unique_ptr<TConfigurationHandler> fConfigurationHandler;
    const TCLIParser::Dictionary& fParameters;
    TRunReport& fReport;
};

} // namespace ardent
