#pragma once
// TCommandRecords: what ArdentCmd leaves in the station's record store - the channels of each
// -execute burn and the channel of each -readID - committed before the run prints its lines. A
// commit that fails costs one warning line on standard error; the run's lines and result stay
// as they are.

#include "Console.h"
#include "protocol/PacketFormat.h"
#include "records/BurnRecord.h"
#include "records/RecordStore.h"
#include "utils/TargetFamily.h"

namespace ardent {

class TCommandRecords {
public:
    // `recorder` null or disabled: nothing is recorded. `warnings` gets the lost-records line.
    TCommandRecords(records::TStationRecorder* recorder, TConsole& warnings);

    void RecordBurn(const TBurningStatusOverall& status);
    void RecordReadId(const TProcessTargetSendId& reply, TTargetFamily family);

private:
    records::TBurnRecords Common(const char* kind) const;
    void Commit(const records::TBurnRecords& burn);

    records::TStationRecorder* fRecorder;
    TConsole& fWarnings;
};

// Standard error, for the one line that says records were lost. Flushed at once like the output.
class TStdErrConsole : public TConsole {
public:
    void Write(std::string_view text) override;
};

} // namespace ardent
