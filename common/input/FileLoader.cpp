#include "input/FileLoader.h"

#include <sys/stat.h>

namespace ardent {

int TFileLoader::LoadStrListFromFile(const std::string&, StringList&, int) {
    return 0;
}

int TFileLoader::LoadFile(const std::string& fileName, int recordType, Bytes& output) {
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0) {
        status = kStatusFailed;
        messages.ShowMessage("File " + fileName + " does not exist");
        return kMissingFile;
    }
    return LoadSpecificType(fileName, recordType, output);
}

} // namespace ardent
