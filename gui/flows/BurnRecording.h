#pragma once
// TBurnRecording: the windowed program's side of the station's record store. Every reported
// burn, logging on or off, is committed here by the burn flow before the window shows its
// verdict; a commit that fails leaves a warning the window shows with that verdict. The
// database is opened once, at the first burn, and kept for the program's run.

#include "protocol/PacketFormat.h"
#include "records/RecordStore.h"
#include "utils/TargetFamily.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>

namespace ardent {

class TDeviceSetup;
class TLogger;

class TBurnRecording {
public:
    // `recorder` null or disabled: burns are not recorded.
    TBurnRecording(std::unique_ptr<records::TStationRecorder> recorder, std::string station);

    // The station name the next records carry (the window's setting).
    void SetStation(std::string station);
    std::string Station() const;

    // Commits (never throws) the records of a burn the programmer reported: the programmer's
    // firmware and stored configuration as `device` knows them, the IDs read after the burn
    // (`ids[c]` null when not read), the operator's comment and serial numbers as `logger` holds
    // them.
    void Record(const TBurningStatusOverall& status,
                const std::array<const TProcessTargetSendId*, kChannelCount>& ids,
                const TDeviceSetup& device, TTargetFamily family, const TLogger* logger);
    // Why the last burn's records were lost; then empty until the next loss.
    std::string TakeWarning();
    // The database file, empty when recording is off.
    std::string DatabasePath() const;

private:
    const std::unique_ptr<records::TStationRecorder> fRecorder;
    mutable std::mutex fLock;
    std::string fStation;
    std::string fWarning;
};

} // namespace ardent
