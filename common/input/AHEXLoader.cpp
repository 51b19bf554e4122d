#include "input/AHEXLoader.h"

#include "input/LinePattern.h"
#include "input/NumberText.h"
#include "utils/Errors.h"
#include "utils/Files.h"

#include <algorithm>

namespace ardent {

namespace {

std::string ReadWholeFile(const std::string& fileName) {
    Bytes content;
    std::string failure;
    if (!ReadRegularFile(fileName, TAHEXLoader::kMaxFileSize, content, failure)) {
        throw FileSystemError(failure);
    }
    return std::string(content.begin(), content.end());
}

void PutWord(Bytes& image, size_t at, uint32_t value) {
    image[at] = static_cast<uint8_t>(value & 0xFF);
    image[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

void AppendWord(Bytes& image, uint32_t value) {
    image.push_back(static_cast<uint8_t>(value & 0xFF));
    image.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

} // namespace

int TAHEXLoader::LoadSpecificType(const std::string& fileName, int, Bytes& output) {
    status = kStatusOk;
    StringList lines;
    LoadStrListFromFile(fileName, lines, 0);
    const int result = BuildSegmentImage(lines, output);
    if (result == kTooManyLines) {
        status = kStatusTooLong;
    }
    return result;
}

int TAHEXLoader::LoadStrListFromFile(const std::string& fileName, StringList& strList, int) {
    strList = SplitLines(ReadWholeFile(fileName));
    return 1;
}

StringList TAHEXLoader::SplitLines(std::string_view text) {
    StringList lines;
    lines.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start =
            end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

uint16_t TAHEXLoader::DataLineAddress(std::string_view line) {
    return static_cast<uint16_t>(HexDigitsValue(line.substr(0, 6)) & 0xFFFF);
}

uint16_t TAHEXLoader::DataLineWord(std::string_view line) {
    return static_cast<uint16_t>(HexDigitsValue(line.substr(7, 4)));
}

TAHEXLoader::DataWords TAHEXLoader::ParseDataLines(const StringList& lines) {
    const TLinePattern& dataLine = AhexPattern::DataLine();
    DataWords words;
    words.reserve(lines.size());
    for (const std::string& line : lines) {
        if (dataLine.Matches(line)) {
            words.push_back({DataLineAddress(line), DataLineWord(line)});
        }
    }
    return words;
}

int TAHEXLoader::BuildSegmentImage(const StringList& lines, Bytes& output) {
    if (lines.size() > kMaxLines) {
        return kTooManyLines;
    }
    return BuildSegmentImage(ParseDataLines(lines), output);
}

int TAHEXLoader::BuildSegmentImage(const DataWords& words, Bytes& output) {
    Bytes image;
    image.reserve(words.size() * 2 + 4);
    bool segmentOpen = false;
    size_t countAt = 0;
    uint32_t count = 0;
    uint32_t previous = 0;
    for (const TDataWord& data : words) {
        // The comparison is not wrapped: FFFF followed by 0000 starts a new segment.
        if (!segmentOpen || data.address != previous + 1 || count + 2 > kMaxSegmentBytes) {
            if (segmentOpen) {
                PutWord(image, countAt, count);
            }
            AppendWord(image, data.address);
            countAt = image.size();
            AppendWord(image, 0);
            count = 0;
            segmentOpen = true;
        }
        AppendWord(image, data.word);
        count += 2;
        previous = data.address;
    }
    if (segmentOpen) {
        PutWord(image, countAt, count);
    }
    output = std::move(image);
    return static_cast<int>(output.size());
}

} // namespace ardent
