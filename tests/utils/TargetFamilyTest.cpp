#include "utils/TargetFamily.h"

#include <gtest/gtest.h>

#include <string>

namespace ardent {
namespace {

TEST(TargetFamily, NamesCompareWithoutRegardToCaseAndNothingAround) {
    const struct {
        std::string name;
        TTargetFamily family;
    } cases[] = {
        {"dp3b", TTargetFamily::DP3B},
        {"Dp2B", TTargetFamily::DP2B},
        {"DP2A", TTargetFamily::DP2A},
        {"DP2A ", TTargetFamily::NotRecognised},
        {" DP2A", TTargetFamily::NotRecognised},
        {"DP2", TTargetFamily::NotRecognised},
        {"DP4B", TTargetFamily::NotRecognised},
        {"", TTargetFamily::NotRecognised},
        {std::string("DP2A\0", 5), TTargetFamily::NotRecognised},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TargetFamilyFromName(c.name), c.family) << c.name;
}

TEST(TargetFamily, NumbersAreTheStoredOnesAndEveryOtherNumberIsNotRecognised) {
    const struct {
        uint32_t number;
        TTargetFamily family;
    } cases[] = {
        {1, TTargetFamily::DP2A},
        {2, TTargetFamily::DP2B},
        {3, TTargetFamily::DP3B},
        {0, TTargetFamily::NotRecognised},
        {4, TTargetFamily::NotRecognised},
        {255, TTargetFamily::NotRecognised},
        // Only the whole number counts: 257 is not DP2A although its low byte is 1.
        {257, TTargetFamily::NotRecognised},
        {0xFFFFFFFFu, TTargetFamily::NotRecognised},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TargetFamilyFromNumber(c.number), c.family) << c.number;
    EXPECT_EQ(FamilyNumber(TTargetFamily::NotRecognised), 255);
}

TEST(TargetFamily, PrintedNamesReadBackAsTheirFamily) {
    EXPECT_EQ(TargetFamilyName(TTargetFamily::DP2A), "DP2A");
    EXPECT_EQ(TargetFamilyName(TTargetFamily::DP2B), "DP2B");
    EXPECT_EQ(TargetFamilyName(TTargetFamily::DP3B), "DP3B");
    EXPECT_EQ(TargetFamilyName(TTargetFamily::NotRecognised), "");
    for (const TTargetFamily family :
         {TTargetFamily::DP2A, TTargetFamily::DP2B, TTargetFamily::DP3B})
        EXPECT_EQ(TargetFamilyFromName(TargetFamilyName(family)), family);
}

} // namespace
} // namespace ardent
