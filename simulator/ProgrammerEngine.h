#pragma once
// The simulated programmer itself: its state and what it answers. It turns the bytes of one
// request into the reports it sends back, and the outside world's events (external trigger, SD
// card) into event reports. It knows nothing of sockets or clocks, so tests and the fuzz target
// drive it directly; the server delivers its reports.

#include "FaultPlan.h"
#include "ImageSummary.h"
#include "Scenario.h"
#include "utils/Bytes.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ardent::sim {

// What the programmer does in answer to one request or event.
struct TEngineOutput {
    std::vector<TOutgoing> reports; // in sending order
    bool dropLink = false;          // the link goes down instead (injected fault)
};

class TProgrammerEngine {
public:
    explicit TProgrammerEngine(const TScenario& scenario = TScenario{});

    // One report from the host: any bytes, at most 64 used; missing bytes count as zero.
    TEngineOutput HandleRequest(std::span<const uint8_t> report);

    // The external trigger input was pressed: the event, then the burn result when it is done;
    // nothing while a host has switched the external trigger off.
    TEngineOutput PressExternalTrigger();
    // The first trigger-behaviour byte a host set is not 0 (armed until a host says otherwise).
    bool ExternalTriggerArmed() const { return mTriggerBehavior[0] != 0; }
    // A card was inserted or removed: the event when the state changed, nothing otherwise.
    TEngineOutput SetCardInserted(bool inserted);

    // A host opened the link: transfers a previous host left half-done start over.
    void OnLinkOpened();

    // Stores `image` as if a host had stored it; 0 or the refusal's error code.
    uint16_t StoreImage(std::span<const uint8_t> image);
    void ClearStoredImage();

    bool IsPlugged() const { return mPlugged; }
    void SetPlugged(bool plugged) { mPlugged = plugged; }
    void SetFirmwareVersion(uint32_t version) { mFirmwareVersion = version; }
    // The link rate and the channel of the service commands a host set last.
    uint32_t BaudRate() const { return mBaudRate; }
    uint16_t ActiveChannel() const { return mActiveChannel; }
    void SetBurnTimeMs(uint32_t ms) { mBurnTimeMs = ms; }
    // Service commands answer `result` from now on instead of their own result; nullopt undoes it.
    void SetServiceResult(std::optional<int32_t> result) { mServiceResult = result; }
    TVirtualChip& Chip(size_t channel) { return mChips.at(channel); }
    TFaultPlan& Faults() { return mFaults; }

    // A few lines describing the state, for the control command "status".
    std::string Describe() const;

private:
    struct TPendingStore {
        uint32_t size = 0;
        uint16_t crc = 0;
        Bytes bytes;
    };

    TOutgoing Execute(const TPacketFormat& request);
    uint8_t ExecuteProgrammer(const TPacketFormat& request, TPacketFormat& reply);
    uint8_t ExecuteTarget(const TPacketFormat& request, TPacketFormat& reply, uint32_t& delayMs);
    uint8_t ExecuteService(const TPacketFormat& request, TPacketFormat& reply);
    uint8_t StoreData(const TPacketFormat& request);
    TBurningStatusOverall Burn();
    TProcessTargetSendId LoggerRecord(uint8_t channel) const;

    uint32_t mFirmwareVersion;
    bool mCardInserted;
    bool mPlugged = true;
    uint32_t mBurnTimeMs;
    std::array<TVirtualChip, kChannelCount> mChips;

    std::optional<Bytes> mStoredImage;
    TImageSummary mSummary;
    std::optional<TPendingStore> mPendingStore;
    size_t mReadPosition = 0;

    uint32_t mBaudRate = 9600;
    std::array<uint8_t, 3> mTriggerBehavior{1, 0, 1};
    uint16_t mActiveChannel = 0;
    std::array<std::optional<TBurningStatusChannelSingle>, kChannelCount> mLastBurn;
    std::array<std::map<uint16_t, uint16_t>, kChannelCount> mAparams;
    std::optional<int32_t> mServiceResult;

    TFaultPlan mFaults;
};

} // namespace ardent::sim
