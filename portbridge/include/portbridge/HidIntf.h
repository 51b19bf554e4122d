#pragma once
// The contract between the Ardent programs and a transport library (libportbridge.so, the real
// USB HID one, or libportbridge-sim.so, the simulated programmer's). The host loads the library
// with dlopen and reaches it only through the three exports and the interface below.
//
// The interface is a plain C++ vtable: no virtual destructor, slots in the order given, the
// platform's default calling convention. A library implements every slot.
//
// Threads and ownership:
// - Callbacks run on a thread of the library, never on the caller's; the host copies what it
//   needs before returning and must not call back into the library from a callback.
// - The receive callback gets one 64-byte input report at a time (`count` is 64); the data is
//   owned by the library and valid only during the call. Its first argument is unused (nullptr).
// - The interface object belongs to the library: GetHidIntf hands out a pointer that stays valid
//   until HidDllEnd; the host never deletes it.
// - Setting a callback to nullptr stops its calls; after it returns, no call of the old callback
//   is in progress.

#include <cstdint>

namespace ardent::portbridge {

using ReceiveCallback = void (*)(void* ignored, const uint8_t* data, uint16_t count);
using ConnectionCallback = void (*)();

class IHIDIntf {
public:
    // Slots 0-2: the COM-style base. QueryInterface answers 0 and the interface itself for
    // kIHIDIntfId, a non-zero value otherwise; the counters have no effect on lifetime.
    virtual int32_t QueryInterface(const uint8_t iid[16], void** out) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
    // Slot 3: where input reports go.
    virtual void SetReceiveCallback(ReceiveCallback callback) = 0;
    // Slot 4: starts watching for the device with this product string (UTF-16, zero-terminated)
    // and returns at once. The connected callback fires when it appears (also when it is already
    // there), the disconnected callback when it goes away; watching goes on, so a device that
    // comes back is connected again. 0 = watching started.
    virtual int32_t ConnectDevice(const char16_t* product) = 0;
    // Slots 5-6.
    virtual void SetConnectedCallback(ConnectionCallback callback) = 0;
    virtual void SetDisconnectedCallback(ConnectionCallback callback) = 0;
    // Slot 7: sends one report of `count` bytes (64; the library adds any report ID the bus
    // needs). 0 in the low byte = accepted for sending; anything else = not sent.
    virtual int32_t WriteReport(const uint8_t* data, uint16_t count) = 0;
    // Slots 8-13: unused by the host; return a non-zero value.
    virtual int32_t Reserved8() = 0;
    virtual int32_t Reserved9() = 0;
    virtual int32_t Reserved10() = 0;
    virtual int32_t Reserved11() = 0;
    virtual int32_t Reserved12() = 0;
    virtual int32_t Reserved13() = 0;
    // Slot 14: tries once to open the device with this product string; 0 = connected (the
    // connected callback has fired before it returns), anything else = not found. Later input
    // reports and a disconnection are reported through the callbacks.
    virtual int32_t OpenDevice(const char16_t* product) = 0;
    // Slots 15-17: unused by the host; return a non-zero value.
    virtual int32_t Reserved15() = 0;
    virtual int32_t Reserved16() = 0;
    virtual int32_t Reserved17() = 0;

protected:
    ~IHIDIntf() = default;
};

// {A6C3893B-F67D-4A8B-8AC7-28D3BBACA5DA}: the interface identifier in its usual 16-byte form
// (first three groups little-endian).
inline constexpr uint8_t kIHIDIntfId[16] = {0x3B, 0x89, 0xC3, 0xA6, 0x7D, 0xF6, 0x8B, 0x4A,
                                           0x8A, 0xC7, 0x28, 0xD3, 0xBB, 0xAC, 0xA5, 0xDA};

// The product string the host looks for.
inline constexpr char16_t kProductName[] = u"Orvik Ardent";

} // namespace ardent::portbridge

// The three exports, looked up by these names.
extern "C" {
// Prepares the library; called once after loading.
void HidDllBegin();
// Hands out the library's interface (nullptr when it has none).
void GetHidIntf(ardent::portbridge::IHIDIntf** out);
// Stops the library's threads and releases the device; the interface is invalid afterwards.
void HidDllEnd();
}
