#include "CommandConfigurationFile.h"

#include "Options.h"
#include "ResultCodes.h"

namespace ardent {

TCommandConfigurationFile::TCommandConfigurationFile(uint16_t command, std::string name,
                                                     const TCLIParser::Dictionary& parameters,
                                                     TConsole& console, TRunReport& report)
    : TAbstractCommand(command, std::move(name)),
      fConfigurationHandler(std::make_unique<TConfigurationHandler>(fName, console)),
      fParameters(parameters), fReport(report) {}

std::string TCommandConfigurationFile::ReportedFile() const {
    if (fCommand != FILE_CMD_CREATE_CFG) {
        return fName;
    }
    const auto output = fParameters.find("output");
    return output == fParameters.end() ? std::string() : output->second;
}

int32_t TCommandConfigurationFile::Execute() {
    const int32_t result = RunHandlerOperation();
    // A file the command could not read, or did not write, has nothing to report.
    if (result == 0) {
        if (std::optional<TConfigurationFacts> facts =
                TConfigurationHandler(ReportedFile()).Facts()) {
            fReport.SetConfiguration(std::move(*facts));
        }
    }
    return result;
}

int32_t TCommandConfigurationFile::RunHandlerOperation() {
    if (!fConfigurationHandler) {
        return ERROR_FILE_CFG;
    }
    TConfigurationHandler& handler = *fConfigurationHandler;
    switch (fCommand) {
    case FILE_CMD_NAME:
        return handler.writeNameToSTDout();
    case FILE_CMD_CHANNEL:
        return handler.writeChannelToSTDout();
    case FILE_CMD_APARAM:
        return handler.writeParametersToSTDOut();
    case FILE_CMD_PATCH:
        return handler.writePatchToSTDOut();
    case FILE_CMD_ALL:
        return handler.writeAllParameters();
    case FILE_CMD_UPDATE_CHANNEL: {
        const auto channel = fParameters.find("channel");
        return handler.updateChannel(fName, channel == fParameters.end() ? std::string()
                                                                         : channel->second);
    }
    case FILE_CMD_CREATE_CFG:
        return handler.createConfiguration(fParameters);
    default:
        return ERROR_UNEX_INPUT;
    }
}

} // namespace ardent
