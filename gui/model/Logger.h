#pragma once
// The burn result log: one comma-separated line per burned channel, in a .csv file that starts
// with the family's header file. TLogger writes the DP2A form (no ID columns); the family
// subclasses add their ID columns. Every line is on disk when SetLine returns, and no file that
// holds burn lines is ever emptied.

#include "protocol/PacketFormat.h"
#include "utils/TargetFamily.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>

namespace ardent {

class TSettingsModel;

// Where the logger finds its files and how it reads the clock and writes; tests replace them.
struct TLoggerEnvironment {
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    using WriteFunction = std::function<ssize_t(int fd, const void* data, size_t count)>;

    // Full path of a shipped header file, given its name.
    std::function<std::string(const std::string&)> headerFile;
    // Folder that an empty or relative log folder is taken from.
    std::function<std::string()> baseFolder;
    Clock clock;
    WriteFunction write;
    // The chosen programmer's serial number ("" when none was chosen): part of every log file
    // name, so two windows driving two programmers never write the same file.
    std::string programmer;

    // The program's own places, the system clock and the system write.
    static TLoggerEnvironment Default();
};

// What the programmer holds, as every log line must name it.
struct TProgrammerSetup {
    std::string configName;
    uint32_t firmwareVersion = 0;
    // Target type of the stored configuration (1 DP2A, 2 DP2B, 3 DP3B); 0 when none is known.
    uint32_t family = 0;
};

class TLogger {
public:
    TLogger(std::string hdrName, const TSettingsModel& settings,
            TLoggerEnvironment environment = TLoggerEnvironment::Default());
    virtual ~TLogger();
    TLogger(const TLogger&) = delete;
    TLogger& operator=(const TLogger&) = delete;

    // StartLogging reads the settings model: they belong to the thread
    // that changes it (the window's); lines only use what they took from it.
    // false: stop (the file stays open). true while stopped: open a new file, then started
    // whether or not the file could be opened; before the programmer's setup is known (setCfgName
    // or SetProgrammerSetup) the file waits for it, or for the first line. true while started:
    // settings that name another file than the open one (folder, name rules) make a new file now.
    void StartLogging(bool start);
    // Writes the line of one channel. `ids` is the programmer's log information for the channel;
    // null writes empty ID columns, so a channel whose IDs could not be read is still logged.
    // Inactive channels and channels >= 4 write nothing. False when a line was due but is not on
    // disk (no file, a write failure, or a configuration of another family than this log's
    // columns); TakeWriteError says why. A file that could not be opened or written is tried again
    // by the next line.
    bool SetLine(const TBurningStatusChannelSingle& channelStatus, const TProcessTargetSendId* ids);

    bool setKey(const std::string& key, int index);
    std::string getSerKey(int i) const;
    // The operator's comment field as the logger holds it.
    std::string GetComment() const;
    // The programmer's setup is known from now on; a log named after the configuration follows
    // the name.
    void setCfgName(const std::string& name);
    void SetFwVersion(uint32_t fwVersion);
    // Name, firmware version and family of what the programmer holds now.
    void SetProgrammerSetup(const TProgrammerSetup& setup);
    // The target type whose ID columns and header this log writes.
    virtual TTargetFamily LoggedFamily() const { return TTargetFamily::DP2A; }
    // False while the programmer holds a configuration of another family than LoggedFamily.
    bool FamilyMatches() const;
    bool isStarted() const;
    bool isCreated() const;
    // Why the first line since the last call could not be written and what to do; then empty
    // until the next failure.
    std::string TakeWriteError();
    // The path of the open log file; empty when none is open.
    std::string LogFilePath() const;

protected:
    // Appends the family's ID columns, each followed by a comma; `ids` null: empty columns.
    virtual void addIdsInLogFIle(std::string& line, bool pass,
                                 const TProcessTargetSendId* ids) const;

private:
    // The settings that decide the log file, as taken from the settings model.
    struct TFileSettings {
        std::string folder;
        std::string fileName;
        bool useConfigName = false;
        bool addTimestamp = false;
        bool append = false;
    };
    // Which file the settings and the configuration name call for (the time stamp aside).
    struct TFileRule {
        std::string folder;
        std::string baseName;
        bool addTimestamp = false;
        bool operator==(const TFileRule&) const = default;
    };
    enum class TOpenResult { Opened, HoldsEntries, Failed };

    void TakeSettings();
    TFileRule CurrentRule() const;
    void SetCfgNameLocked(const std::string& name);
    bool FamilyMatchesLocked() const;
    bool ReadyForFile() const;
    void CloseStream();
    void ForgetFile();
    // Opens a new log file as the settings say; isCreated tells whether it worked. Lines only go
    // under this family's header: with "append" into a file that starts with it, without into a
    // file that holds nothing else. Any other file is left as it is and the next free name
    // beside it is taken (logfile_2.csv, logfile_3.csv, ...).
    void StartNewLogFileLocked();
    // The file the current rule names is open and still at its path; opens or makes it if not.
    bool EnsureFile();
    // Opens `path` for lines; a new or empty file gets the header first.
    TOpenResult OpenLogFile(const std::string& path, const std::string& header, bool append);
    bool ReadHeader(std::string& header);
    bool WriteAll(const std::string& text);
    // Keeps the first reason of a lost line; a later, vaguer one must not hide it.
    void NoteLostLine(const std::string& reason);

    const TSettingsModel& fSettings;
    TFileSettings fFileSettings;
    TFileRule fFileRule;
    bool fSetupKnown = false;
    uint32_t fStoredFamily = 0;
    std::string fCreateError;
    TLoggerEnvironment fEnv;
    mutable std::mutex fLock;
    std::chrono::system_clock::time_point dataTime;
    int fFileStream = -1;
    std::string fFilePath;
    std::string cfgName;
    std::array<std::string, 8> fInputStr;
    std::string fFWVer;
    std::string fDataStart;
    std::string fHdrName;
    bool fIsCreate = false;
    bool LoggingStarted = false;
    std::string fWriteError;
};

// "DP2A", "DP2B" or "DP3B" for a target type; "unknown" for any other.
std::string TargetTypeName(uint32_t family);

// Upper-case hexadecimal of `value`, zero-padded to `digits`.
std::string HexDigits(uint64_t value, int digits);
// The same followed by a comma: one ID column of a log line.
std::string HexColumn(uint64_t value, int digits);

} // namespace ardent
