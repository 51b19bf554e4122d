#pragma once
// Loader of the DP3B XML input files: a top-level "Configuration" element whose "PayloadGroup"
// children are records (RecordTypeID 1 patch, 3 parameters). A record's image is its child count
// (16-bit), a 16-bit zero, then the low 8 bits of each child's "value" attribute.

#include "input/FileLoader.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace ardent {

class TXMLLoader : public TFileLoader {
public:
    // The image counts children in 16 bits; a record with more is refused (status 1).
    static constexpr size_t kMaxChildren = 65535;
    // A larger file is refused from its size, before it is read (status 1, as an unreadable
    // file): room for a patch and a parameter record of kMaxChildren elements of 128 bytes
    // each, where an element takes about 40.
    static constexpr size_t kMaxFileSize = 16 * 1024 * 1024;

    using TFileLoader::TFileLoader;

    // The image of the first PayloadGroup whose RecordTypeID is `recordType`; result = number of
    // payload bytes. 0 with status 1 when the file cannot be read, is not a regular file, is
    // larger than kMaxFileSize or cannot be parsed, has no Configuration element or the record
    // has too many children; 0 with status 3 when no record matches. A RecordTypeID or value
    // that is not an integer throws NumberConversionError.
    int LoadSpecificType(const std::string& fileName, int recordType, Bytes& output) override;
    // Appends the record's attribute names and values alternately, in document order; 1 when
    // the record was found, else 0 (status unchanged). Right after LoadSpecificType of the same
    // file and record type it takes the attributes of the document read then, so image and
    // attributes always come from one reading of the file.
    int LoadStrListFromFile(const std::string& fileName, StringList& strList,
                            int recordType) override;

    // The same for a document already in memory (tests, fuzzing).
    int LoadSpecificTypeFromBuffer(std::span<const uint8_t> document, int recordType,
                                   Bytes& output);
    int LoadStrListFromBuffer(std::span<const uint8_t> document, StringList& strList,
                              int recordType);

    // Looks `key` up (without regard to case) among the entries of an attribute list, names and
    // values alike, and gives the entry after the first one equal to it. False when there is no
    // such entry or nothing follows it.
    static bool FindAttributeValue(const StringList& attributes, std::string_view key,
                                   std::string& value);

private:
    // The attributes of the record the last LoadSpecificType found, for the LoadStrListFromFile
    // that follows it.
    struct LastRecord {
        std::string fileName;
        int recordType;
        StringList attributes;
    };
    std::optional<LastRecord> lastRecord;
};

} // namespace ardent
