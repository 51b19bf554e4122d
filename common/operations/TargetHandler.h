#pragma once
// TTargetHandler: the target requests (module 2) - start a burn and take its result, read the
// IDs of the chip in a channel, read the IDs burned in a channel for the burn log - and, in the
// command-line tool, the lines that show read IDs and burn results.

#include "operations/HandlerSetup.h"
#include "protocol/PacketFormat.h"
#include "utils/TargetFamily.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace ardent {

class TTargetHandler {
public:
    explicit TTargetHandler(const THandlerSetup& setup);

    // ---- Windowed program ----

    // Reads the IDs of one channel; true (and `targetId` filled) when the programmer answered
    // with status 0.
    bool ReadID(const TReadIDRequest& readRequest, TProcessTargetSendId& targetId);
    // Hands the burn request over without waiting; WaitTriggerStatus takes the result.
    bool TriggerTarget(uint8_t disableTrigger);
    // Waits for the burn result, also one the programmer sends after its external trigger: the
    // result is the packet's status (0 = burn executed) and the record its data. Reports that
    // are no burn result (a reply to another target request that came late) are passed over;
    // no burn result within the wait gives kResultNoAnswer (-124) and a zero record, the
    // disconnect marker kResultLinkLost (-123, programmer gone) and a zero record.
    int32_t WaitTriggerStatus(TBurningStatusOverall& burningStatus);
    // The IDs burned in `channelNumber` (0..3), for the burn log.
    bool GetLoggerInformation(uint8_t channelNumber, TProcessTargetSendId& targetId);
    void ParseResponse(const TPacketFormat& packet);
    void ClearQueueBeforeOperation();

    // ---- Command-line tool ----

    // Reads and prints the IDs of one channel (WriteReadIdResult) when the programmer answered,
    // whatever the reply's status, and gives WriteReadIdResult's value; nothing when the exchange
    // failed (the exchange has noted why).
    std::optional<int32_t> ReadID(const TReadIDRequest& readRequest);
    // Burns all selected channels and waits for the result. True when the programmer answered
    // with status 0; `burningStatus` is the reply's record either way.
    bool TriggerTarget(uint8_t enableTrigger, TBurningStatusOverall& burningStatus);

    // "Channel[n]: " and the channel's IDs in the layout of the family numbered `family`
    // when it passed, otherwise its error text. 0 for a channel without error code, otherwise a
    // negative value whose low byte is the code's (code 4 gives -252).
    int32_t WriteReadIdResult(const TProcessTargetSendId& reply, uint8_t family);
    // The SD-card line, then either the overall error or one status line per channel.
    void WriteBurningStatus(const TBurningStatusOverall& burningStatus);
    static std::string_view GetErrorText(uint32_t code) { return ErrorCodeText(code); }

private:
    TExchangeResult ExecuteRequest(const TPacketFormat& request, std::chrono::milliseconds timeout);
    void Write(std::string_view text);
    void WriteLine(std::string_view text);
    void WriteDP2AIds(const TChannelDP2AId& ids);
    void WriteDP2BIds(const TChannelDP2BId& ids);
    void WriteDP3BIds(const TChannelDP3BId& ids);

    THandlerSetup fSetup;
};

} // namespace ardent
