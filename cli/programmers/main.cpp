// ardent-programmers: lists the programmers the transport library sees, with their serial
// numbers (the values of ARDENT_PROGRAMMER), device paths, whether this user may open them and
// which process holds each one.

#include "ProgrammerTable.h"
#include "protocol/ProgrammerLock.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kUsage =
    "Usage: ardent-programmers\n"
    "Lists the connected programmers: serial number (the value for ARDENT_PROGRAMMER), device\n"
    "path, whether this user may open it, and the process that holds it (pid and program).\n"
    "ARDENT_PORTBRIDGE names another transport library; ARDENT_LOCK_DIR the folder of the\n"
    "programmer locks.\n";

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const std::string argument = argv[1];
        const bool help = argument == "-h" || argument == "--help";
        std::fputs(kUsage, help ? stdout : stderr);
        return help && argc == 2 ? 0 : 2;
    }
    const ardent::TProgrammerTable table =
        ardent::ProgrammerTable(ardent::ListProgrammers(), [](const std::string& key) {
            return ardent::ProgrammerHolder(key);
        });
    std::fputs(table.text.c_str(), stdout);
    return table.exitStatus;
}
