#include "protocol/HIDCtrl.h"

#include "protocol/Trace.h"

namespace ardent {

namespace {

// The process-wide slot the library's callbacks reach the controller through.
std::atomic<HIDCtrl*> gCurrent{nullptr};

THidLibraryBinding& ProcessBinding() {
    static THidLibraryBinding binding;
    return binding;
}

void OnReportReceived(void* /*ignored*/, const uint8_t* data, uint16_t count) {
    if (HIDCtrl* ctrl = gCurrent.load())
        ctrl->HandleReportReceived(data, count);
}

void OnDeviceConnected() {
    if (HIDCtrl* ctrl = gCurrent.load())
        ctrl->HandleDeviceConnected();
}

void OnDeviceDisconnected() {
    if (HIDCtrl* ctrl = gCurrent.load())
        ctrl->HandleDeviceDisconnected();
}

} // namespace

HIDCtrl::HIDCtrl(std::unique_ptr<IHIDCtrlVariant> variant)
    : HIDCtrl(std::move(variant), ProcessBinding()) {}

HIDCtrl::HIDCtrl(std::unique_ptr<IHIDCtrlVariant> variant, IHidLibrary& library)
    : fVariant(std::move(variant)), fLibrary(library) {
    HIDCtrl* expected = nullptr;
    fOwnsSlot = gCurrent.compare_exchange_strong(expected, this);
    if (!fOwnsSlot) {
        TraceLine("controller without library: another controller holds the transport");
        return;
    }
    if (!fLibrary.Load())
        return;
    HidInt = fLibrary.GetInterface();
    if (HidInt == nullptr) {
        TraceLine("controller without library: the library gave no interface");
        fLibrary.Unload();
        return;
    }
    fDllLoaded = true;
    HidInt->SetReceiveCallback(&OnReportReceived);
    HidInt->SetConnectedCallback(&OnDeviceConnected);
    HidInt->SetDisconnectedCallback(&OnDeviceDisconnected);
}

HIDCtrl::~HIDCtrl() {
    if (HidInt != nullptr) {
        // After these calls no callback is running or will run, so the slot can be freed safely.
        HidInt->SetReceiveCallback(nullptr);
        HidInt->SetConnectedCallback(nullptr);
        HidInt->SetDisconnectedCallback(nullptr);
        HidInt->Release();
        HidInt = nullptr;
    }
    if (fDllLoaded)
        fLibrary.Unload();
    fConnected.store(false);
    fDllLoaded = false;
    if (fOwnsSlot)
        gCurrent.store(nullptr);
}

HIDCtrl* HIDCtrl::Current() {
    return gCurrent.load();
}

bool HIDCtrl::Connect() {
    std::lock_guard guard(fConnectLock);
    if (!fDllLoaded || HidInt == nullptr) {
        TraceLine("connect: no transport library");
        return fConnected.load();
    }
    fVariant->Connect(*this, *HidInt);
    const bool connected = fConnected.load();
    TraceLine(connected ? "connect: connected" : "connect: not connected");
    return connected;
}

int32_t HIDCtrl::SendData(const uint8_t* data, uint16_t size) {
    if (!fConnected.load() || HidInt == nullptr) {
        TraceLine("send refused: not connected");
        return -1;
    }
    const int32_t result = HidInt->WriteReport(data, size);
    TraceWrite(data, size, result);
    return result;
}

bool HIDCtrl::SendData(const TPacketFormat& packet) {
    if (!fConnected.load() || HidInt == nullptr) {
        TraceLine("send refused: not connected");
        return false;
    }
    const TArrayByte bytes = PacketToBytes(packet);
    const auto size = static_cast<uint16_t>(bytes.size());
    const int32_t result = HidInt->WriteReport(bytes.data(), size);
    TraceWrite(bytes.data(), size, result);
    return (result & 0xFF) == 0;
}

void HIDCtrl::TraceWrite(const uint8_t* data, uint16_t size, int32_t result) {
    if (!TraceEnabled())
        return;
    TraceReport("send", data, size);
    if ((result & 0xFF) != 0)
        TraceLine("send: the library refused the report (" + std::to_string(result) + ")");
}

void HIDCtrl::HandleReportReceived(const uint8_t* data, uint16_t count) {
    if (TraceEnabled())
        TraceReport("receive", data, data == nullptr ? 0 : count);
    fVariant->OnReportReceived(*this, data, count);
}

void HIDCtrl::HandleDeviceConnected() {
    TraceLine("device connected");
    fVariant->OnDeviceConnected(*this);
}

void HIDCtrl::HandleDeviceDisconnected() {
    TraceLine("device disconnected");
    fVariant->OnDeviceDisconnected(*this);
}

} // namespace ardent
