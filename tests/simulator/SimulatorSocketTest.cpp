// The simulated programmer driven through its socket with raw 64-byte reports, as a host drives it.

#include "SimTestSupport.h"

#include "configuration/BlockType.h"
#include "configuration/Configuration.h"
#include "targets/DP2BIdTablesModel.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace ardent::simtest {
namespace {

class SimulatorSocket : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(daemon.Ready()); }
    TSimDaemon daemon;
};

struct TRequestCase {
    uint8_t module;
    uint8_t opCode;
    std::vector<uint8_t> data;
    size_t recordSize; // bytes of the reply record the host reads
};

TEST_F(SimulatorSocket, EveryRequestIsAnsweredWithItsModuleOpCodeAndRecord) {
    const std::vector<TRequestCase> cases = {
        {MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup, {}, sizeof(TDeviceBurnerInfo)},
        {MODULE_PROGRAMMER, ProgrammerOp::SetBaudRate, {0x00, 0xC2, 0x01, 0x00}, 0},
        {MODULE_PROGRAMMER,
         ProgrammerOp::GetConfigurationInfo,
         {},
         sizeof(TDeviceConfigurationStruct)},
        {MODULE_PROGRAMMER, ProgrammerOp::SetTriggerBehavior, {1, 1, 1}, 0},
        {MODULE_PROGRAMMER, ProgrammerOp::GetTriggerBehavior, {}, 1},
        {MODULE_PROGRAMMER, ProgrammerOp::SetActiveChannel, {2, 0}, 0},
        {MODULE_TARGET, TargetOp::ReadID, {1, 2, 1, 1}, sizeof(TProcessTargetSendId)},
        {MODULE_TARGET, TargetOp::TriggerTarget, {0}, sizeof(TBurningStatusOverall)},
        {MODULE_TARGET, TargetOp::GetLoggerInformation, {3}, sizeof(TProcessTargetSendId)},
        {MODULE_VOLTAGE, VoltageOp::VoltageCycle, {0, 0, 0x40, 0x41, 0, 0, 0x10, 0x41, 100, 0}, 4},
        {MODULE_VOLTAGE, VoltageOp::SetVoltage, {0, 0}, 4},
        {MODULE_SERVICE, ServiceOp::Sync, {3, 0}, 4},
        {MODULE_SERVICE, ServiceOp::GetInfo, {2, 0, 1, 0}, 4},
        {MODULE_SERVICE, ServiceOp::BurnAparam, {4, 0, 9, 0}, 4},
        {MODULE_SERVICE, ServiceOp::ReadAparam, {4, 0}, 4},
        {MODULE_SERVICE, ServiceOp::StopApp, {2, 0}, 4},
        {MODULE_SERVICE, ServiceOp::WriteAparam, {4, 0, 9, 0}, 4},
    };
    TRawLink link(daemon.Socket());
    ASSERT_TRUE(link.IsOpen());
    for (const TRequestCase& c : cases) {
        SCOPED_TRACE("module " + std::to_string(c.module) + " opCode " + std::to_string(c.opCode));
        TPacketFormat request = MakeRequest(c.module, c.opCode);
        AppendData(request, c.data.data(), c.data.size());
        const auto reply = link.Exchange(request);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->header.module, c.module);
        EXPECT_EQ(reply->header.opCode, c.opCode);
        EXPECT_EQ(reply->header.status, 0);
        EXPECT_GE(reply->header.dataSize, c.recordSize);
    }

    // The records say what a fresh programmer holds.
    const auto setup = link.Exchange(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup));
    ASSERT_TRUE(setup);
    EXPECT_EQ(Value(ReadRecord<TDeviceBurnerInfo>(*setup).firmwareVersion), 0x010700u);
    const auto trigger =
        link.Exchange(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetTriggerBehavior));
    ASSERT_TRUE(trigger);
    EXPECT_EQ(trigger->data[0], 1); // as set above
    const auto aparam =
        link.Exchange(MakeRequest(MODULE_SERVICE, ServiceOp::ReadAparam, uint16_t{4}));
    ASSERT_TRUE(aparam);
    EXPECT_EQ(ReadRecord<int32_t>(*aparam), 9); // written on the active channel above
    const auto burn =
        link.Exchange(MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, uint8_t{0}));
    ASSERT_TRUE(burn);
    EXPECT_EQ(Value(ReadRecord<TBurningStatusOverall>(*burn).overallErrorCode),
              53); // no configuration
}

