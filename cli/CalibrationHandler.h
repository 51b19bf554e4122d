#pragma once
// TCalibrationHandler: the service commands of ArdentCmd (-voltageCycle, -setVoltage, -sync,
// -getInfo, -burnAparam, -readAparam, -stopApp, -writeAparam). It checks the command's items,
// packs them into one request for the active channel, exchanges it and hands back the first four
// data bytes of the answer as the command's result. It prints nothing.

#include "operations/HandlerSetup.h"
#include "protocol/PacketFormat.h"
#include "utils/TargetFamily.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ardent {

class TCalibrationHandler {
public:
    explicit TCalibrationHandler(const THandlerSetup& setup);

    // Builds, checks and sends the service command `command` (66..73) with its `items`.
    // A refused check sets `operationResult` to -119, -120 or -125 and sends nothing (false);
    // otherwise `operationResult` is the exchange's value and the result is true.
    bool SendCalibrationCommand(uint16_t command, std::vector<std::string> items,
                                uint32_t& operationResult);

    // The request of the last BuildRequest (for tests and diagnostics).
    const TPacketFormat& Request() const { return fRequestPacket; }

    // Builds the request into Request(); 0 or the refusal code. Sends nothing.
    int32_t BuildRequest(uint16_t command, std::vector<std::string> items);

private:
    int32_t CheckDp2bDevice(std::vector<std::string>& items) const;
    int32_t AppendDeviceCode(std::vector<std::string>& items);
    int32_t CheckVoltageLevel(const std::vector<std::string>& items) const;
    int32_t CheckSyncCount(const std::vector<std::string>& items) const;
    int32_t CheckVoltageCycle(std::vector<std::string>& items) const;
    int32_t AppendItems(const std::vector<std::string>& items);
    // The answer's first four data bytes, or -124 / -123 when no answer came.
    int32_t Exchange(const TPacketFormat& request);

    THandlerSetup fSetup;
    TPacketFormat fRequestPacket{};
};

} // namespace ardent
