// Feeds arbitrary reports (any length) through what the host does with received bytes: both
// controller variants' receive callbacks, the read thread's dispatch, and every reply record
// reader with the texts its codes select.
#include "protocol/CommandLineHidVariant.h"
#include "protocol/HIDCtrl.h"
#include "protocol/ReadThread.h"
#include "protocol/WindowedHidVariant.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

using namespace ardent;

// A library that is never there: the controllers run without dlopen.
class AbsentLibrary final : public IHidLibrary {
public:
    bool Load() override { return false; }
    void Unload() override {}
    IHIDIntf* GetInterface() override { return nullptr; }
};

class CountingSink final : public INotificationSink {
public:
    void PostNotification(int code, int result) override { last = code + result; }
    int last = 0;
};

size_t Sink(std::string_view text) {
    return text.size();
}

size_t ReadEveryRecord(const TPacketFormat& reply) {
    size_t total = 0;
    const auto burner = ReadRecord<TDeviceBurnerInfo>(reply);
    total += IsFirmwareSupported(burner.firmwareVersion) ? 1 : 0;
    const auto info = ReadRecord<TDeviceConfigurationStruct>(reply);
    total += info.configSize + info.crc;
    const auto ids = ReadRecord<TProcessTargetSendId>(reply);
    total += Sink(ErrorCodeText(ids.channelErrorCode));
    total += ids.dp3BIds.firmwareIdSize + ids.dp2BIds.romID + ids.dp2AIds.parameterID;
    const auto status = ReadRecord<TBurningStatusOverall>(reply);
    total += Sink(ErrorCodeText(status.overallErrorCode));
    for (const TBurningStatusChannelSingle& channel : status.channels)
        total += Sink(ErrorCodeText(channel.errorCode)) + channel.state;
    int32_t result = 0;
    if (ReadValueAt(reply, 0, result))
        total += static_cast<size_t>(result);
    const TPacketFormat request = MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget);
    total += ReplySucceeded(request, reply) ? 1 : 0;
    return total;
}

// Keeps the readers' results observable so nothing is optimised away.
size_t gTotal = 0;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static AbsentLibrary library;
    static TThreadSafeQueue<TPacketFormat> commandLineQueue;
    static TThreadSafeQueue<TArrayByte> windowedQueue;
    static TCommandLineHidVariant commandLine(commandLineQueue);
    static TWindowedHidVariant windowed(windowedQueue);
    static HIDCtrl ctrl(std::make_unique<TCommandLineHidVariant>(commandLineQueue), library);
    static THandlerQueues handlers;
    static TAsyncHandler async([](uint8_t) {});
    static CountingSink sink;
    static TReadThread reader(windowedQueue, handlers, async, sink);

    const auto count = static_cast<uint16_t>(size > 0xFFFF ? 0xFFFF : size);
    commandLine.OnReportReceived(ctrl, data, count);
    windowed.OnReportReceived(ctrl, data, count);

    TPacketFormat packet{};
    while (commandLineQueue.Get(packet))
        gTotal += ReadEveryRecord(packet);
    TArrayByte bytes{};
    while (windowedQueue.Get(bytes))
        reader.DispatchPacket(bytes);
    while (handlers.deviceSetup.Get(packet) || handlers.target.Get(packet))
        gTotal += ReadEveryRecord(packet);
    return 0;
}
