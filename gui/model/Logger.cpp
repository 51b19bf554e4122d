#include "Logger.h"

#include "AppPaths.h"
#include "SettingsModel.h"
#include "utils/Files.h"
#include "utils/TargetFamily.h"
#include "utils/Text.h"
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
// `error` tells why a folder that is still missing could not be made.
std::string LogFolder(const std::string& configured, const std::string& base, std::string& error) {
    if (!configured.empty() && IsFolder(configured)) {
        return configured;
    }
    if (configured.empty()) {
        return base;
    }
    const std::string folder = configured[0] == '/' ? configured : base + "/" + configured;
    if (!IsFolder(folder) && ::mkdir(folder.c_str(), 0775) != 0) {
        error = std::strerror(errno);
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

std::string TargetTypeName(uint32_t family) {
    const std::string_view name = TargetFamilyName(TargetFamilyFromNumber(family));
    return name.empty() ? std::string("unknown") : std::string(name);
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
    : fSettings(settings), fEnv(std::move(environment)), fHdrName(std::move(hdrName)) {
    TakeSettings();
}

TLogger::~TLogger() {
    ForgetFile();
}

void TLogger::CloseStream() {
    if (fFileStream >= 0) {
        ::close(fFileStream); // also releases the lock other writers see
        fFileStream = -1;
    }
}

void TLogger::ForgetFile() {
    CloseStream();
    fFilePath.clear();
}

void TLogger::TakeSettings() {
    const TLoggerConfiguration flags = fSettings.GetConfiguration();
    fFileSettings.folder = fSettings.GetFolderPath();
    fFileSettings.fileName = fSettings.GetFileName();
    fFileSettings.useConfigName = flags.useConfigFilaName;
    fFileSettings.addTimestamp = flags.addTimestamp;
    fFileSettings.append = flags.appendLog;
}

TLogger::TFileRule TLogger::CurrentRule() const {
    TFileRule rule;
    rule.folder = fFileSettings.folder;
    rule.addTimestamp = fFileSettings.addTimestamp;
    rule.baseName = fFileSettings.fileName;
    // A name that is empty or starts with a dot would make "_<time>.csv" or a hidden ".csv".
    if (fFileSettings.useConfigName && !cfgName.empty() && cfgName[0] != '.') {
        rule.baseName = SafeFileName(cfgName);
    }
    return rule;
}

void TLogger::StartLogging(bool start) {
    std::lock_guard lock(fLock);
    if (!start) {
        LoggingStarted = false;
        return;
    }
    TakeSettings();
    const bool wasStarted = LoggingStarted;
    LoggingStarted = true;
    if (!ReadyForFile()) {
        if (!wasStarted) {
            // The file is made once the programmer has told what it holds (its name may name
            // the file, its family may change the log); a line due before that makes it at once.
            ForgetFile();
            fIsCreate = false;
        }
        return;
    }
    if (!wasStarted || fFilePath.empty() || CurrentRule() != fFileRule) {
        StartNewLogFileLocked();
    }
}

bool TLogger::ReadHeader(std::string& header) {
    const std::string path = fEnv.headerFile(fHdrName);
    if (!ReadWholeFile(path, header)) {
        fCreateError =
            "The log header file " + path + " cannot be read; install Ardent's header files again.";
        return false;
    }
    return true;
}

void TLogger::StartNewLogFileLocked() {
    ForgetFile();
    fIsCreate = false;
    fCreateError.clear();

    std::string header;
    if (!ReadHeader(header)) {
        return;
    }
    dataTime = fEnv.clock();
    fDataStart = FormatTime(dataTime, "%Y/%m/%d");

    const TFileRule rule = CurrentRule();
    std::string folderError;
    const std::string folder = LogFolder(rule.folder, fEnv.baseFolder(), folderError);
    if (!IsFolder(folder)) {
        fCreateError = "The log folder " + folder + " does not exist and cannot be created (" +
                       (folderError.empty() ? std::string("not a folder") : folderError) +
                       "); choose another folder in Settings.";
        return;
    }
    std::string baseName = rule.baseName;
    if (!fEnv.programmer.empty()) {
        baseName += "_" + SafeFileName(fEnv.programmer);
    }
    if (rule.addTimestamp) {
        dataTime = fEnv.clock();
        baseName += "_" + FormatTime(dataTime, "%Y%m%d_%H%M%S");
    }
    const std::string stem = folder + "/" + baseName;
    // Without "append" a file that already holds burn lines is kept whole; the log goes on in
    // the next free name beside it.
    constexpr int kLastSuffix = 9999;
    for (int suffix = 1; suffix <= kLastSuffix; ++suffix) {
        const std::string path =
            suffix == 1 ? stem + ".csv" : stem + "_" + std::to_string(suffix) + ".csv";
        switch (OpenLogFile(path, header, fFileSettings.append)) {
        case TOpenResult::Opened:
            fFilePath = path;
            fFileRule = rule;
            fIsCreate = true;
            return;
        case TOpenResult::Failed:
            return;
        case TOpenResult::HoldsEntries:
            break;
        }
    }
    fCreateError = "Every log file name from " + stem + ".csv to " + stem + "_" +
                   std::to_string(kLastSuffix) +
                   ".csv holds burn lines; choose another file name in Settings.";
}

TLogger::TOpenResult TLogger::OpenLogFile(const std::string& path, const std::string& header,
                                          bool append) {
    // Not blocking: a FIFO at the log path must not hang the burn that writes to it.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0664);
    if (fd < 0) {
        fCreateError = "The log file " + path + " cannot be opened (" + std::strerror(errno) +
                       "); choose another folder in Settings.";
        return TOpenResult::Failed;
    }
    const auto fail = [&](const std::string& reason) {
        ::close(fd);
        fCreateError = reason;
        return TOpenResult::Failed;
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return fail("The log file " + path +
                    " is not a regular file; choose another file name in Settings.");
    }
    // Others may read the log while it is written, but no second writer may share it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return fail("The log file " + path +
                    " is in use by another program; close it or choose another file name in "
                    "Settings.");
    }
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (size < 0) {
        return fail("The log file " + path + " cannot be read (" + std::strerror(errno) + ").");
    }
    if (size > 0) {
        // Lines go only under this family's header: appended to a file that starts with it or,
        // without "append", into a file that holds nothing but it.
        std::string start(header.size(), '\0');
        const bool startsWithHeader =
            static_cast<size_t>(size) >= header.size() &&
            ::pread(fd, start.data(), start.size(), 0) == static_cast<ssize_t>(start.size()) &&
            start == header;
        if (!startsWithHeader || (!append && static_cast<size_t>(size) != header.size())) {
            ::close(fd);
            return TOpenResult::HoldsEntries;
        }
    }
    fFileStream = fd;
    if (size == 0 && (!WriteAll(header) || ::fsync(fFileStream) != 0)) {
        const std::string reason = std::strerror(errno);
        // A half header would be taken for burn lines later: cut it off again.
        if (::ftruncate(fFileStream, 0) != 0) {
            // Left with part of a header, the file is passed by as one holding lines next time.
        }
        CloseStream();
        fCreateError = "The log file " + path + " cannot be written (" + reason +
                       "); make room on the disk or choose another folder in Settings.";
        return TOpenResult::Failed;
    }
    return TOpenResult::Opened;
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

bool TLogger::EnsureFile() {
    if (fFilePath.empty() || CurrentRule() != fFileRule) {
        StartNewLogFileLocked();
        return fIsCreate;
    }
    if (fFileStream >= 0 && SameFile(fFileStream, fFilePath)) {
        return true;
    }
    // The file was deleted or moved away while open, or the last write failed: the lines go on
    // in the file of this name, which gets its header again when it is new.
    CloseStream();
    std::string header;
    if (!ReadHeader(header)) {
        return false;
    }
    return OpenLogFile(fFilePath, header, true) == TOpenResult::Opened;
}

void TLogger::NoteLostLine(const std::string& reason) {
    if (fWriteError.empty()) {
        fWriteError = reason;
    }
}

bool TLogger::SetLine(const TBurningStatusChannelSingle& channelStatus,
                      const TProcessTargetSendId* ids) {
    if (channelStatus.channelNo >= 4 || channelStatus.state == CHANNEL_INACTIVE) {
        return true;
    }
    std::lock_guard lock(fLock);
    if (!FamilyMatchesLocked()) {
        NoteLostLine("The programmer holds a " + TargetTypeName(fStoredFamily) +
                     " configuration, but this log is for " +
                     TargetTypeName(FamilyNumber(LoggedFamily())) +
                     ": the burn was not logged. Select " + TargetTypeName(fStoredFamily) +
                     " in the Target menu (expert mode).");
        return false;
    }
    if (!EnsureFile()) {
        NoteLostLine(fCreateError + " Lines of this burn are missing; the next burn tries again.");
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
        // The next line opens the file again: a disk that came back (or got room) takes it.
        CloseStream();
        NoteLostLine("Log write to " + fFilePath + " failed: " + std::strerror(error) +
                     ". Lines of this burn are missing; make room on the disk or choose "
                     "another folder in Settings. The next burn tries the file again.");
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

std::string TLogger::GetComment() const {
    std::lock_guard lock(fLock);
    return fInputStr[3];
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
    SetCfgNameLocked(name);
}

void TLogger::SetCfgNameLocked(const std::string& name) {
    // The name comes from the programmer or a file: no control byte may reach the log.
    cfgName = ShowableText(name);
    fSetupKnown = true;
    if (LoggingStarted && ReadyForFile() && (fFilePath.empty() || CurrentRule() != fFileRule)) {
        StartNewLogFileLocked();
    }
}

void TLogger::SetFwVersion(uint32_t fwVersion) {
    std::lock_guard lock(fLock);
    fFWVer = FormatVersion(fwVersion);
}

void TLogger::SetProgrammerSetup(const TProgrammerSetup& setup) {
    std::lock_guard lock(fLock);
    fFWVer = FormatVersion(setup.firmwareVersion);
    fStoredFamily = setup.family;
    SetCfgNameLocked(setup.configName);
}

bool TLogger::FamilyMatches() const {
    std::lock_guard lock(fLock);
    return FamilyMatchesLocked();
}

bool TLogger::ReadyForFile() const {
    // While the programmer holds another family's configuration no line may go to this log,
    // so no file with this family's header is made for it either.
    return fSetupKnown && FamilyMatchesLocked();
}

bool TLogger::FamilyMatchesLocked() const {
    const TTargetFamily stored = TargetFamilyFromNumber(fStoredFamily);
    return stored == TTargetFamily::NotRecognised || stored == LoggedFamily();
}

bool TLogger::isStarted() const {
    std::lock_guard lock(fLock);
    return LoggingStarted;
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
                              const TProcessTargetSendId* /*ids*/) const {}

} // namespace ardent
