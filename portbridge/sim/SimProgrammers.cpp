#include "SimProgrammers.h"

#include "link/SimLink.h"

#include <algorithm>
#include <chrono>
#include <dirent.h>

namespace ardent::portbridge {

namespace {

// A simulator that accepted the connection answers its serial at once; a hung one costs this.
constexpr auto kIdentifyWait = std::chrono::milliseconds(1000);

std::optional<std::vector<TProgrammerInfo>> ListLine(const std::string& folder) {
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> serials;
    const std::string suffix = simlink::kSocketSuffix;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.size() <= suffix.size() || !name.ends_with(suffix)) {
            continue;
        }
        std::string serial = name.substr(0, name.size() - suffix.size());
        if (simlink::IsValidSerial(serial)) {
            serials.push_back(std::move(serial));
        }
    }
    ::closedir(directory);
    std::sort(serials.begin(), serials.end());
    std::vector<TProgrammerInfo> programmers;
    for (const std::string& serial : serials) {
        const std::string path = simlink::LineSocketPath(folder, serial);
        // The file name is the serial; the answer shows a programmer is plugged in behind it.
        if (!simlink::QuerySerial(path, kIdentifyWait).empty()) {
            programmers.push_back({serial, path, true});
        }
    }
    return programmers;
}

} // namespace

std::optional<std::vector<TProgrammerInfo>> ListSimProgrammers() {
    const std::string folder = simlink::LineFolder();
    if (!folder.empty()) {
        return ListLine(folder);
    }
    const std::string socket = simlink::DefaultSocketPath();
    std::vector<TProgrammerInfo> programmers;
    if (std::string serial = simlink::QuerySerial(socket, kIdentifyWait); !serial.empty()) {
        programmers.push_back({std::move(serial), socket, true});
    }
    return programmers;
}

std::string ChooseSimSocket() {
    const std::string choice = ChosenProgrammer();
    const std::string folder = simlink::LineFolder();
    if (choice.empty() && folder.empty()) {
        return simlink::DefaultSocketPath(); // the one simulator, as without a line
    }
    if (!folder.empty() && !choice.empty() && !IsPathChoice(choice)) {
        // The socket's name says who answers there; opening the link shows whether it is there.
        return simlink::IsValidSerial(choice) ? simlink::LineSocketPath(folder, choice)
                                              : std::string();
    }
    const std::optional<std::vector<TProgrammerInfo>> programmers = ListSimProgrammers();
    if (!programmers) {
        return {};
    }
    const std::optional<size_t> chosen = SelectProgrammer(*programmers, choice);
    return chosen ? (*programmers)[*chosen].path : std::string();
}

} // namespace ardent::portbridge
