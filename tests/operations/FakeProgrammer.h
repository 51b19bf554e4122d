#pragma once
// A scripted programmer inside the test process: it answers each request the way the real one
// does (stored image, description, trigger flag, four channels, service answers) and can be told
// to fail a given request (not sent, no reply, refused, a stray report, the link lost). It is the
// exchange the handlers are built on, so every request and every wait is recorded. Tests that go
// through a transport meet the simulator's engine instead (EngineProgrammer.h).

#include "operations/PacketExchange.h"
#include "protocol/PacketFormat.h"
#include "utils/Bytes.h"

#include <array>
#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace ardent::testing {

enum class TFault { NotSent, NoReply, Refuse, WrongOpCode, LinkLost, Event };

class TFakeProgrammer : public IPacketExchange {
public:
    // What the programmer holds.
    uint32_t firmwareVersion = 0x010603;
    Bytes storedImage;
    TDeviceConfigurationStruct description{};
    uint8_t triggerFlag = 1;
    std::array<TProcessTargetSendId, 4> channels{};
    TBurningStatusOverall burnStatus{};
    uint8_t burnReplyStatus = 0;
    std::array<uint8_t, 4> serviceAnswer{};
    uint16_t activeChannel = 0;
    uint32_t baudRate = 0;

    // Faults by the index of the request they hit (0 = the first request sent).
    std::map<size_t, TFault> faults;

    // What the host did.
    std::vector<TPacketFormat> requests;
    std::vector<std::chrono::milliseconds> waits;
    std::vector<TReplyCheck> notedFailures;
    int discards = 0;

    // Stores `image` as if a host had stored it, with the description the programmer keeps.
    void Hold(const Bytes& image, uint16_t crc, const char* name = "Config") {
        storedImage = image;
        description = {};
        std::strncpy(description.configName, name, sizeof description.configName);
        description.configSize = static_cast<uint32_t>(image.size());
        description.crc = crc;
    }

    bool Send(const TPacketFormat& request) override {
        const size_t index = fSent++;
        const auto fault = faults.find(index);
        if (fault != faults.end() && fault->second == TFault::NotSent)
            return false;
        requests.push_back(request);
        fPending = Answer(request);
        if (fault == faults.end())
            return true;
        switch (fault->second) {
        case TFault::NoReply:
            fPending.reset();
            break;
        case TFault::Refuse:
            fPending->header.status = 1;
            break;
        case TFault::WrongOpCode:
            fPending->header.opCode = static_cast<uint8_t>(fPending->header.opCode + 1);
            break;
        case TFault::LinkLost:
            fPending = MakeMarker(MARKER_LINK_LOST);
            break;
        case TFault::Event:
            fPending = MakeRequest(MODULE_EVENT, EventOp::SdCardEvent);
            break;
        case TFault::NotSent:
            break;
        }
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

    // The reply the programmer gives `request` (it acts on it as the real one would).
    TPacketFormat Answer(const TPacketFormat& request) {
        TPacketFormat reply{};
        reply.header = request.header;
        reply.header.status = 0;
        reply.header.dataSize = 0;
        const uint8_t* data = request.data;
        if (request.header.module == MODULE_PROGRAMMER) {
            switch (request.header.opCode) {
            case ProgrammerOp::GetDeviceSetup: {
                TDeviceBurnerInfo info{};
                info.firmwareVersion = firmwareVersion;
                std::memcpy(info.configName, description.configName, sizeof description.configName);
                std::memcpy(reply.data, &info, sizeof info);
                break;
            }
            case ProgrammerOp::SetBaudRate:
                std::memcpy(&baudRate, data, 4);
                break;
            case ProgrammerOp::StoreConfiguration:
                std::memcpy(&fIncomingSize, data, 4);
                std::memcpy(&fIncomingCrc, data + 4, 2);
                fIncoming.clear();
                if (fIncomingSize == 0)
                    Hold({}, fIncomingCrc);
                break;
            case ProgrammerOp::StoreConfigurationData:
                fIncoming.insert(fIncoming.end(), data, data + request.header.dataSize);
                if (fIncoming.size() == fIncomingSize)
                    Hold(fIncoming, fIncomingCrc);
                break;
            case ProgrammerOp::ReadConfiguration:
                if (data[0] == 1)
                    fReadPosition = 0;
                for (size_t i = 0; i < kPacketDataSize && fReadPosition + i < storedImage.size();
                     ++i)
                    reply.data[i] = storedImage[fReadPosition + i];
                fReadPosition += kPacketDataSize;
                break;
            case ProgrammerOp::GetConfigurationInfo:
                std::memcpy(reply.data, &description, sizeof description);
                break;
            case ProgrammerOp::SetTriggerBehavior:
                triggerFlag = data[0];
                break;
            case ProgrammerOp::GetTriggerBehavior:
                reply.data[0] = triggerFlag;
                break;
            case ProgrammerOp::SetActiveChannel:
                std::memcpy(&activeChannel, data, 2);
                break;
            default:
                reply.header.status = 58; // ILLEGAL_CMD
            }
        } else if (request.header.module == MODULE_TARGET) {
            switch (request.header.opCode) {
            case TargetOp::ReadID:
            case TargetOp::GetLoggerInformation: {
                TProcessTargetSendId ids = channels[data[0] & 3];
                ids.channelNumber = data[0];
                std::memcpy(reply.data, &ids, sizeof ids);
                break;
            }
            case TargetOp::TriggerTarget:
                reply.header.status = burnReplyStatus;
                std::memcpy(reply.data, &burnStatus, sizeof burnStatus);
                break;
            default:
                reply.header.status = 58;
            }
        } else {
            std::memcpy(reply.data, serviceAnswer.data(), serviceAnswer.size());
        }
        return reply;
    }

    size_t CountRequests(uint8_t module, uint8_t opCode) const {
        size_t count = 0;
        for (const TPacketFormat& request : requests)
            count += request.header.module == module && request.header.opCode == opCode;
        return count;
    }

private:
    size_t fSent = 0;
    std::optional<TPacketFormat> fPending;
    uint32_t fIncomingSize = 0;
    uint16_t fIncomingCrc = 0;
    Bytes fIncoming;
    size_t fReadPosition = 0;
};

// The reply of a channel that passed (IDs all zero) or failed with `code`.
inline TProcessTargetSendId Passed() {
    TProcessTargetSendId ids{};
    ids.channelState = CHANNEL_PASSED;
    return ids;
}
inline TProcessTargetSendId Failed(uint16_t code) {
    TProcessTargetSendId ids{};
    ids.channelState = CHANNEL_FAILED;
    ids.channelErrorCode = code;
    return ids;
}

// An image of `size` bytes whose every byte differs from its neighbours.
inline Bytes PatternImage(size_t size) {
    Bytes image(size);
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<uint8_t>(i * 7 + 3);
    return image;
}

} // namespace ardent::testing
