#pragma once
// A data object: one image that can be burned into a target (firmware, patch or parameters),
// the file it came from and the IDs it carries. Filled from an input file or from a block of a
// loaded configuration, handed to a configuration as a block of its type.

#include "configuration/BlockType.h"
#include "input/FileLoader.h"
#include "input/MessageOutput.h"
#include "utils/Bytes.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ardent {

class TConfiguration;

class DObject {
public:
    // Which file loader the object reads its files with.
    enum class LoaderType { Ahex = 1, Xml = 2 };

    virtual ~DObject() = default;
    DObject(const DObject&) = delete;
    DObject& operator=(const DObject&) = delete;

    // The configuration block type of the image.
    virtual uint8_t getType() const = 0;
    // Replaces image and IDs from the file; 0 on success, non-zero when the file is not a valid
    // image of this kind (the families give their codes).
    virtual int storeBuff(const std::string& fName);
    virtual const Bytes& getBuff() const { return buffer; }
    virtual uint32_t getSize() const { return size; }
    virtual uint16_t getCrc() const { return 0; }
    // Forgets everything: image, name, size, loaded and selected.
    virtual void resetBuf();
    // Replaces the image with the configuration's block of getType(); loaded and selected follow
    // whether there was one, and its bit of `selection` is set when there was (never cleared).
    virtual void LoadFromConfiguration(const TConfiguration& configuration, uint32_t& selection);

    bool loaded() const { return isLoaded; }
    bool getSelection() const { return selected; }
    // Not loaded and not selected any more; the image is kept.
    void Clear();
    // The file the image came from (empty when none).
    const std::string& GetName() const { return Name; }

protected:
    DObject(LoaderType loaderType, IMessageOutput& messages);
    // Ends a file load with its result: loaded exactly when it is 0, and then named after the
    // file. Returns `result`.
    int FinishLoad(int result, const std::string& fName);

    Bytes buffer;
    uint32_t size = 0;
    bool isLoaded = false;
    bool selected = false;
    std::string Name;
    std::unique_ptr<TFileLoader> fileLoader;
};

} // namespace ardent
