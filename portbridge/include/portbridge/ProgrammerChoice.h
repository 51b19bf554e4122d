#pragma once
// Which of the programmers a transport library sees it connects to, and how it hands its list to
// a host. Both libraries (USB and simulated) apply the same rule, so a line script behaves the
// same on the line and in a dry run:
// - ARDENT_PROGRAMMER unset or empty: the one programmer there is; with several, none (the
//   program must not guess which chips it burns).
// - ARDENT_PROGRAMMER with a '/': a device path (a hidraw node or a simulator socket; a symbolic
//   link to it, such as a udev alias, counts as the node it leads to).
// - otherwise: a serial number.

#include "portbridge/ProgrammerList.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <climits>
#include <stdlib.h>

namespace ardent::portbridge {

inline constexpr char kProgrammerVariable[] = "ARDENT_PROGRAMMER";

struct TProgrammerInfo {
    std::string serial;
    std::string path;
    bool accessible = true;
};

// ARDENT_PROGRAMMER, or "" when unset.
inline std::string ChosenProgrammer() {
    const char* chosen = std::getenv(kProgrammerVariable);
    return chosen != nullptr ? std::string(chosen) : std::string();
}

inline bool IsPathChoice(const std::string& choice) {
    return choice.find('/') != std::string::npos;
}

namespace detail {
inline std::string CanonicalPath(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}
} // namespace detail

// The index in `programmers` the choice selects, or nothing (none there, several and no choice,
// or the chosen one absent).
inline std::optional<size_t> SelectProgrammer(const std::vector<TProgrammerInfo>& programmers,
                                              const std::string& choice) {
    if (choice.empty()) {
        if (programmers.size() == 1)
            return 0;
        return std::nullopt;
    }
    if (IsPathChoice(choice)) {
        const std::string wanted = detail::CanonicalPath(choice);
        for (size_t i = 0; i < programmers.size(); ++i) {
            if (programmers[i].path == choice ||
                detail::CanonicalPath(programmers[i].path) == wanted)
                return i;
        }
        return std::nullopt;
    }
    for (size_t i = 0; i < programmers.size(); ++i) {
        if (programmers[i].serial == choice)
            return i;
    }
    return std::nullopt;
}

// Copies the list into the host's entries (strings cut to fit, always NUL-terminated) and answers
// how many there are, as ArdentListProgrammers does.
inline int32_t FillProgrammerEntries(const std::vector<TProgrammerInfo>& programmers,
                                     ArdentProgrammerEntry* entries, int32_t capacity) {
    const auto copy = [](char* target, size_t size, const std::string& text) {
        const size_t length = text.size() < size - 1 ? text.size() : size - 1;
        std::memcpy(target, text.data(), length);
        target[length] = '\0';
    };
    const size_t room = entries != nullptr && capacity > 0 ? static_cast<size_t>(capacity) : 0;
    for (size_t i = 0; i < programmers.size() && i < room; ++i) {
        ArdentProgrammerEntry& entry = entries[i];
        std::memset(&entry, 0, sizeof entry);
        copy(entry.serial, sizeof entry.serial, programmers[i].serial);
        copy(entry.path, sizeof entry.path, programmers[i].path);
        entry.accessible = programmers[i].accessible ? 1 : 0;
    }
    return programmers.size() > INT32_MAX ? INT32_MAX : static_cast<int32_t>(programmers.size());
}

} // namespace ardent::portbridge
