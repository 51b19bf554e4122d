// A stand-in transport library for the binding tests, built as a loadable module. Built once
// with all three exports and once without HidDllEnd (ARDENT_TEST_WITHOUT_END).

#include "portbridge/TransportBase.h"

namespace {

using namespace ardent::portbridge;

class MinimalIntf final : public TTransportBase {
public:
    int32_t ConnectDevice(const char16_t*) override { return 0; }
    int32_t WriteReport(const uint8_t*, uint16_t) override { return 1; }
    int32_t OpenDevice(const char16_t*) override { return 1; }
};

MinimalIntf gIntf;
int gBeginCount = 0;

} // namespace

extern "C" {
__attribute__((visibility("default"))) void HidDllBegin() {
    ++gBeginCount;
}
__attribute__((visibility("default"))) void GetHidIntf(IHIDIntf** out) {
    *out = &gIntf;
}
#ifndef ARDENT_TEST_WITHOUT_END
__attribute__((visibility("default"))) void HidDllEnd() {}
#endif
// How often HidDllBegin ran and how many references the host holds.
__attribute__((visibility("default"))) int TestBeginCount() {
    return gBeginCount;
}
__attribute__((visibility("default"))) int TestReferenceCount() {
    gIntf.AddRef();
    return static_cast<int>(gIntf.Release());
}
}
