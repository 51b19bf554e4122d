#pragma once
// The service commands of ArdentCmd: each acts on a single target, goes out as one request of
// the voltage or service module, and is bounded in the number of its comma-separated items.

#include "protocol/PacketFormat.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace ardent {

// Command codes of the service commands, in the order of SpecialCommandTable.
constexpr uint16_t CMD_VOLTAGE_CYCLE = 66;
constexpr uint16_t CMD_SET_VOLTAGE = 67;
constexpr uint16_t CMD_SYNC = 68;
constexpr uint16_t CMD_GET_INFO = 69;
constexpr uint16_t CMD_BURN_APARAM = 70;
constexpr uint16_t CMD_READ_APARAM = 71;
constexpr uint16_t CMD_STOP_APP = 72;
constexpr uint16_t CMD_WRITE_APARAM = 73;
constexpr uint16_t CMD_FIRST_SPECIAL = CMD_VOLTAGE_CYCLE;

// One service command: its option name, the packet header bytes it is sent with, and the bounds
// on its comma-separated items.
struct TSpecialCommandInfo {
    std::string_view name;
    uint8_t module;
    uint8_t opCode;
    uint8_t hasArgument;
    uint8_t minArgs;
    uint8_t maxArgs;
};

// Row i has the command code CMD_FIRST_SPECIAL + i; the options try the rows in this order.
inline constexpr std::array<TSpecialCommandInfo, 8> SpecialCommandTable = {{
    {"voltageCycle", MODULE_VOLTAGE, VoltageOp::VoltageCycle, 1, 4, 5},
    {"setVoltage", MODULE_VOLTAGE, VoltageOp::SetVoltage, 1, 1, 1},
    {"sync", MODULE_SERVICE, ServiceOp::Sync, 1, 1, 1},
    {"getInfo", MODULE_SERVICE, ServiceOp::GetInfo, 1, 2, 2},
    {"burnAparam", MODULE_SERVICE, ServiceOp::BurnAparam, 1, 3, 3},
    {"readAparam", MODULE_SERVICE, ServiceOp::ReadAparam, 1, 2, 2},
    {"stopApp", MODULE_SERVICE, ServiceOp::StopApp, 1, 1, 1},
    {"writeAparam", MODULE_SERVICE, ServiceOp::WriteAparam, 1, 3, 3},
}};

// The row of service command `command`; null for every other command code.
const TSpecialCommandInfo* FindSpecialCommand(uint16_t command);

} // namespace ardent
