#include "CalibrationHandler.h"
#include "CommandLineHandlers.h"
#include "EngineExchange.h"
#include "ResultCodes.h"
#include "RunResult.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace ardent::testing {
namespace {

Bytes Float(float value) {
    Bytes bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}
Bytes Word(uint16_t value) {
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
}
Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct CalibrationFixture : ::testing::Test {
    TEngineExchange programmer;
    TCalibrationHandler handler{{programmer, TRequestTimeouts::CommandLine()}};
};

TEST_F(CalibrationFixture, ChecksAndPacksEachServiceCommand) {
    struct Case {
        const char* name;
        uint16_t command;
        std::vector<std::string> items;
        int32_t check;
        uint8_t module;
        uint8_t opCode;
        Bytes data;
    };
    const Case cases[] = {
        {"setVoltage 12.5", 67, {"12.5"}, 0, 3, 2, Float(12.5f)},
        {"setVoltage 0", 67, {"0"}, 0, 3, 2, Word(0)},
        {"setVoltage 23.0", 67, {"23.0"}, 0, 3, 2, Float(23.0f)},
        {"setVoltage 5.0", 67, {"5.0"}, ERROR_INVALID_PARAMETERS, 3, 2, {}},
        {"setVoltage 23.1", 67, {"23.1"}, ERROR_INVALID_PARAMETERS, 3, 2, {}},
        {"setVoltage 12", 67, {"12"}, ERROR_INVALID_PARAMETERS, 3, 2, {}},
        {"setVoltage 65536 is not 0", 67, {"65536"}, ERROR_INVALID_PARAMETERS, 3, 2, {}},
        {"voltageCycle DP3B 10 bytes",
         66,
         {"DP3B", "12.0", "6.5", "100"},
         0,
         3,
         1,
         Join({Float(12.0f), Float(6.5f), Word(100)})},
        {"voltageCycle DP3B above 12.0",
         66,
         {"DP3B", "12.5", "6.5", "100"},
         ERROR_INVALID_PARAMETERS,
         3,
         1,
         {}},
        {"voltageCycle DP2B with flag 12 bytes",
         66,
         {"dp2b", "12.5", "6.5", "100", "1"},
         0,
         3,
         1,
         Join({Float(12.5f), Float(6.5f), Word(100), Word(1)})},
        {"voltageCycle ramp 1501",
         66,
         {"DP2B", "12.5", "6.5", "1501"},
         ERROR_INVALID_PARAMETERS,
         3,
         1,
         {}},
        {"voltageCycle flag 2",
         66,
         {"DP2B", "12.5", "6.5", "100", "2"},
         ERROR_INVALID_PARAMETERS,
         3,
         1,
         {}},
        {"voltageCycle unknown device",
         66,
         {"DP4X", "12.5", "6.5", "100"},
         ERROR_INVALID_PARAMETERS,
         3,
         1,
         {}},
        {"voltageCycle level without decimal",
         66,
         {"DP2B", "12", "6.5", "100"},
         ERROR_INVALID_PARAMETERS,
         3,
         1,
         {}},
        {"sync 15", 68, {"15"}, 0, 4, 5, Word(15)},
        {"sync 0", 68, {"0"}, ERROR_INVALID_PARAMETERS, 4, 5, {}},
        {"sync 16", 68, {"16"}, ERROR_INVALID_PARAMETERS, 4, 5, {}},
        {"sync 65537 is not 1", 68, {"65537"}, ERROR_INVALID_PARAMETERS, 4, 5, {}},
        {"getInfo dp2a 3", 69, {"dp2a", "3"}, 0, 4, 6, Join({Word(1), Word(3)})},
        {"getInfo with a decimal", 69, {"DP3B", "2.5"}, 0, 4, 6, Join({Word(3), Float(2.5f)})},
        {"getInfo unknown device", 69, {"DP9", "3"}, ERROR_UNEX_INPUT, 4, 6, {}},
        {"burnAparam DP2B", 70, {"DP2B", "$10", "0x1234"}, 0, 4, 7, Join({Word(16), Word(0x1234)})},
        {"burnAparam value that is no number",
         70,
         {"DP2B", "abc", "5"},
         ERROR_INVALID_PARAMETERS,
         4,
         7,
         {}},
        {"burnAparam value beyond 16 bits",
         70,
         {"DP2B", "1", "70000"},
         ERROR_INVALID_PARAMETERS,
         4,
         7,
         {}},
        {"readAparam DP3B", 71, {"DP3B", "1"}, ERROR_DEVICE_NOT_SUPPORTED, 4, 8, {}},
        {"readAparam DP2B", 71, {"DP2B", "7"}, 0, 4, 8, Word(7)},
        {"stopApp DP3B", 72, {"DP3B"}, 0, 4, 9, Word(3)},
        {"writeAparam DP2A", 73, {"DP2A", "1", "2"}, ERROR_DEVICE_NOT_SUPPORTED, 4, 10, {}},
        {"writeAparam DP2B", 73, {"DP2B", "1", "2.5"}, 0, 4, 10, Join({Word(1), Float(2.5f)})},
        {"not a service command", 65, {"1"}, ERROR_UNEX_INPUT, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        programmer.requests.clear();
        uint32_t result = 0;
        const bool sent = handler.SendCalibrationCommand(c.command, c.items, result);
        EXPECT_EQ(sent, c.check == 0);
        if (c.check != 0) {
            EXPECT_EQ(static_cast<int32_t>(result), c.check);
            EXPECT_TRUE(programmer.requests.empty());
            continue;
        }
        ASSERT_EQ(programmer.requests.size(), 1u);
        const TPacketFormat& request = programmer.requests[0];
        EXPECT_EQ(request.header.module, c.module);
        EXPECT_EQ(request.header.opCode, c.opCode);
        EXPECT_EQ(Bytes(request.data, request.data + request.header.dataSize), c.data);
    }
}

TEST_F(CalibrationFixture, TheAnswerIsTheExitCodeAndFailuresAreReturnedNotRecorded) {
    TRunResult runResult;
    TResultRecordingExchange recording(programmer, runResult, nullptr);
    TCalibrationHandler tool({recording, TRequestTimeouts::CommandLine()});
    programmer.engine.SetServiceResult(0x1234);
    uint32_t result = 0;
    EXPECT_TRUE(tool.SendCalibrationCommand(68, {"3"}, result));
    EXPECT_EQ(result, 0x1234u);
    EXPECT_EQ(programmer.waits.at(0), std::chrono::milliseconds(30000));

    programmer.faults[1] = TFault::Refuse; // the status is not examined
    EXPECT_TRUE(tool.SendCalibrationCommand(68, {"3"}, result));
    EXPECT_EQ(result, 0x1234u);

    const std::pair<TFault, int32_t> failures[] = {{TFault::NoReply, ERROR_CONN_TIMEOUT},
                                                   {TFault::LinkLost, ERROR_PROG_DISCONNECTED},
                                                   {TFault::WrongOpCode, ERROR_CONN_TIMEOUT},
                                                   {TFault::NotSent, ERROR_CONN_TIMEOUT}};
    for (size_t i = 0; i < std::size(failures); ++i) {
        programmer.faults[2 + i] = failures[i].first;
        EXPECT_TRUE(tool.SendCalibrationCommand(68, {"3"}, result));
        EXPECT_EQ(static_cast<int32_t>(result), failures[i].second) << i;
    }
    EXPECT_EQ(runResult.Get(), 0);
}

} // namespace
} // namespace ardent::testing

