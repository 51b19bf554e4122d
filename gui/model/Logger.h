#pragma once
// The burn result log: one comma-separated line per burned channel, in a .csv file that starts
// with the family's header file. TLogger writes the DP2A form (no ID columns); the family
// subclasses add their ID columns. Every line is on disk when SetLine returns.

#include "protocol/PacketFormat.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
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

    // The program's own places, the system clock and the system write.
    static TLoggerEnvironment Default();
};

class TLogger {
public:
    TLogger(std::string hdrName, const TSettingsModel& settings,
            TLoggerEnvironment environment = TLoggerEnvironment::Default());
    virtual ~TLogger();
    TLogger(const TLogger&) = delete;
    TLogger& operator=(const TLogger&) = delete;

    // false: stop (the file stays open). true while stopped: open a new file, then started
    // whether or not the file could be opened. true while started: nothing.
    void StartLogging(bool start);
    // Opens a new log file as the settings say; isCreated tells whether it worked.
    void CreateNewConfigFile();
    // Writes the line of one channel. `ids` is the ID part of the programmer's log information
    // (offset 4 of the reply); an empty span writes empty ID columns, so a channel whose IDs could
    // not be read is still logged. Inactive channels and channels >= 4 write nothing. False when
    // a line was due but is not on disk (no file, or the write failed); LastWriteError says why.
    bool SetLine(const TBurningStatusChannelSingle& channelStatus, std::span<const uint8_t> ids);

    bool setKey(const std::string& key, int index);
    std::string getSerKey(int i) const;
    void setCfgName(const std::string& name);
    void SetFwVersion(uint32_t fwVersion);
    bool isStarted() const;
    void setStarted(bool started);
    bool isCreated() const;
    // The reason of the last line that could not be written, then empty until the next failure.
    std::string TakeWriteError();
    // The path of the open log file; empty when none is open.
    std::string LogFilePath() const;
    const std::string& HeaderName() const { return fHdrName; }

protected:
    // Appends the family's ID columns, each followed by a comma; `ids` empty: empty columns.
    virtual void addIdsInLogFIle(std::string& line, bool pass, std::span<const uint8_t> ids) const;

private:
    void CloseFile();
    void CreateNewConfigFileLocked();
    // Makes sure the open file is still the one at the log path (it may have been deleted or
    // moved away); opens a new one with its header when not.
    bool EnsureFileAtPath();
    bool OpenLogFile(bool append);
    bool WriteAll(const std::string& text);

    const TSettingsModel& fSettings;
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

// Upper-case hexadecimal of `value`, zero-padded to `digits`.
std::string HexDigits(uint64_t value, int digits);
// The same followed by a comma: one ID column of a log line.
std::string HexColumn(uint64_t value, int digits);

} // namespace ardent
