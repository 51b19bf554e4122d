#include "protocol/HidLibrary.h"
#include "protocol/HIDCtrl.h"
#include "protocol/WindowedHidVariant.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>

namespace ardent {
namespace {

// Whether the module is still mapped into the process.
bool IsResident(const char* path) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

int CallCounter(const char* path, const char* name) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return -1;
    auto counter = reinterpret_cast<int (*)()>(dlsym(handle, name));
    const int value = counter != nullptr ? counter() : -1;
    dlclose(handle);
    return value;
}

class HidLibraryTest : public ::testing::Test {
protected:
    void TearDown() override {
        UnloadHidLibrary();
        testing_seam::ResetHidLibraryCandidates();
    }
};

TEST_F(HidLibraryTest, LoadingTwiceLoadsOnceAndUnloadFreesTheLibrary) {
    testing_seam::SetHidLibraryCandidates({ARDENT_TEST_FULL_LIBRARY});
    ASSERT_TRUE(LoadHidLibrary());
    ASSERT_TRUE(LoadHidLibrary());
    EXPECT_TRUE(IsHidLibraryLoaded());
    EXPECT_EQ(CallCounter(ARDENT_TEST_FULL_LIBRARY, "TestBeginCount"), 1);

    IHIDIntf* intf = GetHidInterface();
    ASSERT_NE(intf, nullptr);
    EXPECT_EQ(CallCounter(ARDENT_TEST_FULL_LIBRARY, "TestReferenceCount"), 2);
    intf->Release();

    UnloadHidLibrary();
    EXPECT_FALSE(IsHidLibraryLoaded());
    EXPECT_FALSE(IsResident(ARDENT_TEST_FULL_LIBRARY));
    EXPECT_EQ(GetHidInterface(), nullptr);
}

TEST_F(HidLibraryTest, UnloadWithoutLoadDoesNothing) {
    UnloadHidLibrary();
    EXPECT_FALSE(IsHidLibraryLoaded());
    EXPECT_EQ(GetHidInterface(), nullptr);
}

TEST_F(HidLibraryTest, LibraryWithTwoOfThreeExportsIsUnloadedAgain) {
    testing_seam::SetHidLibraryCandidates({ARDENT_TEST_PARTIAL_LIBRARY});
    EXPECT_FALSE(LoadHidLibrary());
    EXPECT_FALSE(IsHidLibraryLoaded());
    EXPECT_FALSE(IsResident(ARDENT_TEST_PARTIAL_LIBRARY));

    TThreadSafeQueue<TArrayByte> queue;
    HIDCtrl ctrl(std::make_unique<TWindowedHidVariant>(queue));
    EXPECT_FALSE(ctrl.isDllLoaded());
    EXPECT_FALSE(ctrl.Connect());
    EXPECT_FALSE(ctrl.isConnected());
}

TEST_F(HidLibraryTest, MissingFilesAreSkippedInSearchOrder) {
    testing_seam::SetHidLibraryCandidates({"/nonexistent/libportbridge.so"});
    EXPECT_FALSE(LoadHidLibrary());
    testing_seam::SetHidLibraryCandidates(
        {"/nonexistent/libportbridge.so", ARDENT_TEST_FULL_LIBRARY});
    EXPECT_TRUE(LoadHidLibrary());
}

TEST_F(HidLibraryTest, ControllerTakesTheLoadedLibrary) {
    testing_seam::SetHidLibraryCandidates({ARDENT_TEST_FULL_LIBRARY});
    {
        TThreadSafeQueue<TArrayByte> queue;
        HIDCtrl ctrl(std::make_unique<TWindowedHidVariant>(queue));
        EXPECT_TRUE(ctrl.isDllLoaded());
        EXPECT_EQ(CallCounter(ARDENT_TEST_FULL_LIBRARY, "TestReferenceCount"), 2);
    }
    EXPECT_FALSE(IsHidLibraryLoaded());
}

TEST_F(HidLibraryTest,
       SearchOrderIsEnvironmentThenExecutableFolderThenPrivateInstallationFolderThenLinkerPath) {
    ::setenv("ARDENT_PORTBRIDGE", "/opt/line/libportbridge-sim.so", 1);
    const std::vector<std::string> candidates = HidLibraryCandidates();
    ::unsetenv("ARDENT_PORTBRIDGE");
    ASSERT_EQ(candidates.size(), 4u);
    EXPECT_EQ(candidates[0], "/opt/line/libportbridge-sim.so");
    // The executable's folder as the system resolves it (symbolic links followed).
    const std::string folder = std::filesystem::canonical(ARDENT_BIN_DIR).string() + "/";
    EXPECT_EQ(candidates[1], folder + "libportbridge.so");
    // The installation's private folder, not the public library folder.
    EXPECT_EQ(candidates[2], folder + "../" ARDENT_INSTALL_LIBDIR "/ardent/libportbridge.so");
    EXPECT_EQ(candidates[3], "libportbridge.so");

    const std::vector<std::string> withoutEnvironment = HidLibraryCandidates();
    ASSERT_EQ(withoutEnvironment.size(), 3u);
    EXPECT_EQ(withoutEnvironment[0], candidates[1]);
}

} // namespace
} // namespace ardent
