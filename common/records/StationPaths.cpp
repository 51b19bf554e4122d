#include "records/StationPaths.h"

#include "utils/Folders.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

// The folder the package installs the programs to: a program there is installed, whatever its
// folder's permissions (root may write /usr/bin, which must not collect databases).
#ifndef ARDENT_INSTALLED_BINDIR
#define ARDENT_INSTALLED_BINDIR "/usr/bin"
#endif

namespace ardent::records {

namespace {

constexpr const char* kFileName = "records.sqlite";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

std::string DefaultStationDatabasePath() {
    const std::string chosen = Environment("ARDENT_RECORDS");
    if (chosen == "off") {
        return {};
    }
    if (!chosen.empty()) {
        return chosen;
    }
    const std::string exeFolder = ExecutableFolder();
    if (exeFolder != ARDENT_INSTALLED_BINDIR && IsWritableFolder(exeFolder)) {
        return exeFolder + "/" + kFileName;
    }
    const std::string folder = UserDataFolder() + "/Ardent";
    MakeFolders(folder);
    return folder + "/" + kFileName;
}

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "station";
    }
    return name;
}

std::string StationNameFromEnvironment() {
    const std::string station = Environment("ARDENT_STATION");
    return station.empty() ? HostName() : station;
}


} // namespace ardent::records
