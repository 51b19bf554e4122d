#pragma once
// Whether this ArdentCmd may run now. With a chosen programmer (ARDENT_PROGRAMMER), only a
// process holding that programmer's lock stands in the way, so line scripts drive several
// programmers at once; without one, any other running ArdentCmd does. ARDENTCMD_WAIT_S makes a
// second run wait its turn instead of being refused at once.

#include "protocol/ProgrammerLock.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace ardent {

struct TInstanceGate {
    bool mayRun = false;
    // With a chosen programmer: its lock, held for the whole run.
    std::unique_ptr<TProgrammerLock> lock;
    // With a chosen programmer and refused: who holds it, or why its lock file could not be
    // opened (a line without line break; empty when it could).
    std::optional<TProgrammerHolder> holder;
    std::string lockProblem;
};

// `programName`: this program's executable file name (the machine-wide rule counts processes of
// that name); `chosen`: ARDENT_PROGRAMMER ("" when unset); `wait`: how long to wait for the turn
// (0 = refuse at once); `lockFolder` empty: ProgrammerLockFolder.
TInstanceGate EnterInstanceGate(const std::string& programName, const std::string& chosen,
                                std::chrono::milliseconds wait, const std::string& lockFolder = {});

// The machine-wide rule: true when, within `wait`, no other process named `programName` runs
// that is not itself waiting. Waiting runs line up behind one another (one turn file in
// `lockFolder`), so several waiting runs go one after another rather than all giving up.
bool WaitForMachineWideTurn(const std::string& programName, std::chrono::milliseconds wait,
                            const std::string& lockFolder);

} // namespace ardent
