#pragma once
// The running program's own folder and the user's standard folders, shared by every program that
// keeps files beside itself when it may, else in the user's places.

#include <string>

namespace ardent {

// The running executable's full path (from /proc/self/exe); empty if it cannot be read.
std::string ExecutablePath();
// The executable's folder without a trailing slash.
std::string ExecutableFolder();
// True when `folder` exists and this user may create files in it.
bool IsWritableFolder(const std::string& folder);
bool IsFolder(const std::string& path);
// `$XDG_CONFIG_HOME` or `~/.config`, `$XDG_DATA_HOME` or `~/.local/share`.
std::string UserConfigFolder();
std::string UserDataFolder();
// Creates `folder` and any missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& folder);

} // namespace ardent
