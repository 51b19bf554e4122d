#include "RunningInstances.h"

#include "utils/Text.h"

#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <fstream>
#include <limits.h>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace ardent {

namespace {

bool IsProcessId(const char* entry) {
    if (*entry == '\0') {
        return false;
    }
    for (; *entry != '\0'; ++entry) {
        if (!std::isdigit(static_cast<unsigned char>(*entry))) {
            return false;
        }
    }
    return true;
}

// The executable path of one process; empty when it cannot be read. `denied` tells a process of
// another user (whose path we may not read) from a kernel thread or a process that has ended
// and waits to be reaped, which have no executable any more.
std::string ExecutablePath(const std::string& processFolder, bool& denied) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink((processFolder + "/exe").c_str(), target, sizeof target);
    if (length <= 0) {
        denied = length < 0 && (errno == EACCES || errno == EPERM);
        return {};
    }
    denied = false;
    std::string path(target, static_cast<size_t>(length));
    // A program replaced while it runs (a rebuild, a package upgrade) is still that program.
    constexpr std::string_view deleted = " (deleted)";
    if (path.ends_with(deleted)) {
        path.resize(path.size() - deleted.size());
    }
    return path;
}

// The kernel's short name of a process (its executable file name, cut to 15 characters); used
// when the executable path of another user's process is not readable.
std::string CommandName(const std::string& processFolder) {
    std::ifstream comm(processFolder + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

} // namespace

int CountRunningInstances(const std::string& name, const std::string& procRoot) {
    struct DirCloser {
        void operator()(DIR* dir) const { ::closedir(dir); }
    };
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(procRoot.c_str()));
    if (!dir) {
        return 0;
    }
    constexpr size_t kCommandNameLength = 15;
    int count = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (!IsProcessId(entry->d_name)) {
            continue;
        }
        const std::string folder = procRoot + "/" + entry->d_name;
        bool denied = false;
        const std::string path = ExecutablePath(folder, denied);
        if (path.empty()) {
            if (denied && name.size() <= kCommandNameLength &&
                EqualsIgnoringCase(CommandName(folder), name)) {
                ++count;
            }
            continue;
        }
        const auto slash = path.find_last_of('/');
        const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
        if (EqualsIgnoringCase(fileName, name) || EqualsIgnoringCase(path, name)) {
            ++count;
        }
    }
    return count;
}

} // namespace ardent
