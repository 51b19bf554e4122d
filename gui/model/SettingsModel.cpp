#include "SettingsModel.h"

#include "IniFile.h"
#include "records/StationPaths.h"
#include "utils/Errors.h"

namespace ardent {

namespace {
constexpr const char* kLogSection = "LOGFILE";
constexpr const char* kTargetSection = "TARGET";
constexpr const char* kDefaultFileName = "logfile";
constexpr const char* kRecordsSection = "RECORDS";
} // namespace

TSettingsModel::TSettingsModel(std::string settingsFile) : fSettingsFile(std::move(settingsFile)) {
    LoadSettings();
}

TSettingsModel::~TSettingsModel() {
    try {
        SaveSettings();
    } catch (const ArdentError&) {
        // The run's changes are lost; there is no window left to tell.
    }
}

void TSettingsModel::LoadSettings() {
    const TIniFile ini = TIniFile::Load(fSettingsFile);
    folderPath = ini.ReadString(kLogSection, "PATH").value_or("");
    configuration.loggerEnabled = ini.ReadBool(kLogSection, "CREATELOG", false);
    SetFileName(ini.ReadString(kLogSection, "NAME").value_or(kDefaultFileName));
    configuration.useConfigFilaName = ini.ReadBool(kLogSection, "USECONFIG", false);
    configuration.addTimestamp = ini.ReadBool(kLogSection, "TIMESTAMP", false);
    configuration.skipInactive = ini.ReadBool(kLogSection, "INACTIVESEL", false);
    configuration.appendLog = ini.ReadBool(kLogSection, "APPEND", false);
    targetType = ini.ReadInteger(kTargetSection, "TYPE", 1);
    stationName = ini.ReadString(kRecordsSection, "STATION").value_or("");
    shiftStartMinutes = ini.ReadInteger(kRecordsSection, "SHIFTSTART", -1);
    if (shiftStartMinutes < -1 || shiftStartMinutes >= 24 * 60) {
        shiftStartMinutes = -1;
    }
}

void TSettingsModel::SaveSettings() const {
    TIniFile ini = TIniFile::Load(fSettingsFile);
    ini.WriteString(kLogSection, "PATH", folderPath);
    ini.WriteBool(kLogSection, "USECONFIG", configuration.useConfigFilaName);
    ini.WriteBool(kLogSection, "CREATELOG", configuration.loggerEnabled);
    ini.WriteString(kLogSection, "NAME", fileName);
    ini.WriteBool(kLogSection, "TIMESTAMP", configuration.addTimestamp);
    ini.WriteBool(kLogSection, "INACTIVESEL", configuration.skipInactive);
    ini.WriteBool(kLogSection, "APPEND", configuration.appendLog);
    ini.WriteInteger(kTargetSection, "TYPE", targetType);
    // Written once set, so a settings file of a station that never set them stays as it was.
    if (!stationName.empty() || ini.ReadString(kRecordsSection, "STATION")) {
        ini.WriteString(kRecordsSection, "STATION", stationName);
    }
    if (shiftStartMinutes != -1 || ini.ReadString(kRecordsSection, "SHIFTSTART")) {
        ini.WriteInteger(kRecordsSection, "SHIFTSTART", shiftStartMinutes);
    }
    ini.Save(fSettingsFile);
}

std::string TSettingsModel::GetStationName() const {
    return stationName.empty() ? records::HostName() : stationName;
}

void TSettingsModel::SetFileName(const std::string& name) {
    fileName = name.empty() ? kDefaultFileName : name;
}

} // namespace ardent
