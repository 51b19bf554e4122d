#pragma once
// The steps both DP3B data objects take on their XML record: read image and attributes in one
// go, and find the firmware version the record was built for.

#include "input/FileLoader.h"

#include <cstdint>
#include <string>

namespace ardent {

// Reads record `recordType` of the file into `buffer` (its payload count into `size`) and its
// attributes into `attributes`. Returns the loader's status when not 0 (1 file missing or not
// usable, 3 no such record), DP3BCode::NoPatchOrParameters for a record without payload, else 0.
int LoadDP3BRecord(TFileLoader& loader, const std::string& fileName, int recordType, Bytes& buffer,
                   uint32_t& size, StringList& attributes);

// The normalised form of the record's "version" value ("0x" and the byte pairs reversed), or
// false when there is none that can be shown as at most 16 bytes.
bool ReadFirmwareVersion(const StringList& attributes, std::string& firmwareVersion);

} // namespace ardent
