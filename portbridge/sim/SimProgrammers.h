#pragma once
// Which simulated programmers libportbridge-sim.so sees, and which one it connects to. With
// ARDENT_SIM_LINE=<folder> it sees every programmer answering on <folder>/<serial>.sock; without
// it, the one simulator on ARDENT_SIM_SOCKET (or its default). ARDENT_PROGRAMMER chooses among
// them as it does among USB programmers (portbridge/ProgrammerChoice.h).

#include "portbridge/ProgrammerChoice.h"

#include <optional>
#include <string>
#include <vector>

namespace ardent::portbridge {

// The programmers answering now (a socket file nobody answers on, or an unplugged programmer, is
// not one), sorted by serial number; nothing when the line folder cannot be read.
std::optional<std::vector<TProgrammerInfo>> ListSimProgrammers();

// The socket of the programmer to connect to now, or "" when there is none to choose: none
// there, several and none chosen, or the chosen one absent.
std::string ChooseSimSocket();

} // namespace ardent::portbridge