TEST_F(SimulatorSocket, RequestsItDoesNotKnowAreRefusedNotIgnored) {
    TRawLink link(daemon.Socket());
    const std::vector<std::pair<uint8_t, uint8_t>> unknown = {
        {MODULE_PROGRAMMER, 7}, {MODULE_PROGRAMMER, 8}, {MODULE_TARGET, 9},
        {MODULE_SERVICE, 1},    {MODULE_EVENT, 1},      {0x71, 0}};
    for (const auto& [module, opCode] : unknown) {
        const auto reply = link.Exchange(MakeRequest(module, opCode));
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->header.module, module);
        EXPECT_EQ(reply->header.opCode, opCode);
        EXPECT_NE(reply->header.status, 0);
    }
}

TEST_F(SimulatorSocket, ImageStoredInSeventeenPiecesReadsBackIdenticalInSeventeen) {
    const Bytes image = MakeImage(1000, "Line 7 DP2B");
    ASSERT_EQ(image.size(), 1000u);
    TRawLink link(daemon.Socket());
    const std::vector<int> statuses = StoreImage(link, image, ImageCrc(image));
    EXPECT_EQ(statuses, std::vector<int>(18, 0)); // announcement and 17 pieces

    const auto info =
        link.Exchange(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo));
    ASSERT_TRUE(info);
    const auto record = ReadRecord<TDeviceConfigurationStruct>(*info);
    EXPECT_EQ(Value(record.configSize), 1000u);
    EXPECT_EQ(Value(record.crc), ImageCrc(image));
    EXPECT_EQ(Value(record.targetType), 2u);
    EXPECT_EQ(Value(record.chSelection), 0x0Fu);
    EXPECT_EQ(std::string(record.configName), "Line 7 DP2B");

    Bytes readBack;
    for (int piece = 0; piece < 17; ++piece) {
        const auto reply =
            link.Exchange(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::ReadConfiguration,
                                      uint8_t{piece == 0 ? uint8_t{1} : uint8_t{0}}));
        ASSERT_TRUE(reply);
        ASSERT_EQ(reply->header.status, 0);
        readBack.insert(readBack.end(), reply->data, reply->data + kPacketDataSize);
    }
    readBack.resize(1000);
    EXPECT_EQ(readBack, image);

    // A new read starts at the beginning again.
    const auto again =
        link.Exchange(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::ReadConfiguration, uint8_t{1}));
    ASSERT_TRUE(again);
    EXPECT_EQ(0, std::memcmp(again->data, image.data(), kPacketDataSize));
}

TEST_F(SimulatorSocket, DamagedOrOutOfOrderStoresAreRefusedAndKeepTheStoredImage) {
    TRawLink link(daemon.Socket());
    const Bytes good = MakeImage(200, "Kept");
    ASSERT_EQ(StoreImage(link, good, ImageCrc(good)), std::vector<int>(5, 0));

    Bytes flipped = MakeImage(200, "Flipped");
    flipped[100] ^= 0x01;
    Bytes wrongVersion = MakeImage(200, "Old");
    wrongVersion[11] = '0';
    struct TCase {
        const char* name;
        Bytes image;
        uint16_t announcedCrc;
        int lastStatus;
    };
    const std::vector<TCase> cases = {
        {"announced CRC differs", MakeImage(200, "Other"), 0x1234, 81},
        {"a byte changed on the way", flipped, ImageCrc(MakeImage(200, "Flipped")), 81},
        {"not a current image", wrongVersion, ImageCrc(wrongVersion), 85},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<int> statuses = StoreImage(link, c.image, c.announcedCrc);
        ASSERT_EQ(statuses.size(), 5u);
        EXPECT_EQ(statuses.front(), 0);
        EXPECT_EQ(statuses.back(), c.lastStatus);
    }

    // Pieces without an announcement, and an announcement too small for any image.
    TPacketFormat piece = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::StoreConfigurationData);
    AppendValue(piece, uint32_t{0});
    EXPECT_NE(link.Exchange(piece)->header.status, 0);
    TPacketFormat tiny = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::StoreConfiguration);
    AppendValue(tiny, uint32_t{10});
    AppendValue(tiny, uint16_t{0});
    EXPECT_NE(link.Exchange(tiny)->header.status, 0);

    const auto info =
        link.Exchange(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo));
    ASSERT_TRUE(info);
    EXPECT_EQ(std::string(ReadRecord<TDeviceConfigurationStruct>(*info).configName), "Kept");
    EXPECT_EQ(Value(ReadRecord<TDeviceConfigurationStruct>(*info).crc), ImageCrc(good));
}

