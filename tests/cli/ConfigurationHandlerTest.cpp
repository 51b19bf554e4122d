#include "ConfigurationHandler.h"
#include "ResultCodes.h"

#include <gtest/gtest.h>

namespace ardent {
namespace {

TEST(ParseChannelSelection, ReadsTheWholeTextAsOneToFifteen) {
    struct Case {
        const char* text;
        int32_t code;
        uint32_t value = 0;
    };
    const Case cases[] = {
        {"10", 0, 10},
        {"0x000A", 0, 10},
        {"0XA", 0, 10},
        {"$A", 0, 10},
        {"xa", 0, 10},
        {"X0F", 0, 15},
        {"  1", 0, 1},
        {"+3", 0, 3},
        {"0x0000000F", 0, 15},
        {"0", ERROR_UNEX_INPUT},
        {"16", ERROR_UNEX_INPUT},
        {"0x0010", ERROR_UNEX_INPUT},
        {"0x000A ", ERROR_UNEX_INPUT},
        {"", ERROR_UNEX_INPUT},
        {" ", ERROR_UNEX_INPUT},
        {"0x", ERROR_UNEX_INPUT},
        {"$", ERROR_UNEX_INPUT},
        {"-1", ERROR_UNEX_INPUT},
        {"1.0", ERROR_UNEX_INPUT},
        {"\t1", ERROR_UNEX_INPUT},
        {"4294967297", ERROR_UNEX_INPUT}, // 1 in its low 32 bits, but no 32-bit number
        {"0x100000001", ERROR_UNEX_INPUT},
        {"99999999999999999999999", ERROR_UNEX_INPUT},
    };
    for (const Case& c : cases) {
        uint32_t value = 0;
        EXPECT_EQ(TConfigurationHandler::ParseChannelSelection(c.text, value), c.code)
            << "[" << c.text << "]";
        if (c.code == 0) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

} // namespace
} // namespace ardent
