#include "DeviceSetup.h"

#include "utils/Text.h"
#include "utils/VersionText.h"

#include <cstring>

namespace ardent {

TDeviceSetup::TDeviceSetup() {
    configurationInfo.chSelection = 1;
}

void TDeviceSetup::ForgetProgrammer() {
    std::lock_guard lock(fLock);
    // The serial fields offered follow the channel selection: a cable pulled for a moment must
    // not empty what the operator typed for those channels. The next initialization reads it
    // afresh.
    const uint32_t channels = configurationInfo.chSelection;
    configurationInfo = TDeviceConfigurationStruct{};
    configurationInfo.chSelection = channels;
    configurationLoaded = false;
    burnerInfo = TBurnerInfo{};
    burnerInfoLoaded = false;
}

TDeviceConfigurationStruct TDeviceSetup::GetConfigurationInfo() const {
    std::lock_guard lock(fLock);
    return configurationInfo;
}

void TDeviceSetup::SetConfigurationInfo(bool loaded, const TDeviceConfigurationStruct& info) {
    std::lock_guard lock(fLock);
    configurationLoaded = loaded;
    if (loaded) {
        configurationInfo = info;
    }
}

TBurnerInfo TDeviceSetup::GetBurnerInfo() const {
    std::lock_guard lock(fLock);
    return burnerInfo;
}

void TDeviceSetup::SetBurnerInfo(bool loaded, const TDeviceBurnerInfo& info) {
    std::lock_guard lock(fLock);
    burnerInfoLoaded = loaded;
    if (loaded) {
        burnerInfo.firmwareVersion = info.firmwareVersion;
        burnerInfo.cardInserted = info.cardInserted;
    }
}

bool TDeviceSetup::CheckFwVersion() const {
    std::lock_guard lock(fLock);
    return IsFirmwareSupported(burnerInfo.firmwareVersion);
}

std::string TDeviceSetup::GetFirmwareVersionString() const {
    std::lock_guard lock(fLock);
    return burnerInfoLoaded ? FormatVersion(burnerInfo.firmwareVersion) : std::string();
}

std::string TDeviceSetup::MinimumFirmwareVersionString() {
    return MinimumFirmwareVersionText();
}

bool TDeviceSetup::CheckExistConfigurationName() const {
    std::lock_guard lock(fLock);
    return configurationInfo.configName[0] != '\0';
}

std::string TDeviceSetup::GetConfigurationName() const {
    std::lock_guard lock(fLock);
    if (!configurationLoaded) {
        return "No config";
    }
    const char* name = configurationInfo.configName;
    // The one way the programmer's name reaches the windows and the log: no control byte in it
    // may steer what they show.
    return ShowableText(
        std::string_view(name, ::strnlen(name, sizeof(configurationInfo.configName))));
}

bool TDeviceSetup::CheckCanCreateLogger() const {
    std::lock_guard lock(fLock);
    return configurationLoaded && burnerInfoLoaded;
}

uint32_t TDeviceSetup::GetBaudRate() const {
    std::lock_guard lock(fLock);
    return baudRate;
}

void TDeviceSetup::SetBaudRate(uint32_t value) {
    std::lock_guard lock(fLock);
    baudRate = value;
}

void TDeviceSetup::SetSdCardDetected(bool inserted) {
    std::lock_guard lock(fLock);
    burnerInfo.cardInserted = inserted ? 1 : 0;
}

bool TDeviceSetup::GetUSBConnectionStatus() const {
    std::lock_guard lock(fLock);
    return usbConnected;
}

void TDeviceSetup::SetUSBConnectionStatus(bool connected) {
    std::lock_guard lock(fLock);
    usbConnected = connected;
}

} // namespace ardent
