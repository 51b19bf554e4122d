#pragma once
// HIDCtrl: the one transport controller of a process. It wraps the transport library's
// interface, connects to the programmer by its product string, sends 64-byte reports and turns
// the library's three callbacks into packets in the program's receive queue plus the Connected
// flag. The callbacks carry no reference, so the controller lives in a process-wide slot that
// the callback trampolines reach; only one controller can hold it at a time.
//
// What differs between the two programs (how Connect works, what the callbacks queue) is a
// variant object each program passes in: TWindowedHidVariant or TCommandLineHidVariant.

#include "protocol/HidLibrary.h"
#include "protocol/PacketFormat.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace ardent {

class HIDCtrl;

// The program-specific half of the controller.
class IHIDCtrlVariant {
public:
    virtual ~IHIDCtrlVariant() = default;
    // Runs under the controller's connect mutex, only when the library is loaded.
    virtual void Connect(HIDCtrl& ctrl, IHIDIntf& intf) = 0;
    // The library's callbacks; they run on a thread of the library.
    virtual void OnReportReceived(HIDCtrl& ctrl, const uint8_t* data, uint16_t count) = 0;
    virtual void OnDeviceConnected(HIDCtrl& ctrl) = 0;
    virtual void OnDeviceDisconnected(HIDCtrl& ctrl) = 0;
};

class HIDCtrl {
public:
    // Create: loads the library through `library` (the process's dlopen binding by default),
    // takes its interface and registers the three callbacks. When the library or an export is
    // missing, or another controller already holds the process-wide slot, the controller stays
    // without library: Connect answers false and SendData refuses.
    explicit HIDCtrl(std::unique_ptr<IHIDCtrlVariant> variant);
    HIDCtrl(std::unique_ptr<IHIDCtrlVariant> variant, IHidLibrary& library);
    // Destroy: clears the callbacks (so none runs afterwards), releases the interface, unloads
    // the library and frees the process-wide slot.
    ~HIDCtrl();
    HIDCtrl(const HIDCtrl&) = delete;
    HIDCtrl& operator=(const HIDCtrl&) = delete;

    // The controller in the process-wide slot, nullptr when there is none.
    static HIDCtrl* Current();

    // Connects as the variant does; serialised. Returns the Connected flag afterwards.
    bool Connect();
    bool isConnected() const { return fConnected.load(); }
    void setConnected(bool connected) { fConnected.store(connected); }
    bool isDllLoaded() const { return fDllLoaded; }

    // Windowed program: WriteReport(data, size) and its result when connected; otherwise -1.
    int32_t SendData(const uint8_t* data, uint16_t size);
    // Command-line tool: false when not connected; otherwise writes the 64 bytes and answers
    // whether the library accepted them.
    bool SendData(const TPacketFormat& packet);

    // Entry points of the callback trampolines.
    void HandleReportReceived(const uint8_t* data, uint16_t count);
    void HandleDeviceConnected();
    void HandleDeviceDisconnected();

private:
    // Records a written report and, when the library refused it, its answer.
    static void TraceWrite(const uint8_t* data, uint16_t size, int32_t result);

    std::unique_ptr<IHIDCtrlVariant> fVariant;
    IHidLibrary& fLibrary;
    IHIDIntf* HidInt = nullptr;
    std::atomic<bool> fConnected{false};
    bool fDllLoaded = false;
    bool fOwnsSlot = false;
    std::mutex fConnectLock;
};

} // namespace ardent