TEST_F(SimulatorSocket, BurnReportsEachChannelAndBurnedChipsCarryTheAfterBurningIds) {
    ASSERT_EQ(daemon.Control("chip 1 DP2B deviceID=0x11 parameterID=0x0001"), "ok DP2B");
    ASSERT_EQ(daemon.Control("verdict 2 fail 61, pass"), "ok");
    ASSERT_EQ(daemon.Control("chip 3 absent"), "ok absent");

    TConfiguration configuration;
    configuration.SetName("Burn");
    configuration.SetTargetType(2);
    configuration.SetChannel(0x07); // channels 1-3; channel 4 inactive
    TDP2BIdTablesModel table;
    table.SetValue(TDP2BIdTablesModel::kRowParameters, 1, true, 0xBEEF, 0);
    table.SetValue(TDP2BIdTablesModel::kRowPatch, 1, true, 0x0042, 0);
    Bytes block;
    table.GetBuffer(block);
    configuration.AddNewBlock(BlockType::IdTable, block);
    uint16_t crc = 0;
    Bytes image;
    ASSERT_TRUE(configuration.GetBufferForSend(crc, image));

    TRawLink link(daemon.Socket());
    const std::vector<int> stored = StoreImage(link, image, crc);
    ASSERT_EQ(stored, std::vector<int>(stored.size(), 0));
    const auto burn =
        link.Exchange(MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, uint8_t{0}));
    ASSERT_TRUE(burn);
    ASSERT_EQ(burn->header.status, 0);
    const auto status = ReadRecord<TBurningStatusOverall>(*burn);
    EXPECT_EQ(Value(status.overallErrorCode), 0);
    const uint8_t states[4] = {CHANNEL_PASSED, CHANNEL_FAILED, CHANNEL_FAILED, CHANNEL_INACTIVE};
    const uint16_t codes[4] = {0, 61, 4, 45};
    for (int channel = 0; channel < 4; ++channel) {
        SCOPED_TRACE(channel);
        EXPECT_EQ(status.channels[channel].channelNo, channel);
        EXPECT_EQ(status.channels[channel].state, states[channel]);
        EXPECT_EQ(Value(status.channels[channel].errorCode), codes[channel]);
    }

    const auto read =
        link.Exchange(MakeRequest(MODULE_TARGET, TargetOp::ReadID, TReadIDRequest{0, 2, 1, 1}));
    ASSERT_TRUE(read);
    const auto ids = ReadRecord<TProcessTargetSendId>(*read);
    EXPECT_EQ(ids.channelState, CHANNEL_PASSED);
    EXPECT_EQ(Value(ids.dp2BIds.deviceID), 0x11u);     // untouched by the burn
    EXPECT_EQ(Value(ids.dp2BIds.parameterID), 0xBEEF); // after-burning value
    EXPECT_EQ(Value(ids.dp2BIds.patchID), 0x0042);
    const auto logger =
        link.Exchange(MakeRequest(MODULE_TARGET, TargetOp::GetLoggerInformation, uint8_t{1}));
    ASSERT_TRUE(logger);
    EXPECT_EQ(ReadRecord<TProcessTargetSendId>(*logger).channelState, CHANNEL_FAILED);
    EXPECT_EQ(Value(ReadRecord<TProcessTargetSendId>(*logger).channelErrorCode), 61);

    // Channel 2 failed once and passes the next burn.
    const auto second =
        link.Exchange(MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, uint8_t{0}));
    ASSERT_TRUE(second);
    EXPECT_EQ(ReadRecord<TBurningStatusOverall>(*second).channels[1].state, CHANNEL_PASSED);

    // A configuration of another family than the chips in its channels is refused as a whole.
    ASSERT_EQ(daemon.Control("chip 1 DP3B"), "ok DP3B");
    const auto wrong =
        link.Exchange(MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, uint8_t{0}));
    ASSERT_TRUE(wrong);
    EXPECT_EQ(Value(ReadRecord<TBurningStatusOverall>(*wrong).overallErrorCode), 84);
}

