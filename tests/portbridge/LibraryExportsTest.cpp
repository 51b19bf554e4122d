#include "protocol/HidLibrary.h"

#include "portbridge/ProgrammerList.h"

#include <cstring>
#include <dlfcn.h>

#include <gtest/gtest.h>

namespace ardent {
namespace {

// The built libportbridge.so goes through the same binding the programs use: all three exports
// resolve and the interface answers its identifier. No device is touched.
TEST(LibraryExports, BuiltLibraryLoadsThroughTheBinding) {
    testing_seam::SetHidLibraryCandidates({ARDENT_PORTBRIDGE_LIBRARY});
    ASSERT_TRUE(LoadHidLibrary());
    IHIDIntf* intf = GetHidInterface();
    ASSERT_NE(intf, nullptr);
    void* same = nullptr;
    EXPECT_EQ(intf->QueryInterface(portbridge::kIHIDIntfId, &same), 0);
    EXPECT_EQ(same, intf);
    intf->Release();
    intf->Release();
    UnloadHidLibrary();
    EXPECT_FALSE(IsHidLibraryLoaded());
    testing_seam::ResetHidLibraryCandidates();
}

// The optional list export is there and answers without a bridge having been started: a count
// (no programmer is needed for the test), and no entry touched beyond the capacity given.
TEST(LibraryExports, BuiltLibraryListsProgrammersWithoutOpeningThem) {
    void* library = ::dlopen(ARDENT_PORTBRIDGE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    auto list = reinterpret_cast<portbridge::ListProgrammersFunction>(
        ::dlsym(library, portbridge::kListProgrammersExport));
    ASSERT_NE(list, nullptr);
    const int32_t count = list(nullptr, 0);
    EXPECT_GE(count, 0);
    ArdentProgrammerEntry entries[2];
    std::memset(entries, 0x7F, sizeof entries);
    EXPECT_EQ(list(entries, 1), count);
    EXPECT_EQ(static_cast<unsigned char>(entries[1].serial[0]), 0x7F);
    ::dlclose(library);
}

} // namespace
} // namespace ardent
