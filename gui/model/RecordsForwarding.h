#pragma once
// The forwarder inside Ardent: while the program runs, the station's records go to the plant's
// PostgreSQL database on a thread of their own, so a burn never waits for the network.

#include "forwarding/Forwarder.h"

#include <memory>
#include <string>

namespace ardent {

// The plant's URL: ARDENT_RECORDS_URL when set, else URL in the [RECORDS] section of the
// settings file; empty when neither names one.
std::string RecordsUrlSetting(const std::string& settingsFile);

// The running forwarder, or nullptr when no plant URL is set or the station keeps no records.
// Destroying it stops the thread.
std::unique_ptr<forwarding::TForwardService> StartRecordsForwarder(const std::string& settingsFile);

} // namespace ardent
