#include "CommandBurner.h"

#include "ResultCodes.h"

#include <array>

namespace ardent {

namespace {

struct TOperationRow {
    uint16_t command;
    TOperationInfo info;
};

constexpr std::array<TOperationRow, 11> kOperationTable = {{
    {CMD_EXECUTE, {"Trigger", 8}},
    {CMD_STORE, {"Store", 5}},
    {CMD_BACKUP, {"Read configuration", 6}},
    {CMD_READ_ID, {"ReadID", 7}},
    {CMD_GET_NAME, {"GetName", 3}},
    {CMD_GET_FW_VER, {"Get fw", 1}},
    {CMD_GET_CRC, {"Get crc", 2}},
    {CMD_SET_BAUD_RATE, {"Set baud rate", 0}},
    {CMD_SET_CHANNEL, {"Set channel", 10}},
    {CMD_BURN_TRIGGER, {"Set trigger behavior", 4}},
    {CMD_DETECT_ID, {"DetectID", 11}},
}};

constexpr TOperationInfo kSpecialOperation = {"Special command", 9};

} // namespace

std::optional<TOperationInfo> FindOperation(uint16_t command) {
    if (command >= CMD_FIRST_SPECIAL && command < CMD_FIRST_SPECIAL + SpecialCommandTable.size()) {
        return kSpecialOperation;
    }
    for (const TOperationRow& row : kOperationTable) {
        if (row.command == command) {
            return row.info;
        }
    }
    return std::nullopt;
}

TCommandBurner::TCommandBurner(uint16_t command, std::string name)
    : TAbstractCommand(command, std::move(name)) {}

int32_t TCommandBurner::Execute() {
    // This build carries no HID controller, so no programmer can be connected and no operation
    // runs.
    return ERROR_PROG_CONNECT;
}

bool TCommandBurner::CreateOperationThread() {
    fOperation = FindOperation(fCommand);
    return fOperation.has_value();
}

int32_t TCommandBurner::RunAndWaitOperationThread() {
    if (!fOperation) {
        return ERROR_UNEX_INPUT;
    }
    // No operation thread is part of this build: an operation cannot run.
    return ERROR_PROG_CONNECT;
}

} // namespace ardent
