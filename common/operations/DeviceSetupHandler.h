#pragma once
// TDeviceSetupHandler: the programmer set-up requests (module 1) - firmware version and SD card,
// baud rate, trigger behaviour, active channel, the description of the stored configuration -
// and the chunked store and read of a configuration image. Each operation is one request and a
// wait for its reply through the exchange the program gave it.

#include "operations/HandlerSetup.h"
#include "protocol/PacketFormat.h"
#include "utils/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace ardent {

class TDeviceSetupHandler {
public:
    // The largest image the store request can announce (its size travels as 16 bits).
    static constexpr size_t kMaxImageSize = 65535;

    explicit TDeviceSetupHandler(const THandlerSetup& setup);

    // Each operation is true when the programmer answered its request with status 0.

    // `burnerInfo` is filled from the reply even when the exchange failed; use it after success.
    bool GetDeviceSetup(TDeviceBurnerInfo& burnerInfo);
    bool SetBaudRate(uint32_t baudRate);
    // The windowed program's form: the three flag bytes as they are sent.
    bool SetTriggerBehavior(uint8_t triggerFlag, uint8_t temporarily, uint8_t useSd);
    // The tool's form: its flag, then "temporarily" and "use SD" both 1.
    bool SetTriggerBehavior(uint8_t enableTrigger);
    // On success `enableTrigger` is the trigger flag the programmer holds.
    bool GetTriggerBehavior(uint8_t& enableTrigger);
    // Announces an image of `size` bytes with checksum `crc`.
    bool StoreConfiguration(uint16_t size, uint16_t crc);
    // Sends the next piece of an announced image: 1 to 60 bytes (a longer piece is not sent).
    bool StoreConfigurationData(std::span<const uint8_t> piece);
    // Asks for the next 60 bytes of the stored image (`start` 1 for the first piece of a read)
    // and, on success, copies them into `buffer` at `position` (growing it when too short).
    bool ReadConfiguration(uint8_t start, Bytes& buffer, size_t position);
    // `configInfo` is filled from the reply even when the exchange failed; use it after success.
    bool GetConfigurationInfo(TDeviceConfigurationStruct& configInfo);
    // Selects the channel (0..3) the tool's service commands act on.
    bool SetActiveChannel(uint16_t channel);

    // The store sequence: announcement, then pieces of 60 bytes in order, stopping at the first
    // failed request. An image larger than kMaxImageSize is refused before anything is sent (its
    // size would not survive the 16-bit announcement). `progress` hears of every stored piece.
    bool StoreConfigurationImage(std::span<const uint8_t> image, uint16_t crc,
                                 const TTransferProgress& progress = {});

    enum class TReadOutcome {
        InfoFailed,  // the description of the stored image did not arrive (or is impossible)
        PieceFailed, // a piece did not arrive; nothing was read after it
        Read,        // `image` holds the stored image
    };
    // The read sequence: the description, then ceil(size / 60) pieces; `image` is cut to the
    // stored size. A description announcing more than kMaxImageSize bytes is not believed.
    TReadOutcome ReadConfigurationImage(Bytes& image, const TTransferProgress& progress = {});

    // The windowed program's receive thread hands this handler its packets.
    void ParseResponse(const TPacketFormat& packet);
    // Drops replies that came too late for an earlier operation; run before every flow.
    void ClearQueueBeforeOperation();

private:
    TExchangeResult ExecuteRequest(const TPacketFormat& request, std::chrono::milliseconds timeout);
    bool Execute(const TPacketFormat& request, std::chrono::milliseconds timeout);

    THandlerSetup fSetup;
};

} // namespace ardent
