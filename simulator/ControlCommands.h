#pragma once
// The control commands of the simulated programmer: one text line in, one reply line out
// ("ok ..." or "error <reason>"). They act on the programmer as a person at the line would (plug,
// trigger, card, chips) or arm faults. See ControlHelp() for the list.

#include "ProgrammerEngine.h"

#include <string>

namespace ardent::sim {

struct TControlResult {
    std::string reply;    // one line without its line end
    TEngineOutput output; // reports the programmer sends because of the command
    bool quit = false;    // the daemon should stop
};

TControlResult ExecuteControlLine(TProgrammerEngine& engine, const std::string& line);

// The command list, one command per line.
const char* ControlHelp();

} // namespace ardent::sim
