#include "CalibrationHandler.h"

#include "ResultCodes.h"
#include "ServiceCommands.h"
#include "utils/NumberChecks.h"
#include "utils/Text.h"

#include <cctype>
#include <optional>

namespace ardent {

namespace {

// Supply levels: 6.0 V up to 12.0 V for DP3B, up to 23.0 V for the others, both bounds included.
float MaxLevel(TTargetFamily device) {
    return device == TTargetFamily::DP3B ? 12.0f : 23.0f;
}
bool IsLevelInRange(TTargetFamily device, float level) {
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
    const TSpecialCommandInfo* row = FindSpecialCommand(command);
    if (row == nullptr)
        return ERROR_UNEX_INPUT;
    fRequestPacket = MakeRequest(row->module, row->opCode);

    int32_t result = ERROR_UNEX_INPUT;
    switch (command) {
    case CMD_VOLTAGE_CYCLE:
        result = CheckVoltageCycle(items);
        break;
    case CMD_SET_VOLTAGE:
        result = CheckVoltageLevel(items);
        break;
    case CMD_SYNC:
        result = CheckSyncCount(items);
        break;
    case CMD_GET_INFO:
    case CMD_STOP_APP:
        result = AppendDeviceCode(items);
        break;
    case CMD_BURN_APARAM:
    case CMD_READ_APARAM:
    case CMD_WRITE_APARAM:
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
    const TTargetFamily device = TargetFamilyFromName(items.front());
    items.erase(items.begin());
    return device == TTargetFamily::DP2B ? 0 : ERROR_DEVICE_NOT_SUPPORTED;
}

int32_t TCalibrationHandler::AppendDeviceCode(std::vector<std::string>& items) {
    if (items.empty())
        return ERROR_UNEX_INPUT;
    const TTargetFamily device = TargetFamilyFromName(items.front());
    items.erase(items.begin());
    if (device == TTargetFamily::NotRecognised)
        return ERROR_UNEX_INPUT;
    AppendValue(fRequestPacket, static_cast<uint16_t>(FamilyNumber(device)));
    return 0;
}

int32_t TCalibrationHandler::CheckVoltageLevel(const std::vector<std::string>& items) const {
    if (items.empty())
        return ERROR_INVALID_PARAMETERS;
    const std::string& item = items.front();
    if (IsOneDecimalNumber(item)) {
        const std::optional<float> level = Level(item);
        return level && IsLevelInRange(TTargetFamily::DP2B, *level) ? 0 : ERROR_INVALID_PARAMETERS;
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
    const TTargetFamily device = TargetFamilyFromName(items.front());
    items.erase(items.begin());
    const std::optional<float> peak = Level(items[0]);
    const std::optional<float> working = Level(items[1]);
    const bool rampOk = WholeNumber(items[2], 0, 1500).has_value();
    const bool flagOk = items.size() < 4 || WholeNumber(items[3], 0, 1).has_value();
    if (device == TTargetFamily::NotRecognised || !peak || !working ||
        !IsLevelInRange(device, *peak) || !IsLevelInRange(device, *working) || !rampOk || !flagOk)
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
