#include "ServiceCommands.h"

namespace ardent {

const TSpecialCommandInfo* FindSpecialCommand(uint16_t command) {
    if (command < CMD_FIRST_SPECIAL || command >= CMD_FIRST_SPECIAL + SpecialCommandTable.size())
        return nullptr;
    return &SpecialCommandTable[command - CMD_FIRST_SPECIAL];
}

} // namespace ardent
