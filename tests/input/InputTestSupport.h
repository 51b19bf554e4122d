#pragma once
// Helpers shared by the input and target tests: a message output that records, a scratch folder
// for files written by a test, and the example input files.

#include "input/MessageOutput.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace ardent::testing {

class RecordingOutput : public IMessageOutput {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// The example input files under tests/data/input.
inline std::string InputFile(const std::string& name) {
    return std::string(ARDENT_TEST_DATA_DIR) + "/input/" + name;
}

// A folder of its own per test, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ardent-input-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "no scratch folder";
        }
        path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes `content` byte for byte into `name` and returns its path.
    std::string Write(const std::string& name, const std::string& content) const {
        const std::string file = (path / name).string();
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }
    std::string PathOf(const std::string& name) const { return (path / name).string(); }

private:
    std::filesystem::path path;
};

// Joins lines with CR LF, as the files of the line come.
inline std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// An XML input document with the given records inside "Configuration".
inline std::string XmlDocument(const std::string& records) {
    return "<?xml version=\"1.0\"?>\n<Configuration>\n" + records + "</Configuration>\n";
}

// One PayloadGroup with the given attributes text and child values.
inline std::string XmlRecord(int type, const std::string& attributes,
                             const std::vector<std::string>& values) {
    std::string text =
        "<PayloadGroup RecordTypeID=\"" + std::to_string(type) + "\" " + attributes + ">\n";
    for (const std::string& value : values) {
        text += "  <Payload value=\"" + value + "\"/>\n";
    }
    return text + "</PayloadGroup>\n";
}

} // namespace ardent::testing
