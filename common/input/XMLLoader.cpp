#include "input/XMLLoader.h"

#include "input/NumberText.h"
#include "utils/Files.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace ardent {

namespace {

bool ParseDocument(std::span<const uint8_t> document, pugi::xml_document& doc) {
    return static_cast<bool>(doc.load_buffer(document.data(), document.size()));
}

// The "Configuration" element and, through `found`, whether the document has one.
pugi::xml_node FindRecord(const pugi::xml_document& doc, int recordType, bool& found) {
    const pugi::xml_node configuration = doc.child("Configuration");
    found = static_cast<bool>(configuration);
    for (pugi::xml_node node = configuration.child("PayloadGroup"); node;
         node = node.next_sibling()) {
        if (std::strcmp(node.name(), "PayloadGroup") != 0) {
            continue;
        }
        const pugi::xml_attribute type = node.attribute("RecordTypeID");
        if (type && StrToIntOrThrow(type.value()) == recordType) {
            return node;
        }
    }
    return {};
}

void AppendAttributes(const pugi::xml_node& record, StringList& strList) {
    for (const pugi::xml_attribute attribute : record.attributes()) {
        strList.emplace_back(attribute.name());
        strList.emplace_back(attribute.value());
    }
}

size_t CountChildElements(const pugi::xml_node& record) {
    size_t count = 0;
    for (const pugi::xml_node child : record.children()) {
        if (child.type() == pugi::node_element) {
            ++count;
        }
    }
    return count;
}

} // namespace

int TXMLLoader::LoadSpecificType(const std::string& fileName, int recordType, Bytes& output) {
    lastRecord.reset();
    Bytes document;
    if (!LoadFileToBuffer(fileName, document, kMaxFileSize)) {
        status = kStatusFailed;
        return 0;
    }
    const int count = LoadSpecificTypeFromBuffer(document, recordType, output);
    if (lastRecord) {
        lastRecord->fileName = fileName;
    }
    return count;
}

int TXMLLoader::LoadStrListFromFile(const std::string& fileName, StringList& strList,
                                    int recordType) {
    if (lastRecord && lastRecord->fileName == fileName && lastRecord->recordType == recordType) {
        strList.insert(strList.end(), lastRecord->attributes.begin(), lastRecord->attributes.end());
        lastRecord.reset();
        return 1;
    }
    lastRecord.reset();
    Bytes document;
    if (!LoadFileToBuffer(fileName, document, kMaxFileSize)) {
        return 0;
    }
    return LoadStrListFromBuffer(document, strList, recordType);
}

int TXMLLoader::LoadSpecificTypeFromBuffer(std::span<const uint8_t> document, int recordType,
                                           Bytes& output) {
    lastRecord.reset();
    status = kStatusOk;
    pugi::xml_document doc;
    if (!ParseDocument(document, doc)) {
        status = kStatusFailed;
        return 0;
    }
    bool hasConfiguration = false;
    const pugi::xml_node record = FindRecord(doc, recordType, hasConfiguration);
    if (!hasConfiguration) {
        status = kStatusFailed;
        return 0;
    }
    if (!record) {
        status = kStatusNoRecord;
        return 0;
    }
    const size_t count = CountChildElements(record);
    if (count > kMaxChildren) {
        status = kStatusFailed;
        return 0;
    }
    Bytes image;
    image.reserve(4 + count);
    image.push_back(static_cast<uint8_t>(count & 0xFF));
    image.push_back(static_cast<uint8_t>(count >> 8));
    image.push_back(0);
    image.push_back(0);
    for (const pugi::xml_node child : record.children()) {
        if (child.type() == pugi::node_element) {
            const int32_t value = StrToIntOrThrow(child.attribute("value").value());
            image.push_back(static_cast<uint8_t>(value & 0xFF));
        }
    }
    output = std::move(image);
    lastRecord.emplace();
    lastRecord->recordType = recordType;
    AppendAttributes(record, lastRecord->attributes);
    return static_cast<int>(count);
}

int TXMLLoader::LoadStrListFromBuffer(std::span<const uint8_t> document, StringList& strList,
                                      int recordType) {
    pugi::xml_document doc;
    if (!ParseDocument(document, doc)) {
        return 0;
    }
    bool hasConfiguration = false;
    const pugi::xml_node record = FindRecord(doc, recordType, hasConfiguration);
    if (!record) {
        return 0;
    }
    AppendAttributes(record, strList);
    return 1;
}

bool TXMLLoader::FindAttributeValue(const StringList& attributes, std::string_view key,
                                    std::string& value) {
    const auto equalsKey = [key](const std::string& entry) {
        return std::equal(entry.begin(), entry.end(), key.begin(), key.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    };
    const auto found = std::find_if(attributes.begin(), attributes.end(), equalsKey);
    if (found == attributes.end() || found + 1 == attributes.end()) {
        return false;
    }
    value = *(found + 1);
    return true;
}

} // namespace ardent
