#include "OperationThread.h"
#include "CommandLineHandlers.h"
#include "EngineExchange.h"
#include "ResultCodes.h"
#include "RunResult.h"
#include "VirtualChip.h"
#include "configuration/Configuration.h"
#include "utils/Files.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <unistd.h>

namespace ardent::testing {
namespace {

namespace fs = std::filesystem;
using Op = TOperationThread;

struct OperationFixture : ::testing::Test {
    TEngineExchange programmer;
    TRunResult runResult;
    // No controller: a request that cannot be sent finds the programmer gone.
    TResultRecordingExchange exchange{programmer, runResult, nullptr};
    TStringConsole console;
    TRunReport report;
    TNoProgress progress;
    TDeviceSetupHandler deviceSetup{{exchange, TRequestTimeouts::CommandLine()}};
    TTargetHandler target{{exchange, TRequestTimeouts::CommandLine()}};
    TCalibrationHandler calibration{{exchange, TRequestTimeouts::CommandLine()}};
    fs::path folder = fs::temp_directory_path() / ("ardent-ops-" + std::to_string(getpid()));

    OperationFixture() { fs::create_directories(folder); }
    ~OperationFixture() override { fs::remove_all(folder); }

    int32_t Run(int operation, std::vector<std::string> items = {}, std::string cfgName = {},
                uint16_t command = 0) {
        TOperationThread thread("test", operation, {deviceSetup, target, calibration},
                                {command, std::move(cfgName), std::move(items)}, console, runResult,
                                report, progress);
        thread.Start();
        thread.WaitFor();
        return static_cast<int32_t>(thread.GetOperationResult());
    }

    // A configuration of exactly `size` bytes (header, one firmware block, CRC).
    static TConfiguration MakeConfiguration(size_t size, const char* name = "Line 7",
                                            uint32_t channels = 0x0F) {
        TConfiguration configuration;
        configuration.SetName(name);
        configuration.SetTargetType(2);
        configuration.SetChannel(channels);
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
    // The programmer holds the configuration of `size` bytes; its CRC.
    uint16_t Hold(size_t size, const char* name = "Line 7", uint32_t channels = 0x0F) {
        uint16_t crc = 0;
        Bytes image;
        EXPECT_TRUE(MakeConfiguration(size, name, channels).GetBufferForSend(crc, image));
        EXPECT_EQ(programmer.engine.StoreImage(image), 0);
        return crc;
    }
    // A host set the trigger behaviour to `flag`.
    void SetTrigger(uint8_t flag) {
        programmer.Ask(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::SetTriggerBehavior,
                                   std::array<uint8_t, 3>{flag, flag, flag}));
    }
    // The link hands the host `image` as the stored configuration instead of what the
    // programmer holds: its description's size, and its bytes piece by piece.
    void ServeImage(const Bytes& image) {
        programmer.corrupt = [image, position = size_t{0}](const TPacketFormat& request,
                                                           TPacketFormat& reply) mutable {
            reply.header.status = 0;
            if (request.header.opCode == ProgrammerOp::GetConfigurationInfo) {
                TDeviceConfigurationStruct info = ReadRecord<TDeviceConfigurationStruct>(reply);
                info.configSize = static_cast<uint32_t>(image.size());
                std::memcpy(reply.data, &info, sizeof info);
            } else if (request.header.opCode == ProgrammerOp::ReadConfiguration) {
                if (request.data[0] == 1)
                    position = 0;
                std::memset(reply.data, 0, kPacketDataSize);
                for (size_t i = 0; i < kPacketDataSize && position + i < image.size(); ++i)
                    reply.data[i] = image[position + i];
                position += kPacketDataSize;
            }
        };
    }
    // The link changes the record of every burn result.
    void RewriteBurnResult(std::function<void(TBurningStatusOverall&)> change) {
        programmer.corrupt = [change](const TPacketFormat& request, TPacketFormat& reply) {
            if (request.header.module != MODULE_TARGET ||
                request.header.opCode != TargetOp::TriggerTarget)
                return;
            TBurningStatusOverall status = ReadRecord<TBurningStatusOverall>(reply);
            change(status);
            std::memcpy(reply.data, &status, sizeof status);
        };
    }
    sim::TVirtualChip& Chip(size_t channel) { return programmer.engine.Chip(channel); }