TEST_F(SimulatorSocket, EventsReachTheHostUnasked) {
    TRawLink link(daemon.Socket());
    ASSERT_EQ(daemon.Control("sd insert"), "ok");
    auto event = link.Receive();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->header.module, MODULE_EVENT);
    EXPECT_EQ(event->header.opCode, EventOp::SdCardEvent);
    EXPECT_EQ(event->data[0], 1);

    ASSERT_EQ(daemon.Control("trigger"), "ok");
    event = link.Receive();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->header.module, MODULE_EVENT);
    EXPECT_EQ(event->header.opCode, EventOp::ExternalTriggerEvent);
    const auto result = link.Receive();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->header.module, MODULE_TARGET);
    EXPECT_EQ(Value(ReadRecord<TBurningStatusOverall>(*result).overallErrorCode), 53);
}

TEST_F(SimulatorSocket, InjectedFaultsShapeTheNextReplies) {
    TRawLink link(daemon.Socket());
    const TPacketFormat ask = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup);

    ASSERT_EQ(daemon.Control("fault opcode"), "ok wrong opcode x1");
    auto reply = link.Exchange(ask);
    ASSERT_TRUE(reply);
    EXPECT_FALSE(ReplyMatches(ask, *reply));

    ASSERT_EQ(daemon.Control("fault status 7 2"), "ok status 7 x2");
    EXPECT_EQ(link.Exchange(ask)->header.status, 7);
    EXPECT_EQ(link.Exchange(ask)->header.status, 7);
    EXPECT_EQ(link.Exchange(ask)->header.status, 0);

    // A lost request: the next reply the host sees answers the request after it.
    ASSERT_EQ(daemon.Control("fault drop 1"), "ok drop 1");
    ASSERT_TRUE(link.Send(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetTriggerBehavior)));
    reply = link.Exchange(ask);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(ReplyMatches(ask, *reply));

    ASSERT_EQ(daemon.Control("fault late 20"), "ok late 20 ms x1");
    reply = link.Exchange(ask);
    ASSERT_TRUE(reply);
    EXPECT_TRUE(ReplySucceeded(ask, *reply));

    ASSERT_EQ(daemon.Control("fault disconnect 2"), "ok disconnect at request 2");
    ASSERT_TRUE(link.Exchange(ask));
    ASSERT_TRUE(link.Send(ask));
    EXPECT_TRUE(link.ClosedByPeer());
}

TEST_F(SimulatorSocket, ServesHostsOneAfterAnother) {
    for (int host = 0; host < 3; ++host) {
        SCOPED_TRACE(host);
        TRawLink link(daemon.Socket());
        ASSERT_TRUE(link.IsOpen());
        // While one host holds the programmer, a second one is turned away.
        TRawLink second(daemon.Socket());
        EXPECT_FALSE(second.IsOpen());
        const auto reply =
            link.Exchange(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup));
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->header.status, 0);
        // A host that leaves in the middle of a store does not spoil the next one's store.
        TPacketFormat announce = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::StoreConfiguration);
        AppendValue(announce, uint32_t{200});
        AppendValue(announce, uint16_t{0});
        ASSERT_TRUE(link.Exchange(announce));
    }
    // The daemon closes a link only when the host is gone; the next one connects at once.
    TRawLink last(daemon.Socket());
    const Bytes image = MakeImage(100);
    EXPECT_EQ(StoreImage(last, image, ImageCrc(image)), std::vector<int>(3, 0));
}

