// Every operation of ArdentCmd's operation thread against a programmer whose replies come from
// the input: byte 0 picks the operation, byte 1 the device family, and each following 64 bytes
// are the next reply (a request past the end of the input gets none). Checks that every line
// written is whole and that an operation whose request failed never reads as success.

#include "CommandLineHandlers.h"
#include "ExitCode.h"
#include "OperationThread.h"
#include "configuration/Configuration.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

using namespace ardent;

class TReplayedProgrammer final : public IPacketExchange {
public:
    TReplayedProgrammer(const uint8_t* data, size_t size) : fData(data), fSize(size) {}
    bool Send(const TPacketFormat&) override { return true; }
    std::optional<TPacketFormat> Receive(std::chrono::milliseconds) override {
        if (fOffset >= fSize)
            return std::nullopt;
        TPacketFormat reply{};
        const size_t count = std::min(kPacketSize, fSize - fOffset);
        std::memcpy(&reply, fData + fOffset, count);
        fOffset += count;
        return reply;
    }
    void DiscardPending() override {}
    void Deliver(const TPacketFormat&) override {}

private:
    const uint8_t* fData;
    size_t fSize;
    size_t fOffset = 0;
};

// A folder with a small .cfg to store and room for a backup; removed when the fuzzer ends.
struct TFolder {
    TFolder()
        : path(std::filesystem::temp_directory_path() /
               ("ardent-fuzz-ops-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(path);
        TConfiguration configuration;
        configuration.SetName("Fuzz");
        configuration.AddNewBlock(1, Bytes(200, 0x5A));
        configuration.WriteConfigurationToFile((path / "store.cfg").string());
    }
    ~TFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

const std::filesystem::path& Folder() {
    static const TFolder folder;
    return folder.path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const int operation = data[0] % 12;
    const char* device = data[1] % 3 == 0 ? "DP2A" : data[1] % 3 == 1 ? "DP2B" : "DP3B";
    TReplayedProgrammer programmer(data + 2, size - 2);
    TResultRecordingExchange exchange(programmer);
    TStringConsole console;
    TDeviceSetupHandler deviceSetup({exchange, TRequestTimeouts::CommandLine()});
    TTargetHandler target({exchange, TRequestTimeouts::CommandLine(), TWaitClock{},
                           [&console](std::string_view text) { console.Write(text); }});
    TCalibrationHandler calibration({exchange, TRequestTimeouts::CommandLine()});

    TOperationInput input;
    input.command = 68;
    switch (operation) {
    case TOperationThread::OP_SET_BAUD_RATE:
        input.parameters = {"9600"};
        break;
    case TOperationThread::OP_TRIGGER_BEHAVIOR:
        if (data[1] & 0x80)
            input.parameters = {"enable"};
        break;
    case TOperationThread::OP_STORE_CONFIGURATION:
        input.cfgName = (Folder() / "store.cfg").string();
        break;
    case TOperationThread::OP_READ_CONFIGURATION:
        input.cfgName = (Folder() / "backup.cfg").string();
        break;
    case TOperationThread::OP_READ_ID:
        input.parameters = {device, "3"};
        break;
    case TOperationThread::OP_SPECIAL_COMMAND:
        input.parameters = {"3"};
        break;
    case TOperationThread::OP_SET_CHANNEL:
        input.parameters = {"2"};
        break;
    case TOperationThread::OP_DETECT_ID:
        input.parameters = {device};
        break;
    default:
        break;
    }
    ProcessExitCode() = 0;
    TOperationThread thread("fuzz", operation, {deviceSetup, target, calibration}, input, console);
    thread.Execute();

    const std::string& text = console.Text();
    if (!text.empty() && !text.ends_with("\r\n") && operation != TOperationThread::OP_READ_ID &&
        operation != TOperationThread::OP_DETECT_ID)
        __builtin_trap(); // a line left open (only an unknown family leaves "Channel[n]: ")
    // Nothing answered at all: no operation that sends a request may report success.
    if (size == 2 && thread.GetOperationResult() == 0 &&
        operation != TOperationThread::OP_SPECIAL_COMMAND)
        __builtin_trap();
    return 0;
}
