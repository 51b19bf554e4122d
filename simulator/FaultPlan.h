#pragma once
// Faults injected into the programmer's answers, each armed from outside for the next requests:
// lost requests, a late, mislabelled or refused reply, and a link that drops at the n-th request.

#include "protocol/PacketFormat.h"

#include <cstdint>
#include <string>

namespace ardent::sim {

// A report the programmer sends, `delayMs` after the request (or event) that caused it.
struct TOutgoing {
    TPacketFormat packet{};
    uint32_t delayMs = 0;
};

class TFaultPlan {
public:
    enum class Action : uint8_t { Execute, Drop, Disconnect };

    // The next `count` requests are lost: not executed, not answered.
    void DropNext(uint32_t count) { mDrop = count; }
    // The replies to the next `count` requests come `ms` later than they would.
    void DelayNext(uint32_t ms, uint32_t count) { mLateMs = ms, mLate = count; }
    // The replies to the next `count` requests carry another opCode.
    void WrongOpCodeNext(uint32_t count) { mWrongOpCode = count; }
    // The replies to the next `count` requests carry `status` (non-zero) instead of their own.
    void StatusNext(uint8_t status, uint32_t count) { mStatus = status, mStatusCount = count; }
    // The link drops on the `nth` request from now (1 = the next one) instead of an answer.
    void DisconnectAt(uint32_t nth) { mDisconnectAt = nth; }
    void Clear() { *this = TFaultPlan{}; }

    // What happens to the request that just arrived; counts it against the armed faults.
    Action OnRequest();
    // Applies the armed reply faults to the reply of the request just executed.
    void ShapeReply(TOutgoing& reply);

    // One line naming what is armed ("none" when nothing is).
    std::string Describe() const;

private:
    uint32_t mDrop = 0;
    uint32_t mLate = 0;
    uint32_t mLateMs = 0;
    uint32_t mWrongOpCode = 0;
    uint32_t mStatusCount = 0;
    uint8_t mStatus = 0;
    uint32_t mDisconnectAt = 0;
};

} // namespace ardent::sim
