#include "IniFile.h"

#include "utils/Files.h"
#include "utils/NumberChecks.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace ardent {

namespace {

std::string Trim(const std::string& text) {
    const auto isBlank = [](unsigned char c) { return std::isspace(c) != 0; };
    auto first = std::find_if_not(text.begin(), text.end(), isBlank);
    auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string> SectionName(const std::string& line) {
    const std::string trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != '[') {
        return std::nullopt;
    }
    const auto close = trimmed.find(']');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    return Trim(trimmed.substr(1, close - 1));
}

bool IsComment(const std::string& trimmed) {
    return !trimmed.empty() && (trimmed[0] == ';' || trimmed[0] == '#');
}

} // namespace

TIniFile TIniFile::FromText(const std::string& text) {
    TIniFile ini;
    size_t start = 0;
    bool sawCrLf = false;
    bool sawLf = false;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        std::string line =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            sawCrLf = true;
        } else if (end != std::string::npos) {
            sawLf = true;
        }
        ini.fLines.push_back(line);
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    if (sawCrLf && !sawLf) {
        ini.fLineEnd = "\r\n";
    }
    return ini;
}

TIniFile TIniFile::Load(const std::string& fileName) {
    Bytes data;
    if (!LoadFileToBuffer(fileName, data)) {
        return TIniFile();
    }
    return FromText(std::string(data.begin(), data.end()));
}

std::optional<size_t> TIniFile::FindSection(const std::string& section) const {
    for (size_t i = 0; i < fLines.size(); ++i) {
        const auto name = SectionName(fLines[i]);
        if (name && SameName(*name, section)) {
            return i;
        }
    }
    return std::nullopt;
}

size_t TIniFile::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < fLines.size() && !SectionName(fLines[i])) {
        ++i;
    }
    return i;
}

std::optional<size_t> TIniFile::FindKey(size_t header, const std::string& key) const {
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const std::string trimmed = Trim(fLines[i]);
        if (IsComment(trimmed)) {
            continue;
        }
        const auto equals = trimmed.find('=');
        if (equals != std::string::npos && SameName(Trim(trimmed.substr(0, equals)), key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> TIniFile::ReadString(const std::string& section,
                                                const std::string& key) const {
    const auto header = FindSection(section);
    if (!header) {
        return std::nullopt;
    }
    const auto line = FindKey(*header, key);
    if (!line) {
        return std::nullopt;
    }
    const std::string& text = fLines[*line];
    return Trim(text.substr(text.find('=') + 1));
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int fallback) const {
    const auto text = ReadString(section, key);
    int32_t value = 0;
    if (!text || !StrToIntChecked(*text, value)) {
        return fallback;
    }
    return value;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    const std::string entry = key + "=" + value;
    auto header = FindSection(section);
    if (!header) {
        if (!fLines.empty() && !Trim(fLines.back()).empty()) {
            fLines.emplace_back();
        }
        fLines.push_back("[" + section + "]");
        fLines.push_back(entry);
        return;
    }
    if (const auto line = FindKey(*header, key)) {
        fLines[*line] = entry;
        return;
    }
    // After the section's last non-blank line, so a blank line before the next section stays.
    size_t insertAt = SectionEnd(*header);
    while (insertAt > *header + 1 && Trim(fLines[insertAt - 1]).empty()) {
        --insertAt;
    }
    fLines.insert(fLines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteInteger(section, key, value ? 1 : 0);
}

std::string TIniFile::ToText() const {
    std::string text;
    for (const auto& line : fLines) {
        text += line;
        text += fLineEnd;
    }
    return text;
}

void TIniFile::Save(const std::string& fileName) const {
    const std::string text = ToText();
    SaveBufferToFile(fileName, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

} // namespace ardent
