#include "protocol/HidLibrary.h"

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

} // namespace
} // namespace ardent
