// Every operation of ArdentCmd's operation thread against a programmer whose replies come from
// the input: byte 0 picks the operation, byte 1 the device family, and each following record of
// 65 bytes is the next report - a shape byte, then the report's 64 bytes. The shape cuts the
// report short (its low 6 bits: bytes cut from its end), sends it ahead of the next record for
// the same request (0x40: a reply to an earlier request arriving during this one's wait), or
// holds it back until this request's wait has ended (0x80: a reply that came too late). Each
// report goes through the tool's receive callback and queue, as the transport delivers it; a
// request past the end of the input gets nothing. Checks that every line written is whole and
// that an operation whose requests were never answered never reads as success.

#include "CommandLineHandlers.h"
#include "OperationThread.h"
#include "RunResult.h"
#include "configuration/Configuration.h"
#include "protocol/CommandLineHidVariant.h"
#include "protocol/HIDCtrl.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

using namespace ardent;

constexpr size_t kRecordSize = 1 + kPacketSize;
constexpr uint8_t kCutMask = 0x3F;
constexpr uint8_t kAhead = 0x40;
constexpr uint8_t kLate = 0x80;

// A library that is never there: the controller only gives the callback its argument.
class AbsentLibrary final : public IHidLibrary {
public:
    bool Load() override { return false; }
    void Unload() override {}
    IHIDIntf* GetInterface() override { return nullptr; }
};

HIDCtrl& Controller() {
    static AbsentLibrary library;
    static TThreadSafeQueue<TPacketFormat> unused;
    static HIDCtrl ctrl(std::make_unique<TCommandLineHidVariant>(unused), library);
    return ctrl;
}

class TReplayedProgrammer final : public IPacketExchange {
public:
    TReplayedProgrammer(const uint8_t* data, size_t size) : fData(data), fSize(size) {}

    bool Send(const TPacketFormat&) override {
        while (fOffset + kRecordSize <= fSize) {
            const uint8_t shape = fData[fOffset];
            const std::span<const uint8_t> report(fData + fOffset + 1,
                                                  kPacketSize - (shape & kCutMask));
            fOffset += kRecordSize;
            if (shape & kLate)
                fLate.emplace_back(report.begin(), report.end());
            else
                Fire(report);
            if (!(shape & kAhead))
                break;
        }
        return true;
    }
    // Never waits: what the input gives is queued before the wait begins.
    std::optional<TPacketFormat> Receive(std::chrono::milliseconds) override {
        return fQueue.Receive(std::chrono::milliseconds::zero());
    }
    // The late replies arrive now, just before the next request drops them.
    void DiscardPending() override {
        for (const Bytes& report : fLate)
            Fire(report);
        fLate.clear();
        fQueue.DiscardPending();
    }
    void Deliver(const TPacketFormat&) override {}

private:
    // Through the tool's receive callback, as the transport hands a report over.
    void Fire(std::span<const uint8_t> report) {
        fCallback.OnReportReceived(Controller(), report.data(),
                                   static_cast<uint16_t>(report.size()));
    }

    const uint8_t* fData;
    size_t fSize;
    size_t fOffset = 0;
    TThreadSafeQueue<TPacketFormat> fReceiveQueue;
    TCommandLineHidVariant fCallback{fReceiveQueue};
    TQueueExchange fQueue{[](const TPacketFormat&) { return true; }, fReceiveQueue};
    std::vector<Bytes> fLate;
};

// Whether some report of the input arrives during a wait with a whole header: without one no
// request can have been answered.
bool AnyAnswerPossible(const uint8_t* data, size_t size) {
    for (size_t offset = 0; offset + kRecordSize <= size; offset += kRecordSize) {
        const uint8_t shape = data[offset];
        if (!(shape & kLate) && kPacketSize - (shape & kCutMask) >= kPacketHeaderSize)
            return true;
    }
    return false;
}

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
    TRunResult runResult;
    TResultRecordingExchange exchange(programmer, runResult, nullptr);
    TStringConsole console;
    TDeviceSetupHandler deviceSetup({exchange, TRequestTimeouts::CommandLine()});
    TTargetHandler target({exchange, TRequestTimeouts::CommandLine()});
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
    TRunReport report;
    TNoProgress progress;
    TOperationThread thread("fuzz", operation, {deviceSetup, target, calibration}, input, console,
                            runResult, report, progress);
    thread.Execute();

    const std::string& text = console.Text();
    if (!text.empty() && !text.ends_with("\r\n") && operation != TOperationThread::OP_READ_ID &&
        operation != TOperationThread::OP_DETECT_ID)
        __builtin_trap(); // a line left open (only an unknown family leaves "Channel[n]: ")
    // Nothing answered at all: no operation that sends a request may report success.
    if (!AnyAnswerPossible(data + 2, size - 2) && thread.GetOperationResult() == 0 &&
        operation != TOperationThread::OP_SPECIAL_COMMAND)
        __builtin_trap();
    return 0;
}
