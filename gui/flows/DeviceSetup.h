#pragma once
// TDeviceSetup: what the windowed program knows about the connected programmer - the stored
// configuration's description, the firmware version and SD-card state, the baud rate to set
// next and whether the programmer is connected. Operation threads and the receive thread write
// it, the windows read it; every access copies whole values under one lock.

#include "protocol/PacketFormat.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace ardent {

// The part of the programmer's device record the windowed program keeps.
struct TBurnerInfo {
    uint32_t firmwareVersion = 0;
    uint8_t cardInserted = 0;
};

class TDeviceSetup {
public:
    TDeviceSetup();

    TDeviceConfigurationStruct GetConfigurationInfo() const;
    // Marks the description as read (or not); copies `info` in only when `loaded`.
    void SetConfigurationInfo(bool loaded, const TDeviceConfigurationStruct& info);
    TBurnerInfo GetBurnerInfo() const;
    // Marks the device record as read (or not); copies firmware version and card state in only
    // when `loaded`.
    void SetBurnerInfo(bool loaded, const TDeviceBurnerInfo& info);

    // The firmware is at least the lowest version the host works with.
    bool CheckFwVersion() const;
    // The firmware version text once read, else empty.
    std::string GetFirmwareVersionString() const;
    static std::string MinimumFirmwareVersionString();
    // The stored configuration has a name (its first byte is not zero).
    bool CheckExistConfigurationName() const;
    // The stored configuration's name up to its first zero byte, control bytes shown as "?", or
    // "No config" while unknown.
    std::string GetConfigurationName() const;
    // Both the description and the device record have been read.
    bool CheckCanCreateLogger() const;
    uint32_t GetBaudRate() const;
    void SetBaudRate(uint32_t baudRate);
    void SetSdCardDetected(bool inserted);
    bool GetUSBConnectionStatus() const;
    void SetUSBConnectionStatus(bool connected);
    // The programmer went away: its configuration description (but its channel selection) and
    // its device record are cleared and no longer count as read (the baud rate to send stays).
    void ForgetProgrammer();

private:
    mutable std::mutex fLock;
    TDeviceConfigurationStruct configurationInfo{};
    bool configurationLoaded = false;
    TBurnerInfo burnerInfo;
    bool burnerInfoLoaded = false;
    uint32_t baudRate = 9600;
    bool usbConnected = false;
};

} // namespace ardent
