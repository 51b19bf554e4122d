#pragma once
// Station records for the forwarding and query tests, written by plain INSERTs the way the
// programs store a burn: the record and its normalised chip IDs in one transaction.

#include "records/StationDatabase.h"

#include <string>
#include <vector>

namespace ardent::testing {

struct TRecordSpec {
    std::string time = "2026-12-11T08:00:00.000Z";
    std::string station = "LINE-1";
    std::string programmer = "PRG-0001";
    std::string config = "dp3b-main";
    int channel = 1;
    std::string verdict = "PASS";
    int code = 0;
    std::string codeName = "OK";
    // name=value pairs as the programs write them: "Device=0x0012ABCD;Parameter=0x0042"
    std::string chipIds;
    std::string serial;
    std::string comment;
};

class TStationFixture {
public:
    // A fresh station database in a temporary folder, removed at the end.
    TStationFixture();
    ~TStationFixture();
    TStationFixture(const TStationFixture&) = delete;
    TStationFixture& operator=(const TStationFixture&) = delete;

    records::TStationDatabase& Database() { return *fDatabase; }
    const std::string& Path() const { return fPath; }
    const std::string& Folder() const { return fFolder; }
    // Appends the records in one transaction; returns their ids.
    std::vector<std::string> Append(const std::vector<TRecordSpec>& specs);
    // Appends `count` plain burns (four channels each, one chip ID per record).
    std::vector<std::string> AppendBurns(int count);
    // Every record id of the station, in seq order.
    std::vector<std::string> Ids();

private:
    std::string fFolder;
    std::string fPath;
    std::unique_ptr<records::TStationDatabase> fDatabase;
    long long fNext = 1;
};

} // namespace ardent::testing
