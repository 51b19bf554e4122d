#pragma once
// THidapiBackend: IHidApi over the hidapi library (hidraw backend). One per loaded library;
// it initialises hidapi when created and shuts it down when destroyed.

#include "HidDevice.h"

namespace ardent::portbridge {

class THidapiBackend final : public IHidApi {
public:
    THidapiBackend();
    ~THidapiBackend() override;
    THidapiBackend(const THidapiBackend&) = delete;
    THidapiBackend& operator=(const THidapiBackend&) = delete;

    std::vector<THidDeviceInfo> Enumerate() override;
    bool MayOpen(const std::string& path) override;
    std::shared_ptr<IHidDevice> Open(const std::string& path) override;
};

} // namespace ardent::portbridge
