#pragma once
// The table ardent-programmers prints: each programmer the transport library sees, whether this
// user may open it, and which process holds it.

#include "protocol/ProgrammerListing.h"

#include <functional>
#include <optional>
#include <string>

namespace ardent {

using HolderLookup = std::function<std::optional<TProgrammerHolder>(const std::string& key)>;

struct TProgrammerTable {
    std::string text;   // every line ends in "\n"
    int exitStatus = 0; // 0 when the library could list (also when none is connected), else 1
};

TProgrammerTable ProgrammerTable(const TProgrammerListing& listing, const HolderLookup& holder);

} // namespace ardent
