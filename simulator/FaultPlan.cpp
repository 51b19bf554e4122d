#include "FaultPlan.h"

namespace ardent::sim {

TFaultPlan::Action TFaultPlan::OnRequest() {
    if (mDisconnectAt > 0 && --mDisconnectAt == 0) {
        return Action::Disconnect;
    }
    if (mDrop > 0) {
        --mDrop;
        return Action::Drop;
    }
    return Action::Execute;
}

void TFaultPlan::ShapeReply(TOutgoing& reply) {
    if (mLate > 0) {
        --mLate;
        reply.delayMs += mLateMs;
    }
    if (mWrongOpCode > 0) {
        --mWrongOpCode;
        // A value no request of this module uses, so a host can never take it for a match.
        reply.packet.header.opCode = static_cast<uint8_t>(reply.packet.header.opCode ^ 0x80);
    }
    if (mStatusCount > 0) {
        --mStatusCount;
        reply.packet.header.status = mStatus;
    }
}

std::string TFaultPlan::Describe() const {
    std::string text;
    const auto add = [&text](const std::string& part) {
        text += (text.empty() ? "" : ", ") + part;
    };
    if (mDrop > 0) {
        add("drop " + std::to_string(mDrop));
    }
    if (mLate > 0) {
        add("late " + std::to_string(mLateMs) + " ms x" + std::to_string(mLate));
    }
    if (mWrongOpCode > 0) {
        add("wrong opcode x" + std::to_string(mWrongOpCode));
    }
    if (mStatusCount > 0) {
        add("status " + std::to_string(mStatus) + " x" + std::to_string(mStatusCount));
    }
    if (mDisconnectAt > 0) {
        add("disconnect at request " + std::to_string(mDisconnectAt));
    }
    return text.empty() ? "none" : text;
}

} // namespace ardent::sim
