#pragma once
// Where the windowed program keeps its files: beside the executable first, as a line PC with a
// copied program folder expects, and the user's own places when the program is installed to a
// folder the user cannot write.

#include "utils/Folders.h"

#include <string>

namespace ardent {

// The settings file: "<exe>.ini" beside the executable when it is there and writable or when it
// can be created there; otherwise $XDG_CONFIG_HOME/Ardent/Ardent.ini (its folder is created).
std::string SettingsFilePath();
// A data file shipped with the program (the log header files): beside the executable, else in
// the installed share folder; the first that exists, or the one beside the executable.
std::string FindDataFile(const std::string& name);
// The folder relative log folders are taken from: the executable's folder when writable, else
// $XDG_DATA_HOME/Ardent/logs (created with its parents).
std::string LogBaseFolder();
// The user manual the help window links to: the one of the installation the program runs from
// (`executableFolder`/../share/doc/ardent/index.html, also in a build folder, which gets a copy
// there), else the one installed with the program.
std::string ManualFilePath(const std::string& executableFolder);

} // namespace ardent
