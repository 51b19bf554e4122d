#include "ReportFile.h"

#include "Options.h"
#include "ProgramRun.h"
#include "ResultCodes.h"
#include "utils/TargetFamily.h"
#include "utils/VersionText.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace ardent {

namespace {

using json = nlohmann::ordered_json;

std::string Hex(uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

template <typename T> json OrNull(const std::optional<T>& value) {
    return value ? json(*value) : json(nullptr);
}

std::string_view CommandTypeName(uint8_t type) {
    switch (type) {
    case COMMAND_TYPE_DONE:
        return "done";
    case COMMAND_TYPE_FILE:
        return "file";
    case COMMAND_TYPE_PROGRAMMER:
        return "programmer";
    default:
        return "none";
    }
}

json CodeJson(const TCodeFacts& code) {
    return {{"code", code.code}, {"name", code.name}, {"text", code.text}};
}

json CommandJson(const TCommandFacts& command) {
    return {{"option", OrNull(command.option)},
            {"value", OrNull(command.value)},
            {"type", CommandTypeName(command.type)},
            {"code", command.code},
            {"items", command.items},
            {"named", command.named}};
}

json BurnJson(const TBurnFacts& burn) {
    json channels = json::array();
    for (const TChannelVerdict& verdict : burn.channels) {
        channels.push_back({{"channel", verdict.channel},
                            {"state", ChannelStateName(verdict.state)},
                            {"code", CodeJson(verdict.code)}});
    }
    return {{"sdCardUsed", burn.sdCardUsed},
            {"overall", CodeJson(burn.overall)},
            {"channels", channels}};
}

json ChannelIdsJson(const TChannelIds& channel) {
    json ids = json::object();
    for (const TIdFacts& id : channel.ids)
        ids[id.name] = {{"hex", id.hex}, {"value", OrNull(id.value)}};
    return {{"channel", channel.channel},
            {"family", channel.family},
            {"state", ChannelStateName(channel.state)},
            {"code", CodeJson(channel.code)},
            {"ids", ids}};
}

json ConfigurationJson(const TConfigurationFacts& facts) {
    json channels = nullptr;
    if (facts.channelSelection) {
        channels = json::array();
        for (int bit = 0; bit < 4; ++bit) {
            if ((*facts.channelSelection >> bit) & 1u)
                channels.push_back(bit + 1);
        }
    }
    const TTargetFamily family = TargetFamilyFromNumber(facts.targetType);
    return {{"source", facts.source},
            {"file", OrNull(facts.file)},
            {"name", facts.name},
            {"size", OrNull(facts.size)},
            {"crc", OrNull(facts.crc)},
            {"crcHex", facts.crc ? json(Hex(*facts.crc, 4)) : json(nullptr)},
            {"targetType", facts.targetType},
            {"family", family == TTargetFamily::NotRecognised
                           ? json(nullptr)
                           : json(std::string(TargetFamilyName(family)))},
            {"baudRate", OrNull(facts.baudRate)},
            {"channelSelection", OrNull(facts.channelSelection)},
            {"channels", channels},
            {"aparamChecksum", OrNull(facts.aparamChecksum)},
            {"patchId", OrNull(facts.patchId)}};
}

json ServiceJson(const TServiceFacts& service) {
    std::string data;
    for (const uint8_t byte : service.requestData) {
        char text[3];
        std::snprintf(text, sizeof text, "%02X", byte);
        data += text;
    }
    return {
        {"command", service.command}, {"device", OrNull(service.device)},
        {"module", service.module},   {"opCode", service.opCode},
        {"requestData", data},        {"sent", service.sent},
        {"answer", service.answer},   {"answerHex", Hex(static_cast<uint32_t>(service.answer), 8)}};
}

json LearntJson(const TRunReport::TContents& contents) {
    json learnt = json::object();
    if (contents.burn)
        learnt["burn"] = BurnJson(*contents.burn);
    if (!contents.channelIds.empty()) {
        json channels = json::array();
        for (const TChannelIds& channel : contents.channelIds)
            channels.push_back(ChannelIdsJson(channel));
        learnt["ids"] = channels;
    }
    if (contents.configuration)
        learnt["configuration"] = ConfigurationJson(*contents.configuration);
    if (contents.firmware) {
        learnt["firmware"] = {{"version", FormatVersion(contents.firmware->version)},
                              {"value", contents.firmware->version},
                              {"supported", contents.firmware->supported},
                              {"sdCardInserted", contents.firmware->sdCardInserted}};
    }
    if (contents.service)
        learnt["service"] = ServiceJson(*contents.service);
    if (contents.triggerEnabled)
        learnt["externalTrigger"] = *contents.triggerEnabled;
    if (contents.baudRate)
        learnt["baudRate"] = *contents.baudRate;
    if (contents.activeChannel)
        learnt["activeChannel"] = *contents.activeChannel;
    if (contents.transferred)
        learnt["transferredBytes"] = *contents.transferred;
    return learnt;
}

} // namespace

std::string ReportDocument(const TRunReport& report, int32_t result) {
    const TRunReport::TContents contents = report.Contents();
    const json document = {
        {"schema", kReportSchema},
        {"program", kProgramName},
        {"version", GetProgramVersion()},
        {"programmer", OrNull(contents.programmer)},
        {"arguments", contents.arguments},
        {"command", contents.command ? CommandJson(*contents.command) : json(nullptr)},
        {"result", {{"value", result}, {"hex", Hex(static_cast<uint32_t>(result), 8)}}},
        {"exitStatus", ExitStatusFromResult(result)},
        {"message", OrNull(TRunReport::MessageLine(contents))},
        {"lines", TRunReport::Lines(contents.output)},
        {"learnt", LearntJson(contents)},
    };
    // Lines and names may hold any bytes a file or the programmer gave: invalid UTF-8 is
    // replaced rather than refusing the whole report.
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool WriteReportFile(const char* fileName, const TRunReport& report, int32_t result,
                     std::string& failure) noexcept {
    if (fileName == nullptr || *fileName == '\0')
        return true;
    try {
        return WriteRunFile(fileName, ReportDocument(report, result), failure);
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "unknown error";
    }
    return false;
}

} // namespace ardent
