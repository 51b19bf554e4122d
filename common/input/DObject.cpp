#include "input/DObject.h"

#include "configuration/Configuration.h"
#include "input/AHEXLoader.h"
#include "input/XMLLoader.h"

namespace ardent {

DObject::DObject(LoaderType loaderType, IMessageOutput& messages) {
    if (loaderType == LoaderType::Xml) {
        fileLoader = std::make_unique<TXMLLoader>(messages);
    } else {
        fileLoader = std::make_unique<TAHEXLoader>(messages);
    }
}

int DObject::storeBuff(const std::string&) {
    return -1;
}

void DObject::resetBuf() {
    size = 0;
    Name.clear();
    isLoaded = false;
    selected = false;
    buffer.clear();
}

void DObject::LoadFromConfiguration(const TConfiguration& configuration, uint32_t& selection) {
    buffer.clear();
    const bool found = configuration.GetBlockByType(getType(), buffer);
    isLoaded = found;
    selected = found;
    if (found) {
        selection |= 1u << getType();
    }
}

int DObject::FinishLoad(int result, const std::string& fName) {
    isLoaded = result == 0;
    if (isLoaded) {
        Name = fName;
    }
    return result;
}

void DObject::Clear() {
    isLoaded = false;
    selected = false;
}

} // namespace ardent
