// The three exports of libportbridge-sim.so. The library holds one transport for its lifetime
// between HidDllBegin and HidDllEnd.

#include "SimTransport.h"

#include <mutex>

namespace {

std::mutex gLock;
ardent::portbridge::TSimTransport* gTransport = nullptr; // owned; created by HidDllBegin

} // namespace

extern "C" {

__attribute__((visibility("default"))) void HidDllBegin() {
    std::lock_guard lock(gLock);
    if (gTransport == nullptr) {
        gTransport = new ardent::portbridge::TSimTransport();
    }
}

__attribute__((visibility("default"))) void GetHidIntf(ardent::portbridge::IHIDIntf** out) {
    if (out == nullptr) {
        return;
    }
    std::lock_guard lock(gLock);
    *out = gTransport;
}

__attribute__((visibility("default"))) void HidDllEnd() {
    ardent::portbridge::TSimTransport* transport = nullptr;
    {
        std::lock_guard lock(gLock);
        transport = gTransport;
        gTransport = nullptr;
    }
    delete transport; // stops the worker first
}

} // extern "C"
