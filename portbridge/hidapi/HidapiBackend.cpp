#include "HidapiBackend.h"

#include <hidapi/hidapi.h>
#include <unistd.h>

namespace ardent::portbridge {

namespace {

// hidapi hands out product strings as wchar_t (UTF-32 on Linux); the host names the product
// in UTF-16.
std::u16string ToUtf16(const wchar_t* text) {
    std::u16string result;
    if (text == nullptr)
        return result;
    for (; *text != L'\0'; ++text) {
        auto code = static_cast<char32_t>(*text);
        if (code >= 0x10000 && code <= 0x10FFFF) {
            code -= 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else if (code < 0x10000) {
            result.push_back(static_cast<char16_t>(code));
        } else {
            result.push_back(u'\uFFFD');
        }
    }
    return result;
}

// Serial numbers travel as UTF-8, the encoding of the programs' text and of file names.
std::string ToUtf8(const wchar_t* text) {
    std::string result;
    if (text == nullptr)
        return result;
    for (; *text != L'\0'; ++text) {
        auto code = static_cast<char32_t>(*text);
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            code = 0xFFFD;
        if (code < 0x80) {
            result.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            result.push_back(static_cast<char>(0xC0 | (code >> 6)));
            result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            result.push_back(static_cast<char>(0xE0 | (code >> 12)));
            result.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            result.push_back(static_cast<char>(0xF0 | (code >> 18)));
            result.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return result;
}

class THidapiDevice final : public IHidDevice {
public:
    explicit THidapiDevice(hid_device* device) : fDevice(device) {}
    ~THidapiDevice() override { hid_close(fDevice); }
    THidapiDevice(const THidapiDevice&) = delete;
    THidapiDevice& operator=(const THidapiDevice&) = delete;

    int Read(uint8_t* buffer, size_t size, int timeoutMs) override {
        return hid_read_timeout(fDevice, buffer, size, timeoutMs);
    }
    int Write(const uint8_t* data, size_t size) override { return hid_write(fDevice, data, size); }

private:
    hid_device* fDevice;
};

} // namespace

THidapiBackend::THidapiBackend() {
    hid_init();
}

THidapiBackend::~THidapiBackend() {
    hid_exit();
}

std::vector<THidDeviceInfo> THidapiBackend::Enumerate() {
    std::vector<THidDeviceInfo> devices;
    hid_device_info* list = hid_enumerate(0, 0); // any vendor, any product
    for (const hid_device_info* info = list; info != nullptr; info = info->next) {
        if (info->path != nullptr)
            devices.push_back(
                {info->path, ToUtf16(info->product_string), ToUtf8(info->serial_number)});
    }
    hid_free_enumeration(list);
    return devices;
}

bool THidapiBackend::MayOpen(const std::string& path) {
    return ::access(path.c_str(), R_OK | W_OK) == 0;
}

std::shared_ptr<IHidDevice> THidapiBackend::Open(const std::string& path) {
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr)
        return nullptr;
    return std::make_shared<THidapiDevice>(device);
}

} // namespace ardent::portbridge
