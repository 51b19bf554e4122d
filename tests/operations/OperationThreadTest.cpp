#include "OperationThread.h"
#include "CommandLineHandlers.h"
#include "FakeProgrammer.h"
#include "ResultCodes.h"
#include "RunResult.h"
#include "configuration/Configuration.h"
#include "utils/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <unistd.h>

namespace ardent::testing {
namespace {

namespace fs = std::filesystem;
using Op = TOperationThread;

struct OperationFixture : ::testing::Test {
    TFakeProgrammer programmer;
    TRunResult runResult;
    // No controller: a request that cannot be sent finds the programmer gone.
    TResultRecordingExchange exchange{programmer, runResult, nullptr};
    TStringConsole console;
    TDeviceSetupHandler deviceSetup{{exchange, TRequestTimeouts::CommandLine()}};
    TTargetHandler target{{exchange, TRequestTimeouts::CommandLine()}};
    TCalibrationHandler calibration{{exchange, TRequestTimeouts::CommandLine()}};
    fs::path folder = fs::temp_directory_path() / ("ardent-ops-" + std::to_string(getpid()));

    OperationFixture() { fs::create_directories(folder); }
    ~OperationFixture() override { fs::remove_all(folder); }

    int32_t Run(int operation, std::vector<std::string> items = {}, std::string cfgName = {},
                uint16_t command = 0) {
        TOperationThread thread("test", operation, {deviceSetup, target, calibration},
                                {command, std::move(cfgName), std::move(items)}, console,
                                runResult);
        thread.Start();
        thread.WaitFor();
        return static_cast<int32_t>(thread.GetOperationResult());
    }