namespace ardent::testing {
namespace {

// The shortened waits are for the simulated programmer only; a leftover variable must not cut a
// real burn short, in the tool or in the window (both take the clock from the environment).
TEST(CommandLineWaitClock, ShortensOnlyAgainstTheSimulatedProgrammer) {
    struct Case {
        const char* transport;
        const char* scale;
        double expected;
    };
    const Case cases[] = {
        {"/opt/ardent/bin/libportbridge-sim.so", "0.001", 0.001},
        {"libportbridge-sim.so", "0.5", 0.5},
        {"/opt/ardent/bin/libportbridge.so", "0.001", 1.0},
        {nullptr, "0.001", 1.0},
        {"/opt/ardent/bin/libportbridge-sim.so", "fast", 1.0},
        {"/opt/ardent/bin/libportbridge-sim.so", nullptr, 1.0},
    };
    for (const Case& c : cases) {
        c.transport ? ::setenv("ARDENT_PORTBRIDGE", c.transport, 1)
                    : ::unsetenv("ARDENT_PORTBRIDGE");
        c.scale ? ::setenv("ARDENT_TIMEOUT_SCALE", c.scale, 1) : ::unsetenv("ARDENT_TIMEOUT_SCALE");
        EXPECT_EQ(CommandLineWaitClock().Scale(), c.expected)
            << (c.transport ? c.transport : "-") << " " << (c.scale ? c.scale : "-");
        EXPECT_EQ(WaitClockFromEnvironment().Scale(), c.expected)
            << (c.transport ? c.transport : "-") << " " << (c.scale ? c.scale : "-");
    }
    ::unsetenv("ARDENT_PORTBRIDGE");
    ::unsetenv("ARDENT_TIMEOUT_SCALE");
}

} // namespace
} // namespace ardent::testing