TEST_F(SimulatorSocket, UnpluggedProgrammerClosesTheLinkAndRefusesHostsUntilPluggedIn) {
    TRawLink link(daemon.Socket());
    ASSERT_TRUE(link.IsOpen());
    ASSERT_EQ(daemon.Control("unplug"), "ok");
    EXPECT_TRUE(link.ClosedByPeer());
    EXPECT_FALSE(TRawLink(daemon.Socket()).IsOpen());
    ASSERT_EQ(daemon.Control("plug"), "ok");
    EXPECT_TRUE(TRawLink(daemon.Socket()).IsOpen());
}

TEST_F(SimulatorSocket, GarbageOnTheControlLinkGetsAnErrorLine) {
    EXPECT_EQ(daemon.Control("chip 5 DP2B").rfind("error", 0), 0u);
    EXPECT_EQ(daemon.Control("fault status 0").rfind("error", 0), 0u);
    EXPECT_EQ(daemon.Control("verdict 1 fail"),
              "error verdicts are pass, absent or fail CODE, separated by commas");
    EXPECT_EQ(daemon.Control("ping"), "ok ready");
}

// Runs bin/ardent-progsim with a shell-quoted argument line; its exit status and standard output.
struct TRun {
    int status = -1;
    std::string output;
};
TRun RunProgsim(const std::string& arguments, const std::string& environment = "") {
    TRun run;
    const std::string command =
        environment + " " ARDENT_BIN_DIR "/ardent-progsim " + arguments + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        run.output += buffer;
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(SimulatedLine, CtlProgrammerAddressesOneProgrammerOfTheLine) {
    TLineFolder folder;
    TSimLine line(folder.Path(), {"SIM00000001", "SIM00000002"},
                  {"--scenario", ARDENT_TEST_DATA_DIR "/simulator/slow-burn.scenario", "--scenario",
                   ARDENT_SOURCE_DIR "/simulator/scenarios/example.scenario"});
    ASSERT_TRUE(line.Ready());
    // Each programmer has its own scenario: the first one's burns take a minute.
    EXPECT_NE(line.Control("SIM00000001", "status").find("burn time 60000 ms"), std::string::npos);
    EXPECT_EQ(line.Control("SIM00000002", "status").find("burn time 60000 ms"), std::string::npos);

    const TRun set =
        RunProgsim("ctl --line " + folder.Path() + " --programmer SIM00000002 firmware 1.6.3");
    EXPECT_EQ(set.status, 0);
    EXPECT_EQ(set.output.rfind("ok", 0), 0u);
    EXPECT_NE(line.Control("SIM00000002", "status").find("firmware 1.6.3"), std::string::npos);
    EXPECT_EQ(line.Control("SIM00000001", "status").find("firmware 1.6.3"), std::string::npos);

    // The folder may come from the environment, as the hosts take it.
    const TRun ping =
        RunProgsim("ctl --programmer SIM00000001 ping", "ARDENT_SIM_LINE=" + folder.Path());
    EXPECT_EQ(ping.status, 0);
    EXPECT_EQ(ping.output, "ok ready\n");

    struct Case {
        const char* name;
        std::string arguments;
    };
    const Case refused[] = {
        {"no line folder", "ctl --programmer SIM00000001 ping"},
        {"absent programmer", "ctl --line " + folder.Path() + " --programmer SIM00000009 ping"},
        {"not a serial number", "ctl --line " + folder.Path() + " --programmer ../x ping"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunProgsim(c.arguments, "ARDENT_SIM_LINE=").status, 2);
    }
}

TEST(SimulatedLine, DaemonRefusesALineItCannotServeAndStartsNothing) {
    TLineFolder folder;
    const std::string line = "--line " + folder.Path() + " ";
    struct Case {
        const char* name;
        std::string arguments;
    };
    const Case cases[] = {
        {"line and socket", line + "--socket " + folder.Path() + "/x.sock"},
        {"two programmers, one serial", line + "--programmers 2 --serial A1 --serial A1"},
        {"serial with a slash", line + "--serial a/b"},
        {"empty serial", line + "--serial ''"},
        {"more serials than programmers", line + "--programmers 1 --serial A1 --serial B2"},
        {"several programmers without a line",
         "--programmers 2 --socket " + folder.Path() + "/y.sock"},
        {"no programmers", line + "--programmers 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunProgsim(c.arguments + " --foreground").status, 2);
        EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
    }
}

} // namespace
} // namespace ardent::simtest
