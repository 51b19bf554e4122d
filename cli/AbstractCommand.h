#pragma once
// One command of an ArdentCmd run: a programmer command or a configuration-file command.

#include <cstdint>
#include <string>
#include <utility>

namespace ardent {

class TAbstractCommand {
public:
    // `command`: the command code chosen by the options; `name`: the configuration-file name
    // (empty when the command uses none).
    TAbstractCommand(uint16_t command, std::string name)
        : fCommand(command), fName(std::move(name)) {}
    virtual ~TAbstractCommand() = default;
    TAbstractCommand(const TAbstractCommand&) = delete;
    TAbstractCommand& operator=(const TAbstractCommand&) = delete;

    // Runs the command; the result becomes the run's result.
    virtual int32_t Execute() = 0;

protected:
    uint16_t fCommand;
    std::string fName;
};

} // namespace ardent
