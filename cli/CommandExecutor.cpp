#include "CommandExecutor.h"

#include "CommandBurner.h"
#include "CommandConfigurationFile.h"
#include "ResultCodes.h"

namespace ardent {

TCommandExecutor::TCommandExecutor(const TOptions& options, TConsole& console,
                                   TRunResult& runResult, TRunReport& report, TProgress& progress)
    : fOptions(options), fConsole(console), fRunResult(runResult), fReport(report),
      fProgress(progress) {
    commandCreateStatus =
        CreateCommand(options.commandType(), options.command(), options.CfgName());
}

int32_t TCommandExecutor::CreateCommand(uint8_t commandType, uint16_t command,
                                        const std::string& name) {
    switch (commandType) {
    case COMMAND_TYPE_DONE:
        return 0;
    case COMMAND_TYPE_FILE:
        fCommand = std::make_unique<TCommandConfigurationFile>(
            command, name, fOptions.namedOptions(), fConsole, fReport);
        return 0;
    case COMMAND_TYPE_PROGRAMMER:
        fCommand = std::make_unique<TCommandBurner>(command, name, fOptions.parameters(), fConsole,
                                                    fRunResult, fReport, fProgress);
        return 0;
    default:
        return ERROR_UNEX_INPUT;
    }
}

int32_t TCommandExecutor::Execute() {
    return fCommand ? fCommand->Execute() : commandCreateStatus;
}

} // namespace ardent
