#pragma once
// The recipes of the golden images in tests/data/cfg/. ConfigurationLoaderTest compares each
// file with its recipe and rewrites the files when ARDENT_WRITE_CFG_FIXTURES=1 is set.

#include "configuration/Configuration.h"

#include <string>

namespace ardent::testing_support {

// Blocks of a DP2B configuration as the targets would add them.
TConfiguration CurrentFixtureConfiguration();
// The image CurrentFixtureConfiguration builds.
Bytes CurrentFixture();
// A legacy DP2A image: "ICL" marker, name "LegacyA", 9600 baud, channels 1 and 2, one parameter
// record of length 10 (4 prefix bytes, then 10 11 12 13 14 15).
Bytes LegacyDp2aFixture();
// A legacy DP2B image with distinct values in every ID field, a firmware record, an unknown
// record type 7, a patch record and a parameter record.
Bytes LegacyDp2bFixture();
// The current image with byte 40 (inside the name) changed: the CRC no longer matches.
Bytes DamagedFixture();

// `body` followed by its CRC, low byte first.
Bytes WithCrc(Bytes body);

// A legacy header (offsets 0 to 82), zero except the name (at most 32
// characters, unterminated when 32), baud rate and channel.
Bytes LegacyHeader(const std::string& name, uint32_t baud, uint8_t channel);
// Puts the "ICL" DP2A marker at offset 4.
void MarkLegacyDp2a(Bytes& image);
// Appends a legacy record: type, 32-bit length, data.
void AppendLegacyRecord(Bytes& image, uint8_t type, const Bytes& data);

std::string FixturePath(const std::string& name);

} // namespace ardent::testing_support
