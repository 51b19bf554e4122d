// The items of a service command from arbitrary text: byte 0 picks the command (66..73), the rest
// is the option's value split at commas. A request is built only from items that all passed, is
// never longer than 12 data bytes, and nothing is sent for a refused one.

#include "CalibrationHandler.h"
#include "ServiceCommands.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class TNoProgrammer final : public ardent::IPacketExchange {
public:
    bool Send(const ardent::TPacketFormat&) override {
        ++sent;
        return false;
    }
    std::optional<ardent::TPacketFormat> Receive(std::chrono::milliseconds) override {
        return std::nullopt;
    }
    void DiscardPending() override {}
    void Deliver(const ardent::TPacketFormat&) override {}
    int sent = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint16_t command = static_cast<uint16_t>(ardent::CMD_FIRST_SPECIAL +
                                                   data[0] % ardent::SpecialCommandTable.size());
    std::vector<std::string> items(1);
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == ',')
            items.emplace_back();
        else
            items.back().push_back(static_cast<char>(data[i]));
    }
    // The options refuse other item counts before any command runs.
    const ardent::TSpecialCommandInfo& row = *ardent::FindSpecialCommand(command);
    if (items.size() < row.minArgs || items.size() > row.maxArgs)
        return 0;
    TNoProgrammer programmer;
    ardent::TCalibrationHandler handler({programmer, ardent::TRequestTimeouts::CommandLine()});
    uint32_t result = 0;
    const bool sent = handler.SendCalibrationCommand(command, items, result);
    if (sent != (programmer.sent == 1) || (!sent && programmer.sent != 0))
        __builtin_trap();
    if (sent && handler.Request().header.dataSize > 12)
        __builtin_trap();
    if (!sent && static_cast<int32_t>(result) != -119 && static_cast<int32_t>(result) != -120 &&
        static_cast<int32_t>(result) != -125)
        __builtin_trap();
    return 0;
}
