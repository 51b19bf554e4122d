// The three exports of libportbridge.so and its programmer list. The library keeps one bridge
// from HidDllBegin to HidDllEnd; the host only ever sees its interface.

#include "HidapiBackend.h"
#include "PortBridge.h"

#include "portbridge/ProgrammerList.h"

#include <memory>
#include <mutex>

namespace {

using ardent::portbridge::THidapiBackend;
using ardent::portbridge::TPortBridge;

std::mutex gLock;
std::unique_ptr<THidapiBackend> gApi;
std::unique_ptr<TPortBridge> gBridge;

} // namespace

extern "C" {

__attribute__((visibility("default"))) void HidDllBegin() {
    std::lock_guard guard(gLock);
    if (gBridge)
        return;
    gApi = std::make_unique<THidapiBackend>();
    gBridge = std::make_unique<TPortBridge>(*gApi);
}

__attribute__((visibility("default"))) void GetHidIntf(ardent::portbridge::IHIDIntf** out) {
    if (out == nullptr)
        return;
    std::lock_guard guard(gLock);
    *out = gBridge.get();
}

__attribute__((visibility("default"))) void HidDllEnd() {
    std::lock_guard guard(gLock);
    gBridge.reset(); // stops the worker before hidapi shuts down
    gApi.reset();
}

__attribute__((visibility("default"))) int32_t ArdentListProgrammers(ArdentProgrammerEntry* entries,
                                                                     int32_t capacity) {
    std::lock_guard guard(gLock);
    // Before HidDllBegin (or after HidDllEnd) the list needs a hidapi of its own for the call.
    std::unique_ptr<THidapiBackend> own;
    THidapiBackend* api = gApi.get();
    if (api == nullptr) {
        own = std::make_unique<THidapiBackend>();
        api = own.get();
    }
    return ardent::portbridge::FillProgrammerEntries(
        ardent::portbridge::ListProgrammers(*api, ardent::portbridge::kProductName), entries,
        capacity);
}
}