    // The same as a .cfg file.
    std::string WriteCfg(size_t size, const char* name = "cfg.cfg") {
        const std::string file = (folder / name).string();
        EXPECT_TRUE(MakeConfiguration(size).WriteConfigurationToFile(file));
        EXPECT_EQ(fs::file_size(file), size);
        return file;
    }
};

TEST_F(OperationFixture, GetCrcPutsTheCrcIntoTheUpperHalf) {
    const uint16_t crc = Hold(100);
    EXPECT_EQ(static_cast<uint32_t>(Run(Op::OP_GET_CRC)), uint32_t{crc} << 16);
    char line[16];
    std::snprintf(line, sizeof line, "CRC = %04X\r\n", static_cast<unsigned>(crc));
    EXPECT_EQ(console.Text(), std::string(line) + "Operation completed successfully.\r\n");
}

TEST_F(OperationFixture, GetNameAndGetCrcGive53WithoutADescription) {
    for (int operation : {Op::OP_GET_NAME, Op::OP_GET_CRC}) {
        programmer.faults[programmer.requests.size()] = TFault::Refuse;
        EXPECT_EQ(Run(operation), 53);
    }
    EXPECT_EQ(console.Text(), "Operation failed.\r\nOperation failed.\r\n");
}

TEST_F(OperationFixture, GetNamePrintsTheStoredNameUpToItsZeroOrAllThirtyTwoCharacters) {
    Hold(100, "Line 7");
    EXPECT_EQ(Run(Op::OP_GET_NAME), 0);
    Hold(100, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    EXPECT_EQ(Run(Op::OP_GET_NAME), 0);
    EXPECT_EQ(console.Text(),
              "Line 7\r\nOperation completed successfully.\r\n"
              "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345\r\nOperation completed successfully.\r\n");
}

TEST_F(OperationFixture, GetFirmwareVersionWarnsBelowTheMinimum) {
    programmer.engine.SetFirmwareVersion(0x010500);
    EXPECT_EQ(Run(Op::OP_GET_FIRMWARE_VERSION), 0);
    EXPECT_EQ(console.Text(),
              "Firmware version is 1.5.0\r\nMinimum required FW version is 1.6.3\r\n"
              "Operation completed successfully.\r\n");
    TStringConsole fresh;
    programmer.engine.SetFirmwareVersion(0x010603);
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
    EXPECT_EQ(programmer.engine.BaudRate(), 9600u);
    EXPECT_EQ((Bytes(programmer.requests.back().data, programmer.requests.back().data + 4)),
              (Bytes{0x80, 0x25, 0, 0}));
    EXPECT_EQ(Run(Op::OP_SET_BAUD_RATE, {"0xE100"}), 0);
    EXPECT_EQ(programmer.engine.BaudRate(), 57600u);
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
    EXPECT_EQ(programmer.engine.ActiveChannel(), 1);
    programmer.faults[1] = TFault::Refuse;
    EXPECT_EQ(Run(Op::OP_SET_CHANNEL, {"3"}), 255);
    programmer.faults[2] = TFault::NoReply;
    EXPECT_EQ(Run(Op::OP_SET_CHANNEL, {"3"}), ERROR_CONN_TIMEOUT);
    EXPECT_EQ(console.Text(), "");
}

TEST_F(OperationFixture, BurnTriggerQueriesOrSetsTheExternalTrigger) {
    SetTrigger(1);
    EXPECT_EQ(Run(Op::OP_TRIGGER_BEHAVIOR), 0);
    SetTrigger(0);
    EXPECT_EQ(Run(Op::OP_TRIGGER_BEHAVIOR), 1);
    EXPECT_EQ(Run(Op::OP_TRIGGER_BEHAVIOR, {"ENABLE"}), 0);
    EXPECT_TRUE(programmer.engine.ExternalTriggerArmed());
    EXPECT_EQ((Bytes(programmer.requests.back().data, programmer.requests.back().data + 3)),
              (Bytes{1, 1, 1}));
    EXPECT_EQ(Run(Op::OP_TRIGGER_BEHAVIOR, {"disable"}), 0);
    EXPECT_FALSE(programmer.engine.ExternalTriggerArmed());
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
    EXPECT_EQ(programmer.StoredImage(), onDisk);
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
    Hold(130);
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
        // The programmer keeps none of these: the link hands them over as if it held them.
        ServeImage(c.image);
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
    Hold(130);
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
    sim::TChipIds& ids = Chip(1).Ids();
    ids.deviceID = 1;
    ids.firmwareID = 2;
    ids.customerID = 3;
    ids.patchID = 4;
    ids.parameterID = 5;
    ids.romID = 6;
    EXPECT_EQ(Run(Op::OP_READ_ID, {"DP2B", "2"}), 0);
    const TPacketFormat& request = programmer.requests.at(0);
    EXPECT_EQ((Bytes(request.data, request.data + 4)), (Bytes{1, 2, 1, 1}));
    EXPECT_EQ(console.Text(),
              "Channel[2]:  0x00000001 0x0000000000000002 0x00000003 0x0004 0x0005 0x0006\r\n");

    Chip(2) = sim::TVirtualChip::Absent(); // answers SYNC (4)
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
    Chip(0) = sim::TVirtualChip::Absent(); // answers SYNC (4)
    // No chip of the programmer's answers CRC_NOT_CORRECT to an ID read; the link makes the
    // third channel's reply say so.
    programmer.corrupt = [](const TPacketFormat& request, TPacketFormat& reply) {
        if (request.header.opCode != TargetOp::ReadID || request.data[0] != 2)
            return;
        TProcessTargetSendId ids{};
        ids.channelNumber = 2;
        ids.channelState = CHANNEL_FAILED;
        ids.channelErrorCode = 61;
        std::memcpy(reply.data, &ids, sizeof ids);
    };
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
    // Channels 1, 2 and 4 selected; the fourth chip fails with STOP_APP.
    Hold(130, "Line 7", 0x0B);
    Chip(3).SetVerdicts({{sim::TBurnVerdict::Kind::Fail, 7}});
    EXPECT_EQ(static_cast<uint32_t>(Run(Op::OP_TRIGGER)), 0x072D0000u);
    EXPECT_EQ(console.Text(),
              "Status channel [1] : OK\r\nStatus channel [2] : OK\r\n"
              "Status channel [3] : INACTIVE\r\nStatus channel [4] : Error = STOP_APP\r\n");
    EXPECT_EQ(programmer.requests.at(0).data[0], 0);

    // The first channel's state comes back as no verdict.
    RewriteBurnResult([](TBurningStatusOverall& status) { status.channels[0].state = 0; });
    EXPECT_EQ(static_cast<uint32_t>(Run(Op::OP_TRIGGER)), 0x072D00FFu);
}

TEST_F(OperationFixture, ExecuteHoldsACodeOfTwoBytesInItsChannelsByte) {
    // Channel 1 fails with the code given, the others pass: only byte 0 may change.
    const std::pair<uint16_t, uint32_t> cases[] = {
        {254, 0x000000FEu},    {255, 0x000000FFu},    {256, 0x000000FFu},
        {0x012C, 0x000000FFu}, {0xFFFF, 0x000000FFu},
    };
    Hold(130);
    for (const auto& [code, result] : cases) {
        Chip(0).SetVerdicts({{sim::TBurnVerdict::Kind::Fail, code}});
        EXPECT_EQ(static_cast<uint32_t>(Run(Op::OP_TRIGGER)), result) << code;
    }
    // The same in the top channel, whose spill would leave the 32 bits altogether.
    Chip(0).SetVerdicts({sim::TBurnVerdict{}});
    Chip(3).SetVerdicts({{sim::TBurnVerdict::Kind::Fail, 0x0107}});
    EXPECT_EQ(static_cast<uint32_t>(Run(Op::OP_TRIGGER)), 0xFF000000u);
}

TEST_F(OperationFixture, ExecuteFailures) {
    // An overall code the programmer never gives.
    Hold(130);
    RewriteBurnResult([](TBurningStatusOverall& status) { status.overallErrorCode = 200; });
    EXPECT_EQ(Run(Op::OP_TRIGGER), 200);
    EXPECT_EQ(console.Text(), "Unrecognized errors\r\n");
    // The programmer did not execute the burn: never 0, nothing printed.
    programmer.faults[1] = TFault::Refuse;
    EXPECT_EQ(Run(Op::OP_TRIGGER), 255);
    programmer.faults[2] = TFault::NoReply;
    EXPECT_EQ(Run(Op::OP_TRIGGER), ERROR_CONN_TIMEOUT);
    runResult.Set(0);
    programmer.faults[3] = TFault::LinkLost;
    EXPECT_EQ(Run(Op::OP_TRIGGER), ERROR_PROG_DISCONNECTED);
    EXPECT_EQ(console.Text(), "Unrecognized errors\r\n");
}

TEST_F(OperationFixture, SpecialCommandResultIsTheAnswerOrTheRefusal) {
    programmer.engine.SetServiceResult(0x1234);
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
