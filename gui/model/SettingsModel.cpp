#include "SettingsModel.h"

#include "IniFile.h"
#include "utils/Errors.h"

namespace ardent {

namespace {
constexpr const char* kLogSection = "LOGFILE";
constexpr const char* kTargetSection = "TARGET";
constexpr const char* kDefaultFileName = "logfile";
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
    ini.Save(fSettingsFile);
}

void TSettingsModel::SetFileName(const std::string& name) {
    fileName = name.empty() ? kDefaultFileName : name;
}

} // namespace ardent
