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
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <signal.h>
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

std::string BaseNameOf(const std::string& fileName) {
    const auto slash = fileName.find_last_of('/');
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

// The text of the symbolic link `path`; errno tells why when there is none.
std::optional<std::string> ReadLink(const std::string& path) {
    std::string link(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length < 0) {
            return std::nullopt;
        }
        if (static_cast<size_t>(length) < link.size()) {
            link.resize(static_cast<size_t>(length));
            return link;
        }
        link.resize(link.size() * 2); // the text may have been cut: read it again, with room
    }
}

// The file a write of `fileName` must replace: the end of its chain of symbolic links (a link
// to a missing file leads to the file to create). Renaming over the link itself would turn it
// into a plain file and leave the file it points to old.
std::string FinalTarget(const std::string& fileName) {
    constexpr int kMaxLinkHops = 40; // as many as the kernel follows before ELOOP
    std::string path = fileName;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return path;
        }
        const std::optional<std::string> link = ReadLink(path);
        if (!link) {
            ThrowFileError(fileName, errno);
        }
        path = link->starts_with('/') ? *link : JoinPath(FolderOf(path), *link);
    }
    ThrowFileError(fileName, ELOOP);
}

// A file that exists without any write permission is the user's wish to keep it; even a
// process that could override the permission (root on a line PC) must not replace it. `mode`
// is the existing file's mode; `exists` whether there is one.
bool IsReadOnlyFile(const std::string& fileName, mode_t& mode, bool& exists) {
    struct stat st {};
    exists = ::stat(fileName.c_str(), &st) == 0;
    if (!exists) {
        return false;
    }
    mode = st.st_mode & 07777;
    return (st.st_mode & 0222) == 0 || ::access(fileName.c_str(), W_OK) != 0;
}

// Temporary files are named ".<file name>.ardent-<pid>-<8 hex digits>" beside the file they
// replace, so a later write of the same file can tell the leftovers of a writer that was killed
// from the file of a writer still at work. The file name part is cut so the whole name stays
// within the 255 bytes a folder entry allows.
constexpr size_t kTempBaseNameLength = 200;
constexpr std::string_view kTempMarker = ".ardent-";
constexpr size_t kTempSuffixDigits = 8;

std::string TempPrefix(const std::string& baseName) {
    return "." + baseName.substr(0, kTempBaseNameLength) + std::string(kTempMarker);
}

// The writer's process ID when `entry` is a temporary file of the file whose prefix is `prefix`.
std::optional<pid_t> TempWriter(std::string_view entry, std::string_view prefix) {
    if (!entry.starts_with(prefix)) {
        return std::nullopt;
    }
    entry.remove_prefix(prefix.size());
    const auto dash = entry.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 10 ||
        entry.size() - dash - 1 != kTempSuffixDigits) {
        return std::nullopt;
    }
    const std::string_view digits = entry.substr(0, dash);
    const std::string_view suffix = entry.substr(dash + 1);
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) ||
        !std::all_of(suffix.begin(), suffix.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
        return std::nullopt;
    }
    const long long pid = std::strtoll(std::string(digits).c_str(), nullptr, 10);
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) {
        return std::nullopt;
    }
    return static_cast<pid_t>(pid);
}

bool IsProcessAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Removes the temporary files of `baseName` in `folder` whose writers no longer run. Best effort:
// a leftover that cannot be removed now is met again by the next write.
void RemoveDeadWritersTemps(const std::string& folder, const std::string& baseName) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const std::string prefix = TempPrefix(baseName);
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(dir)) {
        const std::optional<pid_t> writer = TempWriter(entry->d_name, prefix);
        if (writer && *writer != ::getpid() && !IsProcessAlive(*writer)) {
            leftovers.emplace_back(entry->d_name);
        }
    }
    for (const std::string& leftover : leftovers) {
        ::unlinkat(::dirfd(dir), leftover.c_str(), 0);
    }
    ::closedir(dir);
}

// Creates a new temporary file for `target` beside it. Created with 0666, so the umask (and a
// default ACL of the folder) shape the mode of a new file as for any program.
int CreateTempFile(const std::string& target, std::string& tempName) {
    thread_local std::mt19937 random{std::random_device{}()};
    const std::string stem = JoinPath(FolderOf(target), TempPrefix(BaseNameOf(target))) +
                             std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[kTempSuffixDigits + 1];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
        tempName = stem + suffix;
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Makes the rename that just replaced a file in `folder` survive a power loss. Best effort: the
// new file is already in place, and reporting a failure now would wrongly say the old one stayed.
void FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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

bool ReadRegularFile(const std::string& fileName, size_t maxSize, Bytes& data,
                     std::string& failure) {
    const std::string quoted = "\"" + fileName + "\". ";
    // O_NONBLOCK: opening a FIFO must not wait for a writer, nor a device for its line.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        failure = "Cannot open file " + quoted + std::strerror(errno);
        return false;
    }
    auto fail = [&](const std::string& reason) {
        ::close(fd);
        failure = "Cannot read file " + quoted + reason;
        return false;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return fail(std::strerror(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        return fail("It is not a regular file.");
    }
    if (static_cast<uintmax_t>(st.st_size) > maxSize) {
        return fail("It is larger than " + std::to_string(maxSize) + " bytes.");
    }
    Bytes content(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < content.size()) {
        const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return fail(std::strerror(errno));
        }
        if (n == 0) {
            return fail("It became shorter while it was read.");
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    data = std::move(content);
    return true;
}

bool LoadFileToBuffer(const std::string& fileName, Bytes& data, size_t maxSize) {
    std::string failure;
    return ReadRegularFile(fileName, maxSize, data, failure);
}

bool SaveBufferToFile(const std::string& fileName, std::span<const uint8_t> data) {
    return SaveBufferToFile(fileName, data.data(), data.size());
}

bool SaveBufferToFile(const std::string& fileName, const uint8_t* data, size_t count) {
    const std::string target = FinalTarget(fileName);
    mode_t mode = 0;
    bool exists = false;
    if (IsReadOnlyFile(target, mode, exists)) {
        ThrowFileError(fileName, EACCES);
    }
    std::string tempName;
    const int fd = CreateTempFile(target, tempName);
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
    if ((exists && ::fchmod(fd, mode) != 0) || ::fsync(fd) != 0) {
        failWith(errno);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(tempName.c_str());
        ThrowFileError(fileName, error);
    }
    if (::rename(tempName.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(tempName.c_str());
        ThrowFileError(fileName, error);
    }
    FlushFolder(FolderOf(target));
    RemoveDeadWritersTemps(FolderOf(target), BaseNameOf(target));
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
