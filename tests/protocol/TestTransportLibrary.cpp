// A stand-in transport library for the binding tests, built as a loadable module. Built once
// with all three exports, once without HidDllEnd (ARDENT_TEST_WITHOUT_END), and once with the
// programmer listing (ARDENT_TEST_WITH_LISTING), whose answer the environment variable
// ARDENT_TEST_PROGRAMMERS sets: entries "serial|path|accessible" separated by ';' ("" = none
// connected), or "fail" for a library that cannot look. It never connects.

#include "portbridge/TransportBase.h"

#ifdef ARDENT_TEST_WITH_LISTING
#include "portbridge/ProgrammerList.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#endif

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

#ifdef ARDENT_TEST_WITH_LISTING
extern "C" __attribute__((visibility("default"))) int32_t
ArdentListProgrammers(ArdentProgrammerEntry* entries, int32_t capacity) {
    const char* text = std::getenv("ARDENT_TEST_PROGRAMMERS");
    const std::string listing = text == nullptr ? "" : text;
    if (listing == "fail")
        return -1;
    std::vector<std::string> items;
    for (size_t start = 0; start < listing.size();) {
        const size_t end = std::min(listing.find(';', start), listing.size());
        items.push_back(listing.substr(start, end - start));
        start = end + 1;
    }
    for (int32_t i = 0; i < capacity && i < static_cast<int32_t>(items.size()); ++i) {
        const std::string& item = items[static_cast<size_t>(i)];
        const size_t first = item.find('|');
        const size_t second = item.find('|', first + 1);
        ArdentProgrammerEntry& entry = entries[i];
        entry = ArdentProgrammerEntry{};
        std::strncpy(entry.serial, item.substr(0, first).c_str(), sizeof entry.serial - 1);
        std::strncpy(entry.path, item.substr(first + 1, second - first - 1).c_str(),
                     sizeof entry.path - 1);
        entry.accessible = item.substr(second + 1) == "1" ? 1 : 0;
    }
    return static_cast<int32_t>(items.size());
}
#endif
