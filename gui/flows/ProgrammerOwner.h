#pragma once
// The window's claim on its programmer: the owner lock of the chosen programmer (or of the one
// connected when none was chosen), taken before the transport starts, and the line that says why
// there is no programmer.

#include "protocol/ProgrammerListing.h"
#include "protocol/ProgrammerLock.h"

#include <optional>
#include <string>

namespace ardent {

class TProgrammerOwner {
public:
    // `chosen`: the selection (ARDENT_PROGRAMMER, "" for none); `program`: the name recorded
    // in the lock; `lockFolder` empty: ProgrammerLockFolder.
    TProgrammerOwner(std::string chosen, std::string program, std::string lockFolder = {});

    // Takes the programmer's lock, unless there is nothing to own (none chosen and not exactly
    // one connected). False while another process holds it, or its lock file cannot be made;
    // Problem then says which.
    bool TryTake();
    bool Holds() const { return fLock.has_value(); }
    // Why there is no programmer now: the holder after a failed TryTake, else what the transport
    // library tells.
    std::string Problem() const;

private:
    std::string fChosen;
    std::string fProgram;
    std::string fLockFolder;
    std::optional<TProgrammerLock> fLock;
    std::optional<TProgrammerHolder> fHolder;
    std::string fLockProblem;
};

} // namespace ardent
