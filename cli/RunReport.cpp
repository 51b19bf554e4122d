#include "RunReport.h"

#include "ResultCodes.h"
#include "protocol/PacketFormat.h"

#include <utility>

namespace ardent {

TCodeFacts CodeFacts(uint32_t code) {
    TCodeFacts facts{code, std::string(ErrorCodeText(code)), {}};
    // "Error = STOP_APP", "Info  = CFG_NOT_LOADED": the name follows the last "= ".
    const size_t equals = facts.text.rfind("= ");
    facts.name = equals == std::string::npos ? facts.text : facts.text.substr(equals + 2);
    return facts;
}

std::string_view ChannelStateName(uint8_t state) {
    switch (state) {
    case CHANNEL_PASSED:
        return "passed";
    case CHANNEL_FAILED:
        return "failed";
    case CHANNEL_INACTIVE:
        return "inactive";
    default:
        return "unknown";
    }
}

std::optional<TConfigurationFacts> ConfigurationFacts(TConfiguration& configuration,
                                                      std::string source,
                                                      std::optional<std::string> file) {
    Bytes image;
    uint16_t crc = 0;
    if (!configuration.GetBufferForSend(crc, image))
        return std::nullopt;
    TConfigurationFacts facts;
    facts.source = std::move(source);
    facts.file = std::move(file);
    facts.name = configuration.GetName();
    facts.size = static_cast<uint32_t>(image.size());
    facts.crc = crc;
    facts.targetType = configuration.GetTargetType();
    facts.baudRate = configuration.GetBaudRate();
    facts.channelSelection = configuration.GetChannel();
    return facts;
}

void TRunReport::SetArguments(std::vector<std::string> arguments) {
    std::lock_guard lock(fLock);
    fContents.arguments = std::move(arguments);
}

void TRunReport::SetProgrammer(std::optional<std::string> programmer) {
    std::lock_guard lock(fLock);
    fContents.programmer = std::move(programmer);
}

void TRunReport::SetCommand(TCommandFacts command) {
    std::lock_guard lock(fLock);
    fContents.command = std::move(command);
}

void TRunReport::AddOutput(std::string_view text) {
    std::lock_guard lock(fLock);
    fContents.output.append(text);
}

void TRunReport::SetMessage(std::string line) {
    std::lock_guard lock(fLock);
    fContents.message = std::move(line);
}

void TRunReport::SetBurn(TBurnFacts burn) {
    std::lock_guard lock(fLock);
    fContents.burn = std::move(burn);
}

void TRunReport::AddChannelIds(TChannelIds ids) {
    std::lock_guard lock(fLock);
    fContents.channelIds.push_back(std::move(ids));
}

void TRunReport::SetConfiguration(TConfigurationFacts configuration) {
    std::lock_guard lock(fLock);
    fContents.configuration = std::move(configuration);
}

void TRunReport::SetFirmware(TFirmwareFacts firmware) {
    std::lock_guard lock(fLock);
    fContents.firmware = firmware;
}

void TRunReport::SetService(TServiceFacts service) {
    std::lock_guard lock(fLock);
    fContents.service = std::move(service);
}

void TRunReport::SetTriggerEnabled(bool enabled) {
    std::lock_guard lock(fLock);
    fContents.triggerEnabled = enabled;
}

void TRunReport::SetBaudRate(uint32_t baudRate) {
    std::lock_guard lock(fLock);
    fContents.baudRate = baudRate;
}

void TRunReport::SetActiveChannel(int channel) {
    std::lock_guard lock(fLock);
    fContents.activeChannel = channel;
}

void TRunReport::SetTransferred(size_t bytes) {
    std::lock_guard lock(fLock);
    fContents.transferred = bytes;
}

TRunReport::TContents TRunReport::Contents() const {
    std::lock_guard lock(fLock);
    return fContents;
}

std::vector<std::string> TRunReport::Lines(const std::string& output) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < output.size()) {
        const size_t end = output.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(output.substr(start));
            break;
        }
        lines.push_back(output.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::optional<std::string> TRunReport::MessageLine(const TContents& contents) {
    if (contents.message)
        return contents.message;
    const std::vector<std::string> lines = Lines(contents.output);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (*line == kOperationSucceeded || *line == kOperationFailed)
            return *line;
    }
    return std::nullopt;
}

} // namespace ardent
