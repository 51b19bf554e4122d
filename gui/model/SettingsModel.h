#pragma once
// The windowed program's persistent settings: where and how the burn log is written and which
// target family was chosen last. Read from the settings file when created, written back when
// destroyed; other contents of the file are kept.

#include <string>

namespace ardent {

struct TLoggerConfiguration {
    bool loggerEnabled = false;
    bool useConfigFilaName = false;
    bool addTimestamp = false;
    bool appendLog = false;
    bool skipInactive = false;
};

class TSettingsModel {
public:
    // Reads `fileName` (LoadSettings); a missing file gives the defaults.
    explicit TSettingsModel(std::string fileName);
    // Writes the settings back (SaveSettings); a file that cannot be written loses the changes.
    ~TSettingsModel();
    TSettingsModel(const TSettingsModel&) = delete;
    TSettingsModel& operator=(const TSettingsModel&) = delete;

    void LoadSettings();
    // Throws FileSystemError when the file cannot be replaced.
    void SaveSettings() const;

    TLoggerConfiguration GetConfiguration() const { return configuration; }
    void SetConfiguration(const TLoggerConfiguration& value) { configuration = value; }
    std::string GetFileName() const { return fileName; }
    // An empty name is kept as "logfile".
    void SetFileName(const std::string& name);
    std::string GetFolderPath() const { return folderPath; }
    void SetFolderPath(const std::string& path) { folderPath = path; }
    int GetTargetType() const { return targetType; }
    void SetTargetType(int type) { targetType = type; }
    void SetLoggerStarted(bool started) { configuration.loggerEnabled = started; }
    // The name this station's burn records carry; the host name until one is set (an empty
    // name sets it back).
    std::string GetStationName() const;
    void SetStationName(const std::string& name) { stationName = name; }
    // Start of the current shift as minutes after midnight (local time); -1: the last 8 hours.
    int GetShiftStartMinutes() const { return shiftStartMinutes; }
    void SetShiftStartMinutes(int minutes) { shiftStartMinutes = minutes; }

private:
    std::string folderPath;
    std::string fileName = "logfile";
    int targetType = 1;
    std::string stationName;
    int shiftStartMinutes = -1;
    TLoggerConfiguration configuration;
    std::string fSettingsFile;
};

} // namespace ardent
