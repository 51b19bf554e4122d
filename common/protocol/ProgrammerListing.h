#pragma once
// What a transport library can tell about the programmers it sees (its optional listing
// export), and the one line that says why no programmer could be connected.

#include "protocol/ProgrammerLock.h"

#include <optional>
#include <string>
#include <vector>

namespace ardent {

struct TProgrammerInfo {
    std::string serial;      // "" when the device reports none
    std::string path;        // device path (or the simulated programmer's socket)
    bool accessible = false; // this user may open it
    // The lock key of this programmer: its serial, or its path when it has none.
    const std::string& Key() const { return serial.empty() ? path : serial; }
};

struct TProgrammerListing {
    enum class EStatus {
        NoLibrary,    // no candidate library could be loaded
        NotSupported, // the library has no listing export
        Failed,       // the library could not look
        Listed,
    };
    EStatus status = EStatus::NoLibrary;
    std::string library;                      // the file that was loaded ("" with NoLibrary)
    std::vector<std::string> candidates;      // where the library was looked for
    std::vector<TProgrammerInfo> programmers; // with Listed
};

// Asks the first loadable file of HidLibraryCandidates for its programmers. The library is
// loaded for the question only (its start-up export is not called), so this may run before,
// beside or after a connection.
TProgrammerListing ListProgrammers();
// The same for given candidate files.
TProgrammerListing ListProgrammers(const std::vector<std::string>& candidates);

// The programmer `chosen` (a serial number or a device path) names, among the listed ones.
const TProgrammerInfo* FindProgrammer(const TProgrammerListing& listing, const std::string& chosen);
// The lock key for the selection `chosen`: the serial of the listed programmer it names, else
// `chosen` itself (a path of an unlisted device locks under that path).
std::string LockKeyFor(const TProgrammerListing& listing, const std::string& chosen);

// The lock a program takes before talking to the programmer: the chosen one's (LockKeyFor), or,
// with none chosen, the one listed programmer's. Nothing when none was chosen and not exactly
// one is listed: the connection then fails or cannot be judged, and there is nothing to own.
std::optional<std::string> ProgrammerToLock(const TProgrammerListing& listing,
                                            const std::string& chosen);

// The environment variable that chooses a programmer.
inline constexpr const char* kProgrammerEnvironment = "ARDENT_PROGRAMMER";
// Its value; "" when unset.
std::string ChosenProgrammer();

// The facts a failed connection is judged from.
struct TConnectFacts {
    TProgrammerListing listing;
    std::string chosen; // ARDENT_PROGRAMMER, "" when none was chosen
    // Who holds the programmer in question, when someone else does.
    std::optional<TProgrammerHolder> holder;
    // Why its lock could not be taken at all ("" when it could be tried).
    std::string lockProblem;
};

// Why the lock of `lock` could not be taken at all, from its OpenError ("" when it was tried).
std::string LockProblem(const TProgrammerLock& lock);

// One line (without line break) saying why no programmer could be connected.
std::string DescribeConnectFailure(const TConnectFacts& facts);

} // namespace ardent
