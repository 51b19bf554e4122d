#include "Logger.h"

#include "AppPaths.h"
#include "SettingsModel.h"
#include "utils/Files.h"
#include "utils/VersionText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ardent {

namespace {

std::tm LocalTime(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    localtime_r(&t, &parts);
    return parts;
}

std::string FormatTime(std::chrono::system_clock::time_point when, const char* format) {
    const std::tm parts = LocalTime(when);
    char text[64];
    const size_t length = std::strftime(text, sizeof(text), format, &parts);
    return std::string(text, length);
}

// A configuration name comes from the programmer; it must not lead the log out of its folder.
std::string SafeFileName(std::string name) {
    for (char& c : name) {
        if (c == '/' || c == '\0') {
            c = '_';
        }
    }
    return name;
}

// The folder the log goes to: the configured one when it exists; otherwise the path is taken
// from the base folder (an absolute path as it is) and that folder is created, one level.
std::string LogFolder(const std::string& configured, const std::string& base) {
    if (!configured.empty() && IsFolder(configured)) {
        return configured;
    }
    if (configured.empty()) {
        return base;
    }
    const std::string folder = configured[0] == '/' ? configured : base + "/" + configured;
    if (!IsFolder(folder)) {
        ::mkdir(folder.c_str(), 0775);
    }
    return folder;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    Bytes data;
    if (!LoadFileToBuffer(path, data)) {
        return false;
    }
    text.assign(data.begin(), data.end());
    return true;
}

bool SameFile(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace

TLoggerEnvironment TLoggerEnvironment::Default() {
    TLoggerEnvironment env;
    env.headerFile = [](const std::string& name) { return FindDataFile(name); };
    env.baseFolder = [] { return LogBaseFolder(); };
    env.clock = [] { return std::chrono::system_clock::now(); };
    env.write = [](int fd, const void* data, size_t count) { return ::write(fd, data, count); };
    return env;
}

std::string HexDigits(uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof(text), "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string HexColumn(uint64_t value, int digits) {
    return HexDigits(value, digits) + ",";
}

TLogger::TLogger(std::string hdrName, const TSettingsModel& settings,
                 TLoggerEnvironment environment)
    : fSettings(settings), fEnv(std::move(environment)), fHdrName(std::move(hdrName)) {}

TLogger::~TLogger() {
    CloseFile();
}

void TLogger::CloseFile() {
    if (fFileStream >= 0) {
        ::close(fFileStream); // also releases the lock other writers see
        fFileStream = -1;
    }
    fFilePath.clear();
}

void TLogger::StartLogging(bool start) {
    std::lock_guard lock(fLock);
    if (!start) {
        LoggingStarted = false;
        return;
    }
    if (LoggingStarted) {
        return;
    }
    CreateNewConfigFileLocked();
    LoggingStarted = true;
}

void TLogger::CreateNewConfigFile() {
    std::lock_guard lock(fLock);
    CreateNewConfigFileLocked();
}

void TLogger::CreateNewConfigFileLocked() {
    CloseFile();
    fIsCreate = false;
    const TLoggerConfiguration flags = fSettings.GetConfiguration();

    std::string header;
    if (!ReadWholeFile(fEnv.headerFile(fHdrName), header)) {
        return;
    }
    dataTime = fEnv.clock();
    fDataStart = FormatTime(dataTime, "%Y/%m/%d");

    const std::string folder = LogFolder(fSettings.GetFolderPath(), fEnv.baseFolder());
    std::string baseName =
        flags.useConfigFilaName ? SafeFileName(cfgName) : fSettings.GetFileName();
    if (flags.addTimestamp) {
        dataTime = fEnv.clock();
        baseName += "_" + FormatTime(dataTime, "%Y%m%d_%H%M%S");
    }
    fFilePath = folder + "/" + baseName + ".csv";
    if (!OpenLogFile(flags.appendLog)) {
        CloseFile();
        return;
    }
    if (::lseek(fFileStream, 0, SEEK_END) == 0 &&
        (!WriteAll(header) || ::fsync(fFileStream) != 0)) {
        CloseFile();
        return;
    }
    fIsCreate = true;
}

bool TLogger::OpenLogFile(bool append) {
    fFileStream = ::open(fFilePath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0664);
    if (fFileStream < 0) {
        return false;
    }
    // Others may read the log while it is written, but no second writer may share it. The
    // file is truncated only once the lock is held, so a locked file is left whole.
    if (::flock(fFileStream, LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    if (!append && ::ftruncate(fFileStream, 0) != 0) {
        return false;
    }
    return ::lseek(fFileStream, 0, SEEK_END) >= 0;
}

bool TLogger::WriteAll(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = fEnv.write(fFileStream, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

bool TLogger::EnsureFileAtPath() {
    if (fFileStream >= 0 && SameFile(fFileStream, fFilePath)) {
        return true;
    }
    // The file was deleted or moved away while open: lines written now would vanish with it.
    const std::string lost = fFilePath;
    CreateNewConfigFileLocked();
    if (!fIsCreate) {
        fWriteError = "Log file " + lost + " is gone and no new one could be created.";
        return false;
    }
    return true;
}

bool TLogger::SetLine(const TBurningStatusChannelSingle& channelStatus,
                      std::span<const uint8_t> ids) {
    if (channelStatus.channelNo >= 4 || channelStatus.state == CHANNEL_INACTIVE) {
        return true;
    }
    std::lock_guard lock(fLock);
    if (fFileStream < 0) {
        fWriteError = fFilePath.empty() ? "No log file is open; the burn result was not logged."
                                        : "Log file " + fFilePath + " is not open.";
        return false;
    }
    if (!EnsureFileAtPath()) {
        return false;
    }
    const bool pass = channelStatus.state == CHANNEL_PASSED;
    std::string line = "\r\n" + fDataStart + ",";
    line += fInputStr[3] + ",";
    line += fInputStr[4 + channelStatus.channelNo] + ",";
    line += "CH" + std::to_string(channelStatus.channelNo + 1) + ",";
    addIdsInLogFIle(line, pass, ids);
    line += fFWVer + ",";
    dataTime = fEnv.clock();
    line += FormatTime(dataTime, "%Y/%m/%d %H:%M:%S") + ",";
    line += cfgName + ",";
    if (pass) {
        line += "PASS";
    } else {
        line += "FAIL(";
        if (IsKnownErrorCode(channelStatus.errorCode)) {
            line += ErrorCodeText(channelStatus.errorCode);
        }
        line += ")";
    }

    const off_t before = ::lseek(fFileStream, 0, SEEK_END);
    if (!WriteAll(line) || ::fsync(fFileStream) != 0) {
        const int error = errno;
        // A half line would corrupt the log for every reader: cut it off again.
        if (before >= 0 && ::ftruncate(fFileStream, before) == 0) {
            ::lseek(fFileStream, before, SEEK_SET);
        }
        fWriteError = "Log write to " + fFilePath + " failed: " + std::strerror(error);
        return false;
    }
    return true;
}

bool TLogger::setKey(const std::string& key, int index) {
    std::lock_guard lock(fLock);
    if (index < 0 || index >= static_cast<int>(fInputStr.size())) {
        return false;
    }
    fInputStr[static_cast<size_t>(index)] = key;
    return true;
}

std::string TLogger::getSerKey(int i) const {
    std::lock_guard lock(fLock);
    if (i < 0 || i >= 4) {
        return {};
    }
    return fInputStr[static_cast<size_t>(i) + 4];
}

void TLogger::setCfgName(const std::string& name) {
    std::lock_guard lock(fLock);
    cfgName = name;
}

void TLogger::SetFwVersion(uint32_t fwVersion) {
    std::lock_guard lock(fLock);
    fFWVer = FormatVersion(fwVersion);
}

bool TLogger::isStarted() const {
    std::lock_guard lock(fLock);
    return LoggingStarted;
}

void TLogger::setStarted(bool started) {
    std::lock_guard lock(fLock);
    LoggingStarted = started;
}

bool TLogger::isCreated() const {
    std::lock_guard lock(fLock);
    return fIsCreate;
}

std::string TLogger::TakeWriteError() {
    std::lock_guard lock(fLock);
    return std::exchange(fWriteError, std::string());
}

std::string TLogger::LogFilePath() const {
    std::lock_guard lock(fLock);
    return fFileStream >= 0 ? fFilePath : std::string();
}

void TLogger::addIdsInLogFIle(std::string& /*line*/, bool /*pass*/,
                              std::span<const uint8_t> /*ids*/) const {}

} // namespace ardent
