#pragma once
// The exchange the handlers are built on, with the simulator's engine as the programmer behind
// it: every request is executed by the engine, and every request and wait is recorded. A request
// can be made to fail: the engine's own faults (lost, refused, mislabelled, the link dropped) or
// the link's (not sent, an event report instead of the reply). Replies no programmer would give
// (a garbled record, a refusal with a given status) are the engine's reply changed on its way to
// the host by `corrupt`.

#include "ProgrammerEngine.h"
#include "operations/PacketExchange.h"
#include "protocol/PacketFormat.h"
#include "utils/Bytes.h"

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace ardent::testing {

enum class TFault { NotSent, NoReply, Refuse, WrongOpCode, LinkLost, Event };

class TEngineExchange : public IPacketExchange {
public:
    sim::TProgrammerEngine engine;

    // Faults by the index of the request they hit (0 = the first request sent).
    std::map<size_t, TFault> faults;
    // Changes the engine's reply to `request` before the host sees it; unset leaves it alone.
    std::function<void(const TPacketFormat& request, TPacketFormat& reply)> corrupt;

    // What the host did.
    std::vector<TPacketFormat> requests;
    std::vector<std::chrono::milliseconds> waits;
    std::vector<TReplyCheck> notedFailures;
    int discards = 0;

    bool Send(const TPacketFormat& request) override {
        const size_t index = fSent++;
        const auto found = faults.find(index);
        const std::optional<TFault> fault =
            found == faults.end() ? std::nullopt : std::optional<TFault>(found->second);
        if (fault == TFault::NotSent)
            return false;
        requests.push_back(request);
        ArmEngineFault(fault);
        const TArrayByte bytes = PacketToBytes(request);
        const sim::TEngineOutput output = engine.HandleRequest(bytes);
        fPending.reset();
        if (output.dropLink)
            fPending = MakeMarker(MARKER_LINK_LOST);
        else if (!output.reports.empty())
            fPending = output.reports.front().packet;
        if (fPending && !output.dropLink && corrupt)
            corrupt(request, *fPending);
        if (fault == TFault::Event)
            fPending = CardEvent(); // the reply is lost behind it
        return true;
    }

    std::optional<TPacketFormat> Receive(std::chrono::milliseconds timeout) override {
        waits.push_back(timeout);
        std::optional<TPacketFormat> reply = fPending;
        fPending.reset();
        return reply;
    }

    void DiscardPending() override {
        ++discards;
        fPending.reset();
    }
    void Deliver(const TPacketFormat& packet) override { fPending = packet; }
    void NoteFailure(const TExchangeResult& failure) override {
        notedFailures.push_back(failure.check);
    }

    // The engine's reply to `request` outside the recorded exchange (to set or read its state
    // the way a host would).
    TPacketFormat Ask(const TPacketFormat& request) {
        const TArrayByte bytes = PacketToBytes(request);
        const sim::TEngineOutput output = engine.HandleRequest(bytes);
        return output.reports.empty() ? TPacketFormat{} : output.reports.front().packet;
    }
    // What the engine describes of its stored configuration.
    TDeviceConfigurationStruct StoredDescription() {
        return ReadRecord<TDeviceConfigurationStruct>(
            Ask(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo)));
    }

    // The configuration image the engine holds, read back the way a host reads it.
    Bytes StoredImage() {
        const size_t size = StoredDescription().configSize;
        Bytes image;
        for (size_t offset = 0; offset < size; offset += kPacketDataSize) {
            const TPacketFormat piece =
                Ask(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::ReadConfiguration,
                                static_cast<uint8_t>(offset == 0)));
            image.insert(image.end(), piece.data, piece.data + piece.header.dataSize);
        }
        return image;
    }

    size_t CountRequests(uint8_t module, uint8_t opCode) const {
        size_t count = 0;
        for (const TPacketFormat& request : requests)
            count += request.header.module == module && request.header.opCode == opCode;
        return count;
    }

private:
    // The engine's own faults for the one request about to arrive.
    void ArmEngineFault(std::optional<TFault> fault) {
        if (fault == TFault::NoReply)
            engine.Faults().DropNext(1);
        else if (fault == TFault::Refuse)
            engine.Faults().StatusNext(1, 1);
        else if (fault == TFault::WrongOpCode)
            engine.Faults().WrongOpCodeNext(1);
        else if (fault == TFault::LinkLost)
            engine.Faults().DisconnectAt(1);
    }

    // An SD card event report: the card changes state, whichever it was in.
    TPacketFormat CardEvent() {
        sim::TEngineOutput output = engine.SetCardInserted(!fCardInserted);
        fCardInserted = !fCardInserted;
        if (output.reports.empty()) { // the engine's card was already there
            output = engine.SetCardInserted(!fCardInserted);
            fCardInserted = !fCardInserted;
        }
        return output.reports.front().packet;
    }

    size_t fSent = 0;
    bool fCardInserted = false;
    std::optional<TPacketFormat> fPending;
};

// An image of `size` bytes whose every byte differs from its neighbours (no configuration).
inline Bytes PatternImage(size_t size) {
    Bytes image(size);
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<uint8_t>(i * 7 + 3);
    return image;
}

} // namespace ardent::testing
