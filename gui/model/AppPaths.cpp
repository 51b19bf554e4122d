#include "AppPaths.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#ifndef ARDENT_DATA_DIR
#define ARDENT_DATA_DIR "/usr/share/ardent"
#endif
#ifndef ARDENT_MANUAL_FILE
#define ARDENT_MANUAL_FILE "/usr/share/doc/ardent/index.html"
#endif
// The manual's place relative to the programs' folder, in an installation and a build folder.
#ifndef ARDENT_MANUAL_FROM_BIN
#define ARDENT_MANUAL_FROM_BIN "../share/doc/ardent/index.html"
#endif

namespace ardent {

namespace {

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::string SettingsFilePath() {
    const std::string besideExe = ExecutablePath() + ".ini";
    const bool usable = IsFile(besideExe) ? ::access(besideExe.c_str(), W_OK) == 0
                                          : IsWritableFolder(ExecutableFolder());
    if (usable) {
        return besideExe;
    }
    const std::string folder = UserConfigFolder() + "/Ardent";
    MakeFolders(folder);
    return folder + "/Ardent.ini";
}

std::string FindDataFile(const std::string& name) {
    const std::string besideExe = ExecutableFolder() + "/" + name;
    if (IsFile(besideExe)) {
        return besideExe;
    }
    const std::string installed = std::string(ARDENT_DATA_DIR) + "/" + name;
    return IsFile(installed) ? installed : besideExe;
}

std::string ManualFilePath(const std::string& executableFolder) {
    const std::string beside = executableFolder + "/" + ARDENT_MANUAL_FROM_BIN;
    char resolved[PATH_MAX];
    if (IsFile(beside) && ::realpath(beside.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return ARDENT_MANUAL_FILE;
}

std::string LogBaseFolder() {
    const std::string exeFolder = ExecutableFolder();
    if (IsWritableFolder(exeFolder)) {
        return exeFolder;
    }
    const std::string folder = UserDataFolder() + "/Ardent/logs";
    MakeFolders(folder);
    return folder;
}

} // namespace ardent
