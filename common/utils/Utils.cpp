#include "utils/Utils.h"

#include "utils/Errors.h"
#include "utils/ProgramVersion.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace ardent {

namespace {

// The register shifts towards its top bit while data bits enter least significant first. Seen in
// a mirror, the register shifts towards bit 0 and takes each data byte as it is, with the
// polynomial mirrored (0x100B -> 0xD008); the result is mirrored back at the end. Table k holds
// a byte's effect followed by k zero bytes, so eight bytes share one step: a 65 535-byte image
// is checked in a fraction of the time a byte-at-a-time table needs.
constexpr uint16_t kMirroredPolynomial = 0xD008;
constexpr size_t kCrcSlices = 8;
using CrcTables = std::array<std::array<uint16_t, 256>, kCrcSlices>;

constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (unsigned value = 0; value < 256; ++value) {
        auto crc = static_cast<uint16_t>(value);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ kMirroredPolynomial)
                            : static_cast<uint16_t>(crc >> 1);
        }
        tables[0][value] = crc;
    }
    for (size_t slice = 1; slice < kCrcSlices; ++slice) {
        for (unsigned value = 0; value < 256; ++value) {
            const uint16_t previous = tables[slice - 1][value];
            tables[slice][value] =
                static_cast<uint16_t>((previous >> 8) ^ tables[0][previous & 0xFF]);
        }
    }
    return tables;
}

constexpr CrcTables kCrcTables = MakeCrcTables();

constexpr uint16_t Mirror16(uint16_t value) {
    uint16_t mirrored = 0;
    for (int bit = 0; bit < 16; ++bit) {
        mirrored = static_cast<uint16_t>((mirrored << 1) | ((value >> bit) & 1));
    }
    return mirrored;
}

ssize_t SystemWrite(int fd, const void* data, size_t count) { return ::write(fd, data, count); }

testing_seam::WriteFunction gWrite = &SystemWrite;

[[noreturn]] void ThrowFileError(const std::string& fileName, int error) {
    throw FileSystemError("Cannot create file \"" + fileName + "\". " + std::strerror(error));
}

std::string FolderOf(const std::string& fileName) {
    const auto slash = fileName.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

// A file that exists without any write permission is the user's wish to keep it; even a
// process that could override the permission (root on a line PC) must not replace it.
bool IsReadOnlyFile(const std::string& fileName, mode_t& mode) {
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0) {
        mode = 0644;
        return false;
    }
    mode = st.st_mode & 07777;
    return (st.st_mode & 0222) == 0 || ::access(fileName.c_str(), W_OK) != 0;
}

// Converts the whole of `text` (no blanks, no sign for hex) as decimal or "$"/"0x" hex into a
// 64-bit value; false when it is not such a number.
bool ParseInteger(const std::string& text, int64_t& value, bool& isHex) {
    std::string digits = text;
    isHex = false;
    if (!digits.empty() && digits[0] == '$') {
        digits.erase(0, 1);
        isHex = true;
    } else if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.erase(0, 2);
        isHex = true;
    }
    if (digits.empty() || digits.size() > 20) {
        return false;
    }
    const int base = isHex ? 16 : 10;
    size_t start = 0;
    if (!isHex && (digits[0] == '-' || digits[0] == '+')) {
        start = 1;
    }
    if (start == digits.size()) {
        return false;
    }
    for (size_t i = start; i < digits.size(); ++i) {
        const auto c = static_cast<unsigned char>(digits[i]);
        if (isHex ? !std::isxdigit(c) : !std::isdigit(c)) {
            return false;
        }
    }
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(digits.c_str(), &end, base);
    if (errno != 0 || end != digits.c_str() + digits.size()) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace

uint16_t ComputeCrc16(std::span<const uint8_t> data, uint16_t count) {
    return ComputeCrc16(data.first(std::min<size_t>(count, data.size())));
}

uint16_t ComputeCrc16(std::span<const uint8_t> data) {
    const auto& t = kCrcTables;
    uint16_t crc = 0; // mirrored register
    size_t i = 0;
    for (; data.size() - i >= kCrcSlices; i += kCrcSlices) {
        const uint8_t* p = data.data() + i;
        crc =
            static_cast<uint16_t>(t[7][p[0] ^ (crc & 0xFF)] ^ t[6][p[1] ^ (crc >> 8)] ^ t[5][p[2]] ^
                                  t[4][p[3]] ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]]);
    }
    for (; i < data.size(); ++i) {
        crc = static_cast<uint16_t>((crc >> 8) ^ t[0][(crc ^ data[i]) & 0xFF]);
    }
    return Mirror16(crc);
}

bool LoadFileToBuffer(const std::string& fileName, Bytes& data) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) {
        return false;
    }
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    Bytes content(static_cast<size_t>(st.st_size));
    file.read(reinterpret_cast<char*>(content.data()), static_cast<std::streamsize>(content.size()));
    if (static_cast<size_t>(file.gcount()) != content.size()) {
        return false;
    }
    data = std::move(content);
    return true;
}

