#pragma once
// A programmer command: connects to the programmer and runs one operation on an operation
// thread, which the main thread waits for.

#include "AbstractCommand.h"
#include "Options.h"

#include <optional>
#include <string_view>

namespace ardent {

// The operation a programmer command runs: the operation thread's name and operation number.
struct TOperationInfo {
    std::string_view threadName;
    int operation;
};

// The operation of command code `command`; nothing when the code has none.
std::optional<TOperationInfo> FindOperation(uint16_t command);

class TCommandBurner : public TAbstractCommand {
public:
    TCommandBurner(uint16_t command, std::string name);

    int32_t Execute() override;
    // Selects the operation of the command code; false, creating nothing, when it has none.
    bool CreateOperationThread();
    // Runs the selected operation to its end and gives its result; ERROR_UNEX_INPUT when no
    // operation was selected.
    int32_t RunAndWaitOperationThread();

private:
    std::optional<TOperationInfo> fOperation;
};

} // namespace ardent
