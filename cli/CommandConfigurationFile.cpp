#include "CommandConfigurationFile.h"

#include "ResultCodes.h"

namespace ardent {

TCommandConfigurationFile::TCommandConfigurationFile(uint16_t command, std::string name,
                                                     const TCLIParser::Dictionary& parameters)
    : TAbstractCommand(command, std::move(name)), fParameters(parameters) {}

int32_t TCommandConfigurationFile::Execute() {
    // No configuration handler is part of this build yet.
    (void)fParameters;
    return ERROR_FILE_CFG;
}

} // namespace ardent
