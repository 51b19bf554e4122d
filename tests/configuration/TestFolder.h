#pragma once
// A fresh folder per test under the system's temporary folder, removed afterwards.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace ardent::testing_support {

class TestFolder {
public:
    TestFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        mPath = std::filesystem::temp_directory_path() /
                ("ardent-cfg-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                 std::to_string(::getpid()));
        std::filesystem::remove_all(mPath);
        std::filesystem::create_directories(mPath);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    std::string PathOf(const std::string& name) const { return (mPath / name).string(); }
    size_t FileCount() const {
        size_t count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(mPath)) {
            ++count;
        }
        return count;
    }

private:
    std::filesystem::path mPath;
};

} // namespace ardent::testing_support
