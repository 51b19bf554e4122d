// The settings file as the user (or a broken disk) left it: reading it never crashes, and a
// value the program writes always reads back, also after the text is written and read again.

#include "model/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using ardent::TIniFile;
    TIniFile ini = TIniFile::FromText(std::string(reinterpret_cast<const char*>(data), size));
    (void)ini.ReadString("LOGFILE", "PATH");
    (void)ini.ReadInteger("TARGET", "TYPE", 1);
    (void)ini.ReadBool("LOGFILE", "CREATELOG", false);

    ini.WriteString("LOGFILE", "PATH", "/var/log/line 4");
    ini.WriteInteger("TARGET", "TYPE", 3);
    const TIniFile again = TIniFile::FromText(ini.ToText());
    const TIniFile& written = ini;
    for (const TIniFile* file : {&written, &again}) {
        if (file->ReadString("LOGFILE", "PATH") != std::string("/var/log/line 4") ||
            file->ReadInteger("TARGET", "TYPE", 0) != 3) {
            std::abort();
        }
    }
    return 0;
}
