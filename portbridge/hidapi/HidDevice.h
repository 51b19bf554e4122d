#pragma once
// The thin seam between libportbridge.so's own logic (TPortBridge) and the hidapi calls it
// needs: list the HID devices with their product strings and serial numbers, tell whether this
// user may open one, open one by path, read an input report with a time-out, write an output
// report. The real implementation is THidapiBackend;
// tests put a fake device behind it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ardent::portbridge {

struct THidDeviceInfo {
    std::string path;       // what Open takes
    std::u16string product; // the USB product string
    std::string serial;     // the USB serial number (UTF-8), "" when the device reports none
};

// One open HID device; closed when the last reference goes.
class IHidDevice {
public:
    virtual ~IHidDevice() = default;
    // Waits up to `timeoutMs` for one input report: its length, 0 when none came, -1 when the
    // device is gone or failed.
    virtual int Read(uint8_t* buffer, size_t size, int timeoutMs) = 0;
    // Writes one output report, report ID byte first: the bytes written, -1 on failure.
    virtual int Write(const uint8_t* data, size_t size) = 0;
};

class IHidApi {
public:
    virtual ~IHidApi() = default;
    // Every HID device present now, of any vendor and product ID.
    virtual std::vector<THidDeviceInfo> Enumerate() = 0;
    // Whether this user may open the device for reading and writing; it opens nothing.
    virtual bool MayOpen(const std::string& path) = 0;
    // nullptr when the device cannot be opened (gone, or no permission).
    virtual std::shared_ptr<IHidDevice> Open(const std::string& path) = 0;
};

} // namespace ardent::portbridge
