#pragma once
// A small INI profile file kept as its lines, so a save changes only the values it sets: every
// other key, section, comment and blank line of the file stays where and as it was.

#include <optional>
#include <string>
#include <vector>

namespace ardent {

class TIniFile {
public:
    // Parses `text` (LF or CR LF line ends; the file's own style is kept on output).
    static TIniFile FromText(const std::string& text);
    // The file's contents; a missing or unreadable file gives an empty profile.
    static TIniFile Load(const std::string& fileName);

    // The trimmed value of `key` in `section` (both compared without regard to case), or nothing
    // when the section or the key is missing.
    std::optional<std::string> ReadString(const std::string& section, const std::string& key) const;
    // The value as an integer (decimal or "$"/"0x" hex); `fallback` when missing or not a number.
    int ReadInteger(const std::string& section, const std::string& key, int fallback) const;
    // Any integer other than 0 is true; `fallback` when missing or not a number.
    bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

    // Replaces the value of an existing key in place; a new key goes after the last key of its
    // section, a new section at the end of the file.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    // Written as 1 or 0.
    void WriteBool(const std::string& section, const std::string& key, bool value);

    std::string ToText() const;
    // Replaces the file atomically (temporary file, flush, rename); throws FileSystemError.
    void Save(const std::string& fileName) const;

private:
    // Index of the line "[section]", or nothing.
    std::optional<size_t> FindSection(const std::string& section) const;
    // One past the last line that belongs to the section starting at `header`.
    size_t SectionEnd(size_t header) const;
    std::optional<size_t> FindKey(size_t header, const std::string& key) const;

    std::vector<std::string> fLines;
    std::string fLineEnd = "\n";
};

} // namespace ardent
