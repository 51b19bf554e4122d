#include "BurnRecording.h"

#include "DeviceSetup.h"
#include "model/Logger.h"
#include "protocol/ProgrammerListing.h"
#include "records/ChannelRecords.h"
#include "records/StationPaths.h"

namespace ardent {

TBurnRecording::TBurnRecording(std::unique_ptr<records::TStationRecorder> recorder,
                               std::string station)
    : fRecorder(std::move(recorder)), fStation(std::move(station)) {}

void TBurnRecording::SetStation(std::string station) {
    std::lock_guard lock(fLock);
    fStation = std::move(station);
}

std::string TBurnRecording::Station() const {
    std::lock_guard lock(fLock);
    return fStation;
}

void TBurnRecording::Record(const TBurningStatusOverall& status,
                            const std::array<const TProcessTargetSendId*, kChannelCount>& ids,
                            const TDeviceSetup& device, TTargetFamily family,
                            const TLogger* logger) {
    if (!fRecorder || !fRecorder->Enabled()) {
        return;
    }
    records::TBurnRecords burn;
    burn.station = Station();
    burn.program = "Ardent";
    burn.programVersion = records::RunningProgramVersion();
    burn.programmerSerial = ChosenProgrammer();
    burn.programmerFirmware = device.GetFirmwareVersionString();
    if (device.CheckExistConfigurationName()) {
        const TDeviceConfigurationStruct stored = device.GetConfigurationInfo();
        burn.configName = device.GetConfigurationName();
        burn.configCrc = stored.crc;
        burn.configSize = stored.configSize;
        burn.family = std::string(TargetFamilyName(TargetFamilyFromNumber(stored.targetType)));
    }
    burn.overallError = status.overallErrorCode;
    burn.channels = records::BurnChannelRecords(status, ids, family);
    if (logger != nullptr) {
        const std::string comment = logger->GetComment();
        for (records::TChannelRecord& channel : burn.channels) {
            channel.operatorComment = comment;
            channel.serialNumber = logger->getSerKey(channel.channel - 1);
        }
    }
    if (burn.channels.empty()) {
        return;
    }
    // A failure to record is a warning the window shows; it never changes the burn's outcome.
    std::string warning;
    try {
        warning = fRecorder->Record(burn);
    } catch (const std::exception& error) {
        warning = std::string(records::kRecordsNotStored) + error.what();
    }
    std::lock_guard lock(fLock);
    fWarning = warning;
}

std::string TBurnRecording::TakeWarning() {
    std::lock_guard lock(fLock);
    return std::exchange(fWarning, std::string());
}

std::string TBurnRecording::DatabasePath() const {
    return fRecorder ? fRecorder->Path() : std::string();
}

} // namespace ardent
