// The three exports of libportbridge-sim.so and its programmer list. The library holds one
// transport for its lifetime between HidDllBegin and HidDllEnd.

#include "SimProgrammers.h"
#include "SimTransport.h"

#include "portbridge/ProgrammerList.h"

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

// Asks the simulators themselves; needs no transport, so it works before HidDllBegin too.
__attribute__((visibility("default"))) int32_t ArdentListProgrammers(ArdentProgrammerEntry* entries,
                                                                     int32_t capacity) {
    const auto programmers = ardent::portbridge::ListSimProgrammers();
    if (!programmers) {
        return -1;
    }
    return ardent::portbridge::FillProgrammerEntries(*programmers, entries, capacity);
}

} // extern "C"
