#pragma once
// TRunReport: what one ArdentCmd run did and learnt, gathered while it runs for the report file
// (ARDENTCMD_REPORT_FILE): the command line as parsed, every line printed, the message line, and
// the facts each command learnt from the programmer or a .cfg file. Owned by the run and passed
// down to the commands; the operation thread adds to it while the main thread waits, hence the
// lock. It knows nothing of JSON (ReportFile.h writes it).

#include "CLIParser.h"
#include "Console.h"
#include "configuration/Configuration.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ardent {

// A programmer code as the tool prints it ("Error = STOP_APP") and its bare name ("STOP_APP").
struct TCodeFacts {
    uint32_t code = 0;
    std::string text;
    std::string name;
};
TCodeFacts CodeFacts(uint32_t code);

// The name of a channel state of a burn or an ID read: "passed", "failed", "inactive" or
// "unknown".
std::string_view ChannelStateName(uint8_t state);

struct TChannelVerdict {
    int channel = 0; // 1..4
    uint8_t state = 0;
    TCodeFacts code;
};

// The burn result of -execute.
struct TBurnFacts {
    bool sdCardUsed = false;
    TCodeFacts overall;                    // code 0: the channel verdicts hold
    std::vector<TChannelVerdict> channels; // empty when the burn failed as a whole
};

// One ID of a chip: its name, the hexadecimal text printed for it and, when it fits 64 bits,
// its value.
struct TIdFacts {
    std::string name;
    std::string hex;
    std::optional<uint64_t> value;
};

// The answer of one channel to an ID read (-readID, -detectID).
struct TChannelIds {
    int channel = 0; // 1..4
    std::string family;
    uint8_t state = 0;
    TCodeFacts code;
    std::vector<TIdFacts> ids; // only when the channel passed
};

// A configuration as a .cfg file holds it ("file") or as the programmer describes or returns
// the one it stores ("programmer").
struct TConfigurationFacts {
    std::string source;
    std::optional<std::string> file;
    std::string name;
    std::optional<uint32_t> size;
    std::optional<uint16_t> crc;
    uint32_t targetType = 0;
    std::optional<uint32_t> baudRate;
    std::optional<uint32_t> channelSelection;
    std::optional<std::string> aparamChecksum; // as -fileGetInfo prints it
    std::optional<std::string> patchId;
};
// The facts of `configuration` (its size and CRC those of the image it builds); `source` and
// `file` as above. Nothing when the image cannot be built.
std::optional<TConfigurationFacts> ConfigurationFacts(TConfiguration& configuration,
                                                      std::string source,
                                                      std::optional<std::string> file);

struct TFirmwareFacts {
    uint32_t version = 0;
    bool supported = false;
    bool sdCardInserted = false;
};

// A service command as sent and answered.
struct TServiceFacts {
    std::string command;               // "getInfo"
    std::optional<std::string> device; // the family the device item names
    uint8_t module = 0;
    uint8_t opCode = 0;
    std::vector<uint8_t> requestData; // the data bytes sent; empty when it was refused
    bool sent = false;
    int32_t answer = 0; // the first four data bytes of the answer, or the refusal
};

// The command line as the options interpreted it.
struct TCommandFacts {
    std::optional<std::string> option; // the command's option in lower case, without its dash
    std::optional<std::string> value;  // its value as given; nothing when it took none
    uint8_t type = 0;
    uint16_t code = 0;
    std::vector<std::string> items;
    TCLIParser::Dictionary named;
};

class TRunReport {
public:
    void SetArguments(std::vector<std::string> arguments);
    void SetProgrammer(std::optional<std::string> programmer);
    void SetCommand(TCommandFacts command);
    // Every byte the run writes to standard output, in order.
    void AddOutput(std::string_view text);
    // The line that says how the run ended, when the run itself printed it (a result message,
    // the error line of the top-level handler, the instance rule's line).
    void SetMessage(std::string line);

    void SetBurn(TBurnFacts burn);
    void AddChannelIds(TChannelIds ids);
    void SetConfiguration(TConfigurationFacts configuration);
    void SetFirmware(TFirmwareFacts firmware);
    void SetService(TServiceFacts service);
    void SetTriggerEnabled(bool enabled);
    void SetBaudRate(uint32_t baudRate);
    void SetActiveChannel(int channel);
    void SetTransferred(size_t bytes);

    // A copy of everything gathered, for the writer.
    struct TContents {
        std::vector<std::string> arguments;
        std::optional<std::string> programmer;
        std::optional<TCommandFacts> command;
        std::string output;
        std::optional<std::string> message;
        std::optional<TBurnFacts> burn;
        std::vector<TChannelIds> channelIds;
        std::optional<TConfigurationFacts> configuration;
        std::optional<TFirmwareFacts> firmware;
        std::optional<TServiceFacts> service;
        std::optional<bool> triggerEnabled;
        std::optional<uint32_t> baudRate;
        std::optional<int> activeChannel;
        std::optional<size_t> transferred;
    };
    TContents Contents() const;

    // The printed lines without their CR LF (a last line without one too).
    static std::vector<std::string> Lines(const std::string& output);
    // The message line: the one the run set, else the last "Operation completed successfully."
    // or "Operation failed." printed, else nothing.
    static std::optional<std::string> MessageLine(const TContents& contents);

private:
    mutable std::mutex fLock;
    TContents fContents;
};

// A console whose every byte also goes into the run's report.
class TReportedConsole : public TConsole {
public:
    TReportedConsole(TConsole& inner, TRunReport& report) : fInner(inner), fReport(report) {}
    void Write(std::string_view text) override {
        fInner.Write(text);
        fReport.AddOutput(text);
    }

private:
    TConsole& fInner;
    TRunReport& fReport;
};

} // namespace ardent