    // A configuration of exactly `size` bytes (header, one firmware block, CRC).
    static TConfiguration MakeConfiguration(size_t size) {
        TConfiguration configuration;
        configuration.SetName("Line 7");
        configuration.SetTargetType(2);
        const size_t data = size - TConfiguration::kEmptyImageSize - TBlockHeader::kSize;
        EXPECT_TRUE(configuration.AddNewBlock(1, PatternImage(data)));
        return configuration;
    }
    static Bytes ValidImage(size_t size) {
        uint16_t crc = 0;
        Bytes image;
        EXPECT_TRUE(MakeConfiguration(size).GetBufferForSend(crc, image));
        return image;
    }
    // The same as a .cfg file.
    std::string WriteCfg(size_t size, const char* name = "cfg.cfg") {
        const std::string file = (folder / name).string();
        EXPECT_TRUE(MakeConfiguration(size).WriteConfigurationToFile(file));
        EXPECT_EQ(fs::file_size(file), size);
        return file;
    }
};

TEST_F(OperationFixture, GetCrcPutsTheCrcIntoTheUpperHalf) {
    programmer.Hold(PatternImage(100), 0x1234);
    EXPECT_EQ(static_cast<uint32_t>(Run(Op::OP_GET_CRC)), 0x12340000u);
    EXPECT_EQ(console.Text(), "CRC = 1234\r\nOperation completed successfully.\r\n");
}

TEST_F(OperationFixture, GetNameAndGetCrcGive53WithoutADescription) {
    for (int operation : {Op::OP_GET_NAME, Op::OP_GET_CRC}) {
        programmer.faults[programmer.requests.size()] = TFault::Refuse;
        EXPECT_EQ(Run(operation), 53);
    }
    EXPECT_EQ(console.Text(), "Operation failed.\r\nOperation failed.\r\n");
}

TEST_F(OperationFixture, GetNamePrintsTheStoredNameUpToItsZeroOrAllThirtyTwoCharacters) {
    programmer.Hold(PatternImage(100), 1, "Line 7");
    EXPECT_EQ(Run(Op::OP_GET_NAME), 0);
    std::memcpy(programmer.description.configName, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 32);
    EXPECT_EQ(Run(Op::OP_GET_NAME), 0);
    EXPECT_EQ(console.Text(),
              "Line 7\r\nOperation completed successfully.\r\n"
              "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\r\nOperation completed successfully.\r\n");
}

TEST_F(OperationFixture, GetFirmwareVersionWarnsBelowTheMinimum) {
    programmer.firmwareVersion = 0x010500;
    EXPECT_EQ(Run(Op::OP_GET_FIRMWARE_VERSION), 0);
    EXPECT_EQ(console.Text(),
              "Firmware version is 1.5.0\r\nMinimum required FW version is 1.6.3\r\n"
              "Operation completed successfully.\r\n");
    TStringConsole fresh;
    programmer.firmwareVersion = 0x010603;
    EXPECT_EQ(Run(Op::OP_GET_FIRMWARE_VERSION), 0);
    programmer.faults[2] = TFault::NoReply;
    EXPECT_EQ(Run(Op::OP_GET_FIRMWARE_VERSION), 255);
    EXPECT_TRUE(console.Text().ends_with(
        "Firmware version is 1.6.3\r\nOperation completed successfully.\r\n"
        "Operation failed.\r\n"));
}

TEST_F(OperationFixture, SetBaudRateAcceptsOnlyTheFourRatesAndPrintsNothingOfItsOwn) {
    for (const char* refused : {"115200", "9601", "75136", "abc", "-9600"})
        EXPECT_EQ(Run(Op::OP_SET_BAUD_RATE, {refused}), ERROR_UNEX_INPUT) << refused;
    EXPECT_TRUE(programmer.requests.empty());
    EXPECT_EQ(Run(Op::OP_SET_BAUD_RATE, {"9600"}), 0);
    EXPECT_EQ(programmer.baudRate, 9600u);
    EXPECT_EQ(Run(Op::OP_SET_BAUD_RATE, {"0xE100"}), 0);
    EXPECT_EQ(programmer.baudRate, 57600u);
    programmer.faults[2] = TFault::Refuse;
    EXPECT_EQ(Run(Op::OP_SET_BAUD_RATE, {"9600"}), 255);
    EXPECT_EQ(console.Text(), "");
    // Without a value the item cannot be read: the operation ends with its starting value, and
    // the line of the error says why.
    EXPECT_EQ(Run(Op::OP_SET_BAUD_RATE), 255);
    EXPECT_EQ(console.Text(), "IndexOutOfRangeError: List index out of bounds (0)\r\n");
}

TEST_F(OperationFixture, SetChannelChecksTheChannelAndNeverReportsARefusalAsSuccess) {
    for (const char* refused : {"5", "0", "word", "65537"})
        EXPECT_EQ(Run(Op::OP_SET_CHANNEL, {refused}), ERROR_UNEX_INPUT) << refused;
    EXPECT_TRUE(programmer.requests.empty());
    EXPECT_EQ(Run(Op::OP_SET_CHANNEL, {"2"}), 0);
    EXPECT_EQ(programmer.activeChannel, 1);
    programmer.faults[1] = TFault::Refuse;
    EXPECT_EQ(Run(Op::OP_SET_CHANNEL, {"3"}), 255);
    programmer.faults[2] = TFault::NoReply;
    EXPECT_EQ(Run(Op::OP_SET_CHANNEL, {"3"}), ERROR_CONN_TIMEOUT);
    EXPECT_EQ(console.Text(), "");
}

TEST_F(OperationFixture, BurnTriggerQueriesOrSetsTheExternalTrigger) {
    programmer.triggerFlag = 1;
    EXPECT_EQ(Run(Op::OP_TRIGGER_BEHAVIOR), 0);
    programmer.triggerFlag = 0;
    EXPECT_EQ(Run(Op::OP_TRIGGER_BEHAVIOR), 1);
    EXPECT_EQ(Run(Op::OP_TRIGGER_BEHAVIOR, {"ENABLE"}), 0);
    EXPECT_EQ(programmer.triggerFlag, 1);
    EXPECT_EQ((Bytes(programmer.requests.back().data, programmer.requests.back().data + 3)),
              (Bytes{1, 1, 1}));
    EXPECT_EQ(Run(Op::OP_TRIGGER_BEHAVIOR, {"disable"}), 0);
    EXPECT_EQ(programmer.triggerFlag, 0);
    // A failed wait leaves its reason in the run's result, but this operation keeps 255.
    programmer.faults[4] = TFault::NoReply;
    EXPECT_EQ(Run(Op::OP_TRIGGER_BEHAVIOR), 255);
    EXPECT_EQ(runResult.Get(), ERROR_CONN_TIMEOUT);
    EXPECT_EQ(console.Text(), "");
}

TEST_F(OperationFixture, StoreSendsTheFileInSixtyBytePieces) {
    const std::string file = WriteCfg(1000);
    EXPECT_EQ(Run(Op::OP_STORE_CONFIGURATION, {}, file), 0);
    EXPECT_EQ(programmer.CountRequests(MODULE_PROGRAMMER, ProgrammerOp::StoreConfiguration), 1u);
    EXPECT_EQ(programmer.CountRequests(MODULE_PROGRAMMER, ProgrammerOp::StoreConfigurationData),
              17u);
    Bytes onDisk;
    ASSERT_TRUE(LoadFileToBuffer(file, onDisk));
    EXPECT_EQ(programmer.storedImage, onDisk);
    EXPECT_EQ(console.Text(), "Operation completed successfully.\r\n");
}

TEST_F(OperationFixture, StoreOfAMissingOrDamagedFileSendsNothing) {
    EXPECT_EQ(Run(Op::OP_STORE_CONFIGURATION, {}, (folder / "missing.cfg").string()),
              ERROR_FILE_CFG);
    const std::string damaged = WriteCfg(200);
    Bytes bytes;
    ASSERT_TRUE(LoadFileToBuffer(damaged, bytes));
    bytes[100] ^= 0xFF; // the CRC no longer matches
    ASSERT_TRUE(SaveBufferToFile(damaged, bytes));
    EXPECT_EQ(Run(Op::OP_STORE_CONFIGURATION, {}, damaged), ERROR_FILE_CFG);
    EXPECT_TRUE(programmer.requests.empty());
    EXPECT_EQ(console.Text(), "");
}

TEST_F(OperationFixture, AFailedStoreNeverReadsAsSuccess) {
    const std::string file = WriteCfg(1000);
    const std::pair<TFault, int32_t> cases[] = {{TFault::Refuse, 255},
                                                {TFault::NoReply, ERROR_CONN_TIMEOUT},
                                                {TFault::LinkLost, ERROR_PROG_DISCONNECTED},
                                                {TFault::NotSent, ERROR_PROG_DISCONNECTED}};
    for (const auto& [fault, result] : cases) {
        runResult.Set(0);
        programmer.faults.clear();
        programmer.faults[programmer.requests.size() + 5] = fault;
        EXPECT_EQ(Run(Op::OP_STORE_CONFIGURATION, {}, file), result);
    }
    EXPECT_EQ(
        console.Text(),
        "Operation failed.\r\nOperation failed.\r\nOperation failed.\r\nOperation failed.\r\n");
}

TEST_F(OperationFixture, BackupWritesExactlyTheStoredImage) {
    programmer.Hold(ValidImage(130), 1);
    const std::string file = (folder / "backup.cfg").string();
    EXPECT_EQ(Run(Op::OP_READ_CONFIGURATION, {}, file), 0);
    EXPECT_EQ(programmer.CountRequests(MODULE_PROGRAMMER, ProgrammerOp::ReadConfiguration), 3u);
    Bytes onDisk;
    ASSERT_TRUE(LoadFileToBuffer(file, onDisk));
    EXPECT_EQ(onDisk, ValidImage(130));
    EXPECT_EQ(console.Text(), "Operation completed successfully.\r\n");
}

TEST_F(OperationFixture, BackupOfNoOrADamagedImageLeavesTheFileAsItWas) {
    Bytes badCrc = ValidImage(130);
    badCrc[70] ^= 0x01;
    Bytes fragment = ValidImage(130);
    fragment.resize(60);
    Bytes wrongCrcBytes = ValidImage(200);
    std::swap(wrongCrcBytes[198], wrongCrcBytes[199]);
    const struct {
        const char* what;
        Bytes image;
    } cases[] = {
        {"nothing stored (size 0)", {}},           {"one byte", {0x42}},
        {"the bare CRC of nothing", {0x00, 0x00}}, {"a 60-byte fragment", fragment},
        {"a data byte changed", badCrc},           {"the CRC bytes swapped", wrongCrcBytes},
        {"random bytes", PatternImage(130)},
    };
    const std::string file = (folder / "keep.cfg").string();
    const Bytes kept = ValidImage(300);
    ASSERT_TRUE(SaveBufferToFile(file, kept));
    for (const auto& c : cases) {
        programmer.Hold(c.image, 1);
        EXPECT_EQ(Run(Op::OP_READ_CONFIGURATION, {}, file), ERROR_CFG_NOT_LOADED) << c.what;
        Bytes onDisk;
        ASSERT_TRUE(LoadFileToBuffer(file, onDisk));
        EXPECT_EQ(onDisk, kept) << c.what;
        EXPECT_FALSE(fs::exists(folder / "new.cfg"));
        EXPECT_EQ(Run(Op::OP_READ_CONFIGURATION, {}, (folder / "new.cfg").string()),
                  ERROR_CFG_NOT_LOADED)
            << c.what;
        EXPECT_FALSE(fs::exists(folder / "new.cfg")) << c.what;
    }
    // The run's table prints the message of -122; the operation adds no line of its own.
    EXPECT_EQ(console.Text(), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "no temporary file is left";
}

TEST_F(OperationFixture, BackupFailures) {
    programmer.Hold(ValidImage(130), 1);
    const std::string file = (folder / "backup.cfg").string();
    programmer.faults[0] = TFault::Refuse; // no description: 53, nothing printed
    EXPECT_EQ(Run(Op::OP_READ_CONFIGURATION, {}, file), 53);
    EXPECT_EQ(console.Text(), "");
    programmer.faults[3] = TFault::Refuse; // the second piece is missing: 255
    EXPECT_EQ(Run(Op::OP_READ_CONFIGURATION, {}, file), 255);
    EXPECT_EQ(console.Text(), "Operation failed.\r\n");
    EXPECT_FALSE(fs::exists(file));
    // A file that cannot be created ends the operation with 255 and the line of the error.
    const std::string noFolder = (folder / "no" / "such.cfg").string();
    EXPECT_EQ(Run(Op::OP_READ_CONFIGURATION, {}, noFolder), 255);
    EXPECT_EQ(console.Text(), "Operation failed.\r\nFileSystemError: Cannot create file \"" +
                                  noFolder + "\". No such file or directory\r\n");
}

TEST_F(OperationFixture, ReadIdOfOneChannel) {
    programmer.channels[1].channelState = CHANNEL_PASSED;
    programmer.channels[1].dp2BIds = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(Run(Op::OP_READ_ID, {"DP2B", "2"}), 0);
    const TPacketFormat& request = programmer.requests.at(0);
    EXPECT_EQ((Bytes(request.data, request.data + 4)), (Bytes{1, 2, 1, 1}));
    EXPECT_EQ(console.Text(),
              "Channel[2]:  0x00000001 0x0000000000000002 0x00000003 0x0004 0x0005 0x0006\r\n");

    programmer.channels[2] = Failed(4);
    EXPECT_EQ(Run(Op::OP_READ_ID, {"dp3b", "3"}), -252);
    for (const std::vector<std::string>& refused : {std::vector<std::string>{"DP4X", "2"},
                                                    {"DP2B", "5"},
                                                    {"DP2B", "0"},
                                                    {"DP2B", "x"},
                                                    {"DP2B", "1", "2"}})
        EXPECT_EQ(Run(Op::OP_READ_ID, refused), ERROR_UNEX_INPUT);
    EXPECT_EQ(programmer.requests.size(), 2u);
    programmer.faults[2] = TFault::LinkLost;
    EXPECT_EQ(Run(Op::OP_READ_ID, {"DP2B", "1"}), ERROR_PROG_DISCONNECTED);
}

TEST_F(OperationFixture, DetectIdReadsAllFourChannelsAndMarksTheFailedOnes) {
    for (auto& channel : programmer.channels)
        channel.channelState = CHANNEL_PASSED;
    programmer.channels[0] = Failed(4);
    programmer.channels[2] = Failed(61);
    EXPECT_EQ(static_cast<uint32_t>(Run(Op::OP_DETECT_ID, {"DP3B"})), 0xFFFF0005u);
    ASSERT_EQ(programmer.requests.size(), 4u);
    for (uint8_t channel = 0; channel < 4; ++channel) {
        const TPacketFormat& request = programmer.requests[channel];
        EXPECT_EQ((Bytes(request.data, request.data + 4)),
                  (Bytes{channel, 3, uint8_t(channel == 0), uint8_t(channel == 3)}));
    }
    EXPECT_EQ(console.Text(), "Channel[1]: Error = SYNC\r\n"
                              "Channel[2]:  0x0000000000000000 0x 0x0000000000000000 0x0000\r\n"
                              "Channel[3]: Error = CRC_NOT_CORRECT\r\n"
                              "Channel[4]:  0x0000000000000000 0x 0x0000000000000000 0x0000\r\n");
    EXPECT_EQ(Run(Op::OP_DETECT_ID, {"DP4X"}), ERROR_UNEX_INPUT);
    // A wait that fails gives its code; the other channels are still asked and printed.
    programmer.faults[5] = TFault::NoReply;
    EXPECT_EQ(Run(Op::OP_DETECT_ID, {"DP3B"}), ERROR_CONN_TIMEOUT);
    EXPECT_EQ(programmer.requests.size(), 8u);
}

TEST_F(OperationFixture, ExecutePacksOneByteResultPerChannel) {
    auto& channels = programmer.burnStatus.channels;
    channels[0].state = CHANNEL_PASSED;
    channels[1].state = CHANNEL_PASSED;
    channels[2].state = CHANNEL_INACTIVE;
    channels[3].state = CHANNEL_FAILED;
    channels[3].errorCode = 7;
    EXPECT_EQ(static_cast<uint32_t>(Run(Op::OP_TRIGGER)), 0x072D0000u);
    EXPECT_EQ(console.Text(),
              "Status channel [1] : OK\r\nStatus channel [2] : OK\r\n"
              "Status channel [3] : INACTIVE\r\nStatus channel [4] : Error = STOP_APP\r\n");
    EXPECT_EQ(programmer.requests.at(0).data[0], 0);

    channels[0].state = 0; // no verdict
    EXPECT_EQ(static_cast<uint32_t>(Run(Op::OP_TRIGGER)), 0x072D00FFu);
}

TEST_F(OperationFixture, ExecuteHoldsACodeOfTwoBytesInItsChannelsByte) {
    // Channel 1 fails with the code given, the others pass: only byte 0 may change.
    const std::pair<uint16_t, uint32_t> cases[] = {
        {254, 0x000000FEu},    {255, 0x000000FFu},    {256, 0x000000FFu},
        {0x012C, 0x000000FFu}, {0xFFFF, 0x000000FFu},
    };
    auto& channels = programmer.burnStatus.channels;
    for (auto& channel : channels)
        channel.state = CHANNEL_PASSED;
    channels[0].state = CHANNEL_FAILED;
    for (const auto& [code, result] : cases) {
        channels[0].errorCode = code;
        EXPECT_EQ(static_cast<uint32_t>(Run(Op::OP_TRIGGER)), result) << code;
    }
    // The same in the top channel, whose spill would leave the 32 bits altogether.
    channels[0].state = CHANNEL_PASSED;
    channels[3].state = CHANNEL_FAILED;
    channels[3].errorCode = 0x0107;
    EXPECT_EQ(static_cast<uint32_t>(Run(Op::OP_TRIGGER)), 0xFF000000u);
}

TEST_F(OperationFixture, ExecuteFailures) {
    programmer.burnStatus.overallErrorCode = 200;
    EXPECT_EQ(Run(Op::OP_TRIGGER), 200);
    EXPECT_EQ(console.Text(), "Unrecognized errors\r\n");
    // The programmer did not execute the burn: never 0, nothing printed.
    programmer.burnReplyStatus = 1;
    EXPECT_EQ(Run(Op::OP_TRIGGER), 255);
    programmer.burnReplyStatus = 0;
    programmer.faults[2] = TFault::NoReply;
    EXPECT_EQ(Run(Op::OP_TRIGGER), ERROR_CONN_TIMEOUT);
    runResult.Set(0);
    programmer.faults[3] = TFault::LinkLost;
    EXPECT_EQ(Run(Op::OP_TRIGGER), ERROR_PROG_DISCONNECTED);
    EXPECT_EQ(console.Text(), "Unrecognized errors\r\n");
}

TEST_F(OperationFixture, SpecialCommandResultIsTheAnswerOrTheRefusal) {
    programmer.serviceAnswer = {0x34, 0x12, 0, 0};
    EXPECT_EQ(Run(Op::OP_SPECIAL_COMMAND, {"12.5"}, {}, 67), 0x1234);
    EXPECT_EQ(Run(Op::OP_SPECIAL_COMMAND, {"DP3B", "1"}, {}, 71), ERROR_DEVICE_NOT_SUPPORTED);
    EXPECT_EQ(console.Text(), "");
}

TEST_F(OperationFixture, AnUnknownOperationRunsNothing) {
    EXPECT_EQ(Run(12), 255);
    EXPECT_TRUE(programmer.requests.empty());
}

} // namespace
} // namespace ardent::testing
