#include "protocol/HIDCtrl.h"

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
    if (!fOwnsSlot || !fLibrary.Load())
        return;
    HidInt = fLibrary.GetInterface();
    if (HidInt == nullptr) {
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
    if (fDllLoaded && HidInt != nullptr)
        fVariant->Connect(*this, *HidInt);
    return fConnected.load();
}

int32_t HIDCtrl::SendData(const uint8_t* data, uint16_t size) {
    if (!fConnected.load() || HidInt == nullptr)
        return -1;
    return HidInt->WriteReport(data, size);
}

bool HIDCtrl::SendData(const TPacketFormat& packet) {
    if (!fConnected.load() || HidInt == nullptr)
        return false;
    const TArrayByte bytes = PacketToBytes(packet);
    const int32_t result = HidInt->WriteReport(bytes.data(), static_cast<uint16_t>(bytes.size()));
    return (result & 0xFF) == 0;
}

void HIDCtrl::HandleReportReceived(const uint8_t* data, uint16_t count) {
    fVariant->OnReportReceived(*this, data, count);
}

void HIDCtrl::HandleDeviceConnected() {
    fVariant->OnDeviceConnected(*this);
}

void HIDCtrl::HandleDeviceDisconnected() {
    fVariant->OnDeviceDisconnected(*this);
}

} // namespace ardent