bool SaveBufferToFile(const std::string& fileName, std::span<const uint8_t> data) {
    return SaveBufferToFile(fileName, data.data(), data.size());
}

bool SaveBufferToFile(const std::string& fileName, const uint8_t* data, size_t count) {
    mode_t mode = 0644;
    if (IsReadOnlyFile(fileName, mode)) {
        ThrowFileError(fileName, EACCES);
    }
    std::string tempName = FolderOf(fileName) + "/.ardent-XXXXXX";
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        ThrowFileError(fileName, errno);
    }
    auto failWith = [&](int error) {
        ::close(fd);
        ::unlink(tempName.c_str());
        ThrowFileError(fileName, error);
    };
    size_t written = 0;
    while (written < count) {
        const ssize_t n = gWrite(fd, data + written, count - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            failWith(n < 0 ? errno : EIO);
        }
        written += static_cast<size_t>(n);
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
        failWith(errno);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(tempName.c_str());
        ThrowFileError(fileName, error);
    }
    if (::rename(tempName.c_str(), fileName.c_str()) != 0) {
        const int error = errno;
        ::unlink(tempName.c_str());
        ThrowFileError(fileName, error);
    }
    return true;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

void TrimAtNul(std::string& text) {
    const auto nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
}

std::string ShowableText(std::string_view text) {
    std::string shown(text);
    for (char& c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return shown;
}

std::string FormatVersion(uint32_t version) {
    char text[16];
    std::snprintf(text, sizeof text, "%X.%X.%X", (version >> 16) & 0xFF, (version >> 8) & 0xFF,
                  version & 0xFF);
    return text;
}

std::string SwapHexBytes(const std::string& text) {
    std::string swapped;
    swapped.reserve(text.size());
    for (size_t end = text.size(); end > 0;) {
        // Pairs are taken from the left, so an odd length leaves its last character alone.
        const size_t start = (end == text.size() && text.size() % 2 == 1) ? end - 1 : end - 2;
        swapped.append(text, start, end - start);
        end = start;
    }
    return swapped;
}

std::string NormalizeHexVersion(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (auto pos = lower.find("0x"); pos != std::string::npos; pos = lower.find("0x")) {
        lower.erase(pos, 2);
    }
    return "0x" + SwapHexBytes(lower);
}

std::string GetProgramVersion() {
    const auto record = ProgramVersionResource();
    if (!record) {
        return {};
    }
    return std::to_string(record->major) + "." + std::to_string(record->minor) + "." +
           std::to_string(record->release);
}

bool IsOneDecimalNumber(const std::string& text) {
    struct CodeDeleter {
        void operator()(pcre2_code* code) const { pcre2_code_free(code); }
    };
    struct MatchDataDeleter {
        void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
    };
    static const std::unique_ptr<pcre2_code, CodeDeleter> pattern = [] {
        int error = 0;
        PCRE2_SIZE offset = 0;
        return std::unique_ptr<pcre2_code, CodeDeleter>(
            pcre2_compile(reinterpret_cast<PCRE2_SPTR>("[0-9]{1,2}\\.[0-9]$"), PCRE2_ZERO_TERMINATED,
                          0, &error, &offset, nullptr));
    }();
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> match(
        pcre2_match_data_create_from_pattern(pattern.get(), nullptr));
    return pcre2_match(pattern.get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0,
                       match.get(), nullptr) >= 0;
}

bool StrToSingleChecked(const std::string& text, float& value) {
    if (!IsOneDecimalNumber(text)) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const float parsed = std::strtof(text.c_str(), &end);
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])) || errno != 0 ||
        end != text.c_str() + text.size()) {
        return false;
    }
    value = parsed;
    return true;
}

bool StrToIntChecked(const std::string& text, int32_t& value) {
    int64_t parsed = 0;
    bool isHex = false;
    if (!ParseInteger(text, parsed, isHex)) {
        return false;
    }
    if (isHex ? (parsed < 0 || parsed > 0xFFFFFFFFLL) : (parsed < INT32_MIN || parsed > INT32_MAX)) {
        return false;
    }
    // Hexadecimal texts name a bit pattern: $FFFFFFFF is -1.
    value = static_cast<int32_t>(static_cast<uint32_t>(parsed));
    return true;
}

bool StrToWordChecked(const std::string& text, uint16_t& value) {
    int32_t parsed = 0;
    if (!StrToIntChecked(text, parsed)) {
        return false;
    }
    value = static_cast<uint16_t>(static_cast<uint32_t>(parsed) & 0xFFFF);
    return true;
}

namespace testing_seam {
void SetWriteFunction(WriteFunction write) { gWrite = write; }
void ResetWriteFunction() { gWrite = &SystemWrite; }
} // namespace testing_seam

} // namespace ardent
