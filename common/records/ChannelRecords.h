#pragma once
// The channel entries of a burn's records, taken from what the programmer reported: the burn
// result and, where the program reads them, the IDs of each chip.

#include "protocol/PacketFormat.h"
#include "records/BurnRecord.h"
#include "utils/TargetFamily.h"

#include <array>
#include <vector>

namespace ardent::records {

// The IDs of a channel's read in the layout of `family`, with the widths the programs print;
// none when the channel did not pass its read or the family is unknown.
std::vector<TChipId> ChipIdsOf(const TProcessTargetSendId& reply, TTargetFamily family);

// One entry per channel that held a chip; inactive channels are left out. A burn the programmer
// refused as a whole (an overall error) failed every channel, with that error's name. `ids[c]`
// are the IDs read from channel c after the burn, null when they were not read.
std::vector<TChannelRecord>
BurnChannelRecords(const TBurningStatusOverall& status,
                   const std::array<const TProcessTargetSendId*, kChannelCount>& ids,
                   TTargetFamily family);

// The entry of one channel's ID read (verdict "READ"); IDs only when the read passed.
TChannelRecord ReadIdChannelRecord(const TProcessTargetSendId& reply, TTargetFamily family);

} // namespace ardent::records
