#pragma once
// TTargetReport: the tool's console lines of the target requests - the IDs read from a channel
// (-readID) and the burn result of every channel (-execute) - and the result a channel's read
// gives the run.

#include "Console.h"
#include "RunReport.h"
#include "protocol/PacketFormat.h"
#include "utils/TargetFamily.h"

#include <cstdint>

namespace ardent {

class TTargetReport {
public:
    explicit TTargetReport(TConsole& console) : fConsole(console) {}

    // "Channel[n]: " and the channel's IDs in the layout of `family` when it passed, otherwise
    // its error text. 0 for a channel without error code, otherwise a negative value whose low
    // byte is the code's (code 4 gives -252).
    int32_t WriteReadIdResult(const TProcessTargetSendId& reply, TTargetFamily family);
    // The SD-card line, then either the overall error or one status line per channel.
    void WriteBurningStatus(const TBurningStatusOverall& burningStatus);

private:
    void WriteDP2AIds(const TChannelDP2AId& ids);
    void WriteDP2BIds(const TChannelDP2BId& ids);
    void WriteDP3BIds(const TChannelDP3BId& ids);

    TConsole& fConsole;
};

// What a channel's answer to an ID read tells, for the run's report: the IDs with their names
// and the texts the console line shows.
TChannelIds ChannelIdFacts(const TProcessTargetSendId& reply, TTargetFamily family);
// What a burn result tells, for the run's report.
TBurnFacts BurnFacts(const TBurningStatusOverall& burningStatus);

} // namespace ardent
