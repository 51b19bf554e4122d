#include "CalibrationHandler.h"

#include "Options.h"
#include "ResultCodes.h"
#include "utils/NumberChecks.h"
#include "utils/Text.h"

#include <cctype>
#include <optional>

namespace ardent {

namespace {

// Supply levels: 6.0 V up to 12.0 V for DP3B, up to 23.0 V for the others, both bounds included.
float MaxLevel(uint8_t device) {
    return device == 3 ? 12.0f : 23.0f;
}
bool IsLevelInRange(uint8_t device, float level) {
    return level >= 6.0f && level <= MaxLevel(device);
}

// A level written with one decimal ("12.5").
std::optional<float> Level(const std::string& item) {
    float value = 0;
    if (!StrToSingleChecked(item, value))
        return std::nullopt;
    return value;
}

// A whole number within min..max. The whole value counts: "65537" is not 1, as keeping only
// its low 16 bits would make it.
std::optional<uint16_t> WholeNumber(const std::string& item, int32_t min, int32_t max) {
    int32_t value = 0;
    if (!StrToIntChecked(item, value) || value < min || value > max)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

} // namespace

uint8_t DeviceFromName(std::string_view text) {
    if (EqualsIgnoringCase(text, "DP3B"))
        return 3;
    if (EqualsIgnoringCase(text, "DP2B"))
        return 2;
    if (EqualsIgnoringCase(text, "DP2A"))
        return 1;
    return 255;
}

TCalibrationHandler::TCalibrationHandler(const THandlerSetup& setup) : fSetup(setup) {}

bool TCalibrationHandler::SendCalibrationCommand(uint16_t command, std::vector<std::string> items,
                                                 uint32_t& operationResult) {
    const int32_t result = BuildRequest(command, std::move(items));
    if (result != 0) {
        operationResult = static_cast<uint32_t>(result);
        return false;
    }
    operationResult = static_cast<uint32_t>(Exchange(fRequestPacket));
    return true;
}

int32_t TCalibrationHandler::BuildRequest(uint16_t command, std::vector<std::string> items) {
    fRequestPacket = {};
    if (command < CMD_FIRST_SPECIAL || command >= CMD_FIRST_SPECIAL + SpecialCommandTable.size())
        return ERROR_UNEX_INPUT;
    const TSpecialCommandInfo& row = SpecialCommandTable[command - CMD_FIRST_SPECIAL];
    fRequestPacket = MakeRequest(row.module, row.opCode);

    int32_t result = ERROR_UNEX_INPUT;
    switch (command) {
    case 66: // voltageCycle
        result = CheckVoltageCycle(items);
        break;
    case 67: // setVoltage
        result = CheckVoltageLevel(items);
        break;
    case 68: // sync
        result = CheckSyncCount(items);
        break;
    case 69: // getInfo
    case 72: // stopApp
        result = AppendDeviceCode(items);
        break;
    case 70: // burnAparam
    case 71: // readAparam
    case 73: // writeAparam
        result = CheckDp2bDevice(items);
        break;
    default:
        break;
    }
    if (result == 0)
        result = AppendItems(items);
    return result;
}

int32_t TCalibrationHandler::CheckDp2bDevice(std::vector<std::string>& items) const {
    if (items.empty())
        return ERROR_UNEX_INPUT;
    const uint8_t device = DeviceFromName(items.front());
    items.erase(items.begin());
    return device == 2 ? 0 : ERROR_DEVICE_NOT_SUPPORTED;
}

int32_t TCalibrationHandler::AppendDeviceCode(std::vector<std::string>& items) {
    if (items.empty())
        return ERROR_UNEX_INPUT;
    const uint8_t device = DeviceFromName(items.front());
    items.erase(items.begin());
    if (device == 255)
        return ERROR_UNEX_INPUT;
    AppendValue(fRequestPacket, static_cast<uint16_t>(device));
    return 0;
}

int32_t TCalibrationHandler::CheckVoltageLevel(const std::vector<std::string>& items) const {
    if (items.empty())
        return ERROR_INVALID_PARAMETERS;
    const std::string& item = items.front();
    if (IsOneDecimalNumber(item)) {
        const std::optional<float> level = Level(item);
        return level && IsLevelInRange(2, *level) ? 0 : ERROR_INVALID_PARAMETERS;
    }
    return WholeNumber(item, 0, 0) ? 0 : ERROR_INVALID_PARAMETERS;
}

int32_t TCalibrationHandler::CheckSyncCount(const std::vector<std::string>& items) const {
    if (items.empty() || !WholeNumber(items.front(), 1, 15))
        return ERROR_INVALID_PARAMETERS;
    return 0;
}

int32_t TCalibrationHandler::CheckVoltageCycle(std::vector<std::string>& items) const {
    if (items.size() < 4 || items.size() > 5)
        return ERROR_INVALID_PARAMETERS;
    const uint8_t device = DeviceFromName(items.front());
    items.erase(items.begin());
    const std::optional<float> peak = Level(items[0]);
    const std::optional<float> working = Level(items[1]);
    const bool rampOk = WholeNumber(items[2], 0, 1500).has_value();
    const bool flagOk = items.size() < 4 || WholeNumber(items[3], 0, 1).has_value();
    if (device == 255 || !peak || !working || !IsLevelInRange(device, *peak) ||
        !IsLevelInRange(device, *working) || !rampOk || !flagOk)
        return ERROR_INVALID_PARAMETERS;
    return 0;
}

// Each item goes out as a single when it is written with one decimal, otherwise as a 16-bit
// value. An item that is neither is refused: leaving it out would shift every later value, and
// an APARAM would be written at the wrong offset.
int32_t TCalibrationHandler::AppendItems(const std::vector<std::string>& items) {
    for (const std::string& item : items) {
        bool appended = false;
        if (IsOneDecimalNumber(item)) {
            if (const std::optional<float> value = Level(item))
                appended = AppendValue(fRequestPacket, *value);
        } else if (const std::optional<uint16_t> value = WholeNumber(item, 0, 0xFFFF)) {
            appended = AppendValue(fRequestPacket, *value);
        }
        if (!appended)
            return ERROR_INVALID_PARAMETERS;
    }
    return 0;
}

int32_t TCalibrationHandler::Exchange(const TPacketFormat& request) {
    const TExchangeResult result = ExchangeRequest(
        fSetup.exchange, request, fSetup.clock.Wait(fSetup.timeouts.serviceCommand));
    if (result.Answered()) {
        int32_t answer = 0;
        ReadValueAt(result.reply, 0, answer);
        return answer;
    }
    if (result.check == TReplyCheck::LinkLost)
        return ERROR_PROG_DISCONNECTED;
    return ERROR_CONN_TIMEOUT;
}

} // namespace ardent
