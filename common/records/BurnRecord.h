#pragma once
// What one burn (or one ArdentCmd -readID) leaves in the station's record store: the facts the
// burn shares, and one entry per channel. The store adds the ids, the time and the order.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ardent::records {

// One ID read from a chip: its name ("Device", "Parameter", ...) and its value as upper-case
// hexadecimal digits, zero-padded as the programs print it ("0012ABCD").
struct TChipId {
    std::string name;
    std::string hexDigits;
};

struct TChannelRecord {
    int channel = 0;     // 1..4
    std::string verdict; // "PASS", "FAIL" or "READ"
    std::optional<int> channelState;
    std::optional<int> channelCode;
    std::string codeName;
    std::vector<TChipId> chipIds; // empty when the IDs were not read
    std::string operatorComment;
    std::string serialNumber;
};

struct TBurnRecords {
    std::string kind = "burn"; // "burn" or "read-id"
    std::chrono::system_clock::time_point time = std::chrono::system_clock::now();
    std::string station;
    std::string program;
    std::string programVersion;
    std::string programmerSerial;
    std::string programmerFirmware;
    std::string configName;
    std::optional<uint32_t> configCrc;
    std::optional<uint32_t> configSize;
    std::string family; // "DP2A", "DP2B", "DP3B" or ""
    int32_t overallError = 0;
    std::vector<TChannelRecord> channels;
};

// The chip IDs as burn_record.chip_ids holds them: "Device=0x0012ABCD;Parameter=0x0042".
std::string ChipIdsText(const std::vector<TChipId>& ids);
// The form record_chip_id.value holds and a look-up compares: upper case, without a 0x and
// without leading zeros ("0x0012abcd" gives "12ABCD", zero gives "0").
std::string ChipIdKey(const std::string& text);
// The record time: "2026-12-11T15:04:05.123Z".
std::string UtcTimeText(std::chrono::system_clock::time_point time);
// The running program's version ("2.1.0"), or empty when it carries none.
std::string RunningProgramVersion();
// A random (version 4) UUID in lower case, 8-4-4-4-12, from the system's random source.
std::string NewUuid();

} // namespace ardent::records
