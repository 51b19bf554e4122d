#include "protocol/ProgrammerListing.h"

#include "portbridge/ProgrammerList.h"
#include "protocol/HidLibrary.h"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace ardent {

namespace {

std::string FixedText(const char* text, size_t capacity) {
    return std::string(text, strnlen(text, capacity));
}

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty())
            text += ", ";
        text += item;
    }
    return text;
}

std::string SerialsOf(const TProgrammerListing& listing) {
    std::vector<std::string> keys;
    for (const TProgrammerInfo& programmer : listing.programmers)
        keys.push_back(programmer.Key());
    return Joined(keys);
}

constexpr const char* kPrefix = "No programmer: ";
constexpr const char* kAccessFix =
    "; install the package's udev rule (60-ardent-programmer.rules) or add this user to the "
    "plugdev group, then plug the programmer in again";

} // namespace

TProgrammerListing ListProgrammers() {
    return ListProgrammers(HidLibraryCandidates());
}

TProgrammerListing ListProgrammers(const std::vector<std::string>& candidates) {
    TProgrammerListing listing;
    listing.candidates = candidates;
    void* handle = nullptr;
    for (const std::string& candidate : candidates) {
        handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr) {
            listing.library = candidate;
            break;
        }
    }
    if (handle == nullptr)
        return listing;
    const auto list = reinterpret_cast<portbridge::ListProgrammersFunction>(
        dlsym(handle, portbridge::kListProgrammersExport));
    if (list == nullptr) {
        listing.status = TProgrammerListing::EStatus::NotSupported;
        dlclose(handle);
        return listing;
    }
    // The count may grow between two calls (a programmer plugged in); a few rounds settle it.
    std::vector<ArdentProgrammerEntry> entries;
    int32_t count = list(nullptr, 0);
    for (int round = 0; round < 4 && count >= 0 && static_cast<size_t>(count) > entries.size();
         ++round) {
        entries.assign(static_cast<size_t>(count), ArdentProgrammerEntry{});
        count = list(entries.data(), static_cast<int32_t>(entries.size()));
    }
    dlclose(handle);
    if (count < 0) {
        listing.status = TProgrammerListing::EStatus::Failed;
        return listing;
    }
    listing.status = TProgrammerListing::EStatus::Listed;
    const size_t filled = std::min(entries.size(), static_cast<size_t>(count));
    for (size_t i = 0; i < filled; ++i) {
        const ArdentProgrammerEntry& entry = entries[i];
        listing.programmers.push_back({FixedText(entry.serial, sizeof entry.serial),
                                       FixedText(entry.path, sizeof entry.path),
                                       entry.accessible != 0});
    }
    return listing;
}

const TProgrammerInfo* FindProgrammer(const TProgrammerListing& listing,
                                      const std::string& chosen) {
    if (chosen.empty())
        return nullptr;
    for (const TProgrammerInfo& programmer : listing.programmers) {
        if (programmer.serial == chosen || programmer.path == chosen)
            return &programmer;
    }
    return nullptr;
}

std::string LockKeyFor(const TProgrammerListing& listing, const std::string& chosen) {
    const TProgrammerInfo* programmer = FindProgrammer(listing, chosen);
    return programmer != nullptr ? programmer->Key() : chosen;
}

std::optional<std::string> ProgrammerToLock(const TProgrammerListing& listing,
                                            const std::string& chosen) {
    if (!chosen.empty())
        return LockKeyFor(listing, chosen);
    if (listing.status == TProgrammerListing::EStatus::Listed && listing.programmers.size() == 1)
        return listing.programmers.front().Key();
    return std::nullopt;
}

std::string ChosenProgrammer() {
    const char* chosen = std::getenv(kProgrammerEnvironment);
    return chosen == nullptr ? std::string() : std::string(chosen);
}

std::string LockProblem(const TProgrammerLock& lock) {
    if (lock.OpenError() == 0)
        return {};
    return "programmer " + lock.Key() + " cannot be locked: " + lock.File() + ": " +
           std::strerror(lock.OpenError());
}

std::string DescribeConnectFailure(const TConnectFacts& facts) {
    using EStatus = TProgrammerListing::EStatus;
    const TProgrammerListing& listing = facts.listing;
    if (!facts.lockProblem.empty())
        return kPrefix + facts.lockProblem;
    if (facts.holder) {
        std::string name = facts.chosen;
        if (name.empty() && listing.programmers.size() == 1)
            name = listing.programmers.front().Key();
        return kPrefix + std::string("programmer ") + name +
               " is held by another process: " + DescribeHolder(*facts.holder);
    }
    switch (listing.status) {
    case EStatus::NoLibrary:
        return kPrefix + std::string("the transport library could not be loaded (looked for: ") +
               Joined(listing.candidates) + ")";
    case EStatus::NotSupported:
        return kPrefix +
               std::string("the programmer could not be opened; listing programmers "
                           "is not supported by the transport library ") +
               listing.library + ", so the cause cannot be told";
    case EStatus::Failed:
        return kPrefix +
               std::string("the programmer could not be opened, and the transport "
                           "library ") +
               listing.library + " could not look for programmers";
    case EStatus::Listed:
        break;
    }
    if (listing.programmers.empty())
        return kPrefix + std::string("none is connected");
    if (!facts.chosen.empty()) {
        const TProgrammerInfo* programmer = FindProgrammer(listing, facts.chosen);
        if (programmer == nullptr) {
            return kPrefix + std::string("the chosen programmer ") + facts.chosen +
                   " is not connected (connected: " + SerialsOf(listing) + ")";
        }
        if (!programmer->accessible) {
            return kPrefix + programmer->Key() + " (" + programmer->path +
                   ") is connected but this user may not open it" + kAccessFix;
        }
        return kPrefix + programmer->Key() + " (" + programmer->path +
               ") is connected but could not be opened";
    }
    if (listing.programmers.size() > 1) {
        return kPrefix + std::string("several are connected and none was chosen; set ") +
               kProgrammerEnvironment + " to one of: " + SerialsOf(listing);
    }
    const TProgrammerInfo& only = listing.programmers.front();
    if (!only.accessible) {
        return kPrefix + only.Key() + " (" + only.path +
               ") is connected but this user may not open it" + kAccessFix;
    }
    return kPrefix + only.Key() + " (" + only.path + ") is connected but could not be opened";
}

} // namespace ardent
