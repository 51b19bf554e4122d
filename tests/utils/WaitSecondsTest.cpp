// Waits given in seconds through the environment: what is taken, and what keeps the default.

#include "utils/WaitSeconds.h"

#include <gtest/gtest.h>

#include <clocale>

namespace ardent {
namespace {

using std::chrono::milliseconds;

TEST(WaitSeconds, DecimalSecondsUpToADay) {
    struct Case {
        const char* text;
        std::optional<milliseconds> wait;
    };
    const Case cases[] = {
        {"0", milliseconds(0)},
        {"5", milliseconds(5000)},
        {"0.25", milliseconds(250)},
        {".5", milliseconds(500)},
        {"2.", milliseconds(2000)},
        {"86400", milliseconds(86'400'000)},
        {"86401", std::nullopt},
        {"", std::nullopt},
        {"-1", std::nullopt},
        {"+1", std::nullopt},
        {"1e3", std::nullopt},
        {" 1", std::nullopt},
        {"1s", std::nullopt},
        {"0,5", std::nullopt},
        {"1.2.3", std::nullopt},
        {".", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseWaitSeconds(c.text), c.wait) << '"' << c.text << '"';
}

// A windowed program runs under the user's locale; a decimal comma there must not change "0.5".
TEST(WaitSeconds, TheLocaleDoesNotChangeTheDecimalPoint) {
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no German locale installed to test with";
    EXPECT_EQ(ParseWaitSeconds("0.5"), milliseconds(500));
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace
} // namespace ardent
