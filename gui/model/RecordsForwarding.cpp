#include "RecordsForwarding.h"

#include "IniFile.h"

#include <cstdlib>

namespace ardent {

std::string RecordsUrlSetting(const std::string& settingsFile) {
    const char* url = std::getenv("ARDENT_RECORDS_URL");
    if (url != nullptr && *url != '\0') {
        return url;
    }
    return TIniFile::Load(settingsFile).ReadString("RECORDS", "URL").value_or("");
}

std::unique_ptr<forwarding::TForwardService>
StartRecordsForwarder(const std::string& settingsFile) {
    const std::string url = RecordsUrlSetting(settingsFile);
    // The station database the programs write their records to.
    const std::string station = forwarding::StationDatabaseFromEnvironment();
    if (url.empty() || station.empty()) {
        return nullptr;
    }
    // Failures are kept in the station's forward state (ardent-records sync --status); the
    // operator's window stays quiet about a plant server that is away.
    auto service = std::make_unique<forwarding::TForwardService>(station, url);
    service->Start();
    return service;
}

} // namespace ardent
