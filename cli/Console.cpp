#include "Console.h"

#include <cstdio>

namespace ardent {

void TConsole::WriteLine(std::string_view line) {
    std::string text;
    text.reserve(line.size() + 2);
    text.append(line);
    text.append("\r\n");
    Write(text);
}

void TStdOutConsole::Write(std::string_view text) {
    // A closed or broken standard output must not stop the run: the result still has to reach
    // the exit status and the result file.
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

} // namespace ardent
