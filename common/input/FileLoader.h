#pragma once
// Base of the input file loaders: turns an input file into the byte image of a configuration
// block, or into the text entries the data objects pick their IDs from.

#include "input/MessageOutput.h"
#include "utils/Bytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ardent {

using StringList = std::vector<std::string>;

class TFileLoader {
public:
    // Values of GetStatus.
    static constexpr int32_t kStatusOk = 0;
    static constexpr int32_t kStatusFailed = 1;   // file missing, or XML not usable
    static constexpr int32_t kStatusTooLong = 2;  // more lines than a 16-bit count holds
    static constexpr int32_t kStatusNoRecord = 3; // XML holds no record of the requested type

    // Result of LoadFile for a missing file.
    static constexpr int kMissingFile = -1;

    explicit TFileLoader(IMessageOutput& output) : messages(output) {}
    virtual ~TFileLoader() = default;
    TFileLoader(const TFileLoader&) = delete;
    TFileLoader& operator=(const TFileLoader&) = delete;

    // Converts the file into the image of `recordType`; the result is the loader's length or
    // count (below 0 when the file was refused, `output` then unchanged).
    virtual int LoadSpecificType(const std::string& fileName, int recordType, Bytes& output) = 0;
    // Fills `strList` with the file's entries for `recordType`; the base has none and returns 0.
    virtual int LoadStrListFromFile(const std::string& fileName, StringList& strList,
                                    int recordType);

    // A missing file: status 1, the message "File <name> does not exist", result -1 and
    // `output` unchanged. Otherwise the result of LoadSpecificType.
    int LoadFile(const std::string& fileName, int recordType, Bytes& output);
    int32_t GetStatus() const { return status; }

protected:
    int32_t status = kStatusOk;

private:
    IMessageOutput& messages;
};

} // namespace ardent
