// A stand-in transport library for the binding tests, built as a loadable module. Built once
// with all three exports and once without HidDllEnd (ARDENT_TEST_WITHOUT_END).

#include "portbridge/HidIntf.h"

namespace {

using namespace ardent::portbridge;

class MinimalIntf final : public IHIDIntf {
public:
    int32_t QueryInterface(const uint8_t*, void**) override { return 1; }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    void SetReceiveCallback(ReceiveCallback) override {}
    int32_t ConnectDevice(const char16_t*) override { return 0; }
    void SetConnectedCallback(ConnectionCallback) override {}
    void SetDisconnectedCallback(ConnectionCallback) override {}
    int32_t WriteReport(const uint8_t*, uint16_t) override { return 1; }
    int32_t Reserved8() override { return 1; }
    int32_t Reserved9() override { return 1; }
    int32_t Reserved10() override { return 1; }
    int32_t Reserved11() override { return 1; }
    int32_t Reserved12() override { return 1; }
    int32_t Reserved13() override { return 1; }
    int32_t OpenDevice(const char16_t*) override { return 1; }
    int32_t Reserved15() override { return 1; }
    int32_t Reserved16() override { return 1; }
    int32_t Reserved17() override { return 1; }

    uint32_t refs = 1;
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
    return static_cast<int>(gIntf.refs);
}
}
