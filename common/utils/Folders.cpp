#include "utils/Folders.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace ardent {

namespace {

std::string EnvOr(const char* name, const std::string& homeRelative) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + homeRelative;
}

} // namespace

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) {
        return {};
    }
    return std::string(buffer, static_cast<size_t>(length));
}

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsWritableFolder(const std::string& folder) {
    return IsFolder(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string UserConfigFolder() {
    return EnvOr("XDG_CONFIG_HOME", "/.config");
}

std::string UserDataFolder() {
    return EnvOr("XDG_DATA_HOME", "/.local/share");
}

bool MakeFolders(const std::string& folder) {
    if (folder.empty() || IsFolder(folder)) {
        return !folder.empty();
    }
    const auto slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) {
        return false;
    }
    return ::mkdir(folder.c_str(), 0775) == 0 || errno == EEXIST;
}

} // namespace ardent
