// The simulated programmer's parts without a socket: scenario text, image checks, what a burn
// does to the chips, and the USB frame clock.

#include "ControlCommands.h"
#include "ProgrammerEngine.h"
#include "Scenario.h"
#include "SimTestSupport.h"
#include "UsbTiming.h"

#include "configuration/BlockType.h"
#include "configuration/Configuration.h"
#include "targets/DP3BIdTablesModel.h"
#include "utils/Crc16.h"
#include "utils/Files.h"

#include <gtest/gtest.h>

namespace ardent::sim {
namespace {

using simtest::Value;

TPacketFormat Ask(TProgrammerEngine& engine, const TPacketFormat& request) {
    const TEngineOutput output = engine.HandleRequest(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(&request), sizeof request));
    EXPECT_EQ(output.reports.size(), 1u);
    return output.reports.empty() ? TPacketFormat{} : output.reports.front().packet;
}

Bytes Build(TConfiguration& configuration) {
    uint16_t crc = 0;
    Bytes image;
    EXPECT_TRUE(configuration.GetBufferForSend(crc, image));
    return image;
}

TEST(SimScenario, ReadsTheProgrammerAndEachChannel) {
    const char* text = "# line 7 dry run\n"
                       "firmware = 1.6.3\n"
                       "sd-card = inserted\r\n"
                       "burn-time-ms = 250\n"
                       "\n"
                       "[channel 2]\n"
                       "chip = DP3B\n"
                       "chipId = 0x0102030405060708\n"
                       "firmwareBytes = 0a0b0c\n"
                       "verdicts = fail 61, absent, pass\n"
                       "[ Channel 4 ]\n"
                       "chip = absent\n";
    TScenario scenario;
    std::string error;
    ASSERT_TRUE(ParseScenario(text, scenario, error)) << error;
    EXPECT_EQ(scenario.firmwareVersion, 0x010603u);
    EXPECT_TRUE(scenario.cardInserted);
    EXPECT_EQ(scenario.burnTimeMs, 250u);
    EXPECT_EQ(scenario.chips[0].Describe(), "blank");
    const TVirtualChip& chip = scenario.chips[1];
    EXPECT_EQ(chip.Describe(), "DP3B");
    EXPECT_EQ(chip.Ids().chipId, 0x0102030405060708u);
    EXPECT_EQ(chip.Ids().firmwareBytes, (std::vector<uint8_t>{0x0A, 0x0B, 0x0C}));
    const std::vector<TBurnVerdict> verdicts = {{TBurnVerdict::Kind::Fail, 61},
                                                {TBurnVerdict::Kind::Absent, 0},
                                                {TBurnVerdict::Kind::Pass, 0}};
    EXPECT_EQ(chip.Verdicts(), verdicts);
    EXPECT_FALSE(scenario.chips[3].IsPresent());
}

TEST(SimScenario, ShippedExampleReads) {
    Bytes text;
    ASSERT_TRUE(LoadFileToBuffer(ARDENT_SOURCE_DIR "/simulator/scenarios/example.scenario", text));
    TScenario scenario;
    std::string error;
    ASSERT_TRUE(ParseScenario(std::string(text.begin(), text.end()), scenario, error)) << error;
    EXPECT_EQ(scenario.chips[1].Verdicts().front().errorCode, 61);
    EXPECT_FALSE(scenario.chips[3].IsPresent());
}

TEST(SimScenario, NamesTheLineOfTheFirstMistake) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"firmware = 1.6\n", "line 1: firmware version expected"},
        {"\n\n[channel 5]\n", "line 3: section is [channel 1] to [channel 4]"},
        {"[channel 1]\nchip = DP4\n", "line 2: chip is blank"},
        {"[channel 1]\nparameterID = 0x10000\n", "line 2: parameterID does not take"},
        {"[channel 1]\nverdicts = fail 0\n", "line 2: verdicts are"},
        {"[channel 1]\nverdicts =\n", "line 2: verdicts are"},
        {"[channel 1]\nfirmwareBytes = 0102030405060708090a0b0c0d\n", "line 2: firmwareBytes"},
        {"sd-card = maybe\n", "line 1: sd-card"},
        {"colour = red\n", "line 1: unknown setting"},
        {"just words\n", "line 1: key = value expected"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        TScenario scenario;
        std::string error;
        EXPECT_FALSE(ParseScenario(text, scenario, error));
        EXPECT_EQ(error.rfind(expected, 0), 0u) << error;
    }
}

TEST(SimImage, RefusesImagesThatAreNotWholeCurrentConfigurations) {
    TConfiguration configuration;
    configuration.AddNewBlock(BlockType::Firmware, Bytes(20, 0x55));
    const Bytes good = Build(configuration);
    const uint16_t crc = static_cast<uint16_t>(good[good.size() - 2] | good[good.size() - 1] << 8);
    ASSERT_EQ(CheckImage(good, crc), 0);

    // Right CRC over a wrong block count: blocks and size disagree.
    Bytes badBlocks = good;
    badBlocks[60] = 2;
    const uint16_t badBlocksCrc =
        ComputeCrc16(std::span<const uint8_t>(badBlocks).first(badBlocks.size() - 2));
    badBlocks[badBlocks.size() - 2] = static_cast<uint8_t>(badBlocksCrc);
    badBlocks[badBlocks.size() - 1] = static_cast<uint8_t>(badBlocksCrc >> 8);
    Bytes sizeField = good;
    sizeField[0] ^= 1;
    struct TCase {
        const char* name;
        Bytes image;
        uint16_t crc;
        uint16_t code;
    };
    const std::vector<TCase> cases = {
        {"empty", {}, 0, kCodeStoreConfig},
        {"header only", Bytes(good.begin(), good.begin() + 64), crc, kCodeStoreConfig},
        {"size field differs", sizeField, crc, kCodeStoreConfig},
        {"other CRC announced", good, static_cast<uint16_t>(crc ^ 1), kCodeWrongCrc},
        {"blocks do not fill the image", badBlocks, badBlocksCrc, kCodeStoreConfig},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckImage(c.image, c.crc), c.code);
    }
}

TEST(SimEngine, BurnedBlankChipCarriesTheExpectedIdsThenTheAfterBurningOnes) {
    TConfiguration configuration;
    configuration.SetName("DP3B line");
    configuration.SetTargetType(3);
    configuration.SetChannel(0x01);
    TDP3BIdTablesModel table;
    // The firmware in the part's ROM is what the configuration expects before burning; the
    // burn writes the patch.
    table.SetValue(TDP3BIdTablesModel::kRowFirmware, 0, true, std::string("0x01020304"));
    table.SetValue64(TDP3BIdTablesModel::kRowPatch, 0, true, 0x99u);
    table.SetValue64(TDP3BIdTablesModel::kRowPatch, 1, true, 0x1122334455667788u);
    table.SetValue(TDP3BIdTablesModel::kRowParameters, 1, true, 0x4321, 0);
    Bytes block;
    table.GetBuffer(block);
    configuration.AddNewBlock(BlockType::IdTable, block);
    TProgrammerEngine engine;
    ASSERT_EQ(engine.StoreImage(Build(configuration)), 0);

    const auto info =
        Ask(engine, MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo));
    EXPECT_EQ(Value(ReadRecord<TDeviceConfigurationStruct>(info).parameterId), 0x4321);
    const auto burn = Ask(engine, MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget, uint8_t{1}));
    EXPECT_EQ(ReadRecord<TBurningStatusOverall>(burn).channels[0].state, CHANNEL_PASSED);

    const auto read =
        Ask(engine, MakeRequest(MODULE_TARGET, TargetOp::ReadID, TReadIDRequest{0, 3, 1, 1}));
    const auto ids = ReadRecord<TProcessTargetSendId>(read).dp3BIds;
    EXPECT_EQ(Value(ids.patchID), 0x1122334455667788u);
    EXPECT_EQ(Value(ids.parameterID), 0x4321);
    ASSERT_EQ(ids.firmwareIdSize, 4);
    EXPECT_EQ(ids.firmwareID[0], 0x01);
    EXPECT_EQ(ids.firmwareID[3], 0x04);
    // The blank chip became a DP3B part: read as DP2B it does not answer.
    const auto asDp2b =
        Ask(engine, MakeRequest(MODULE_TARGET, TargetOp::ReadID, TReadIDRequest{0, 2, 1, 1}));
    EXPECT_EQ(ReadRecord<TProcessTargetSendId>(asDp2b).channelState, CHANNEL_FAILED);
    EXPECT_EQ(Value(ReadRecord<TProcessTargetSendId>(asDp2b).channelErrorCode),
              kCodeWrongTargetType);
}

TEST(SimEngine, Dp2aParameterIdIsTheChecksumOfItsParameterImage) {
    TConfiguration configuration;
    configuration.SetTargetType(1);
    const Bytes parameters = {0x00, 0x10, 0x03, 0x00, 'a', 'b', 'c'};
    configuration.AddNewBlock(BlockType::Parameters, parameters);
    TProgrammerEngine engine;
    ASSERT_EQ(engine.StoreImage(Build(configuration)), 0);
    const auto info =
        Ask(engine, MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::GetConfigurationInfo));
    EXPECT_EQ(Value(ReadRecord<TDeviceConfigurationStruct>(info).parameterId),
              0x0715); // CRC of "abc"
}

TEST(SimEngine, AnswersShortOrEmptyReportsWithoutReadingPastThem) {
    TProgrammerEngine engine;
    const uint8_t partial[3] = {MODULE_PROGRAMMER, ProgrammerOp::GetDeviceSetup, 0};
    TEngineOutput output = engine.HandleRequest(partial);
    ASSERT_EQ(output.reports.size(), 1u);
    EXPECT_EQ(output.reports[0].packet.header.status, 0);
    output = engine.HandleRequest({});
    ASSERT_EQ(output.reports.size(), 1u);
    EXPECT_NE(output.reports[0].packet.header.status, 0);
    // A store piece that claims more data than a report holds.
    TPacketFormat piece = MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::StoreConfigurationData);
    piece.header.dataSize = 200;
    EXPECT_NE(Ask(engine, piece).header.status, 0);
}

TEST(SimEngine, ExternalTriggerBurnsOnlyWhileAHostLeavesItArmed) {
    TProgrammerEngine engine;
    // Armed until a host says otherwise: the event, then the burn result.
    EXPECT_EQ(ExecuteControlLine(engine, "trigger").reply, "ok");
    EXPECT_EQ(engine.PressExternalTrigger().reports.size(), 2u);
    const uint8_t off[3] = {0, 1, 1}; // as a host with outdated firmware sends it
    EXPECT_EQ(Ask(engine, MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::SetTriggerBehavior, off))
                  .header.status,
              0);
    EXPECT_TRUE(engine.PressExternalTrigger().reports.empty());
    const TControlResult pressed = ExecuteControlLine(engine, "trigger");
    EXPECT_EQ(pressed.reply, "ok external trigger is off");
    EXPECT_TRUE(pressed.output.reports.empty());
    EXPECT_NE(ExecuteControlLine(engine, "status").reply.find("external trigger off"),
              std::string::npos);
}

TEST(SimUsbFrames, ReportsWaitForTheNextFrameOnePerFrame) {
    const SimClock::time_point origin{};
    const TUsbFrames frames(origin);
    using std::chrono::microseconds;
    EXPECT_EQ(frames.NextFrameAfter(origin + microseconds(1)), origin + microseconds(1000));
    EXPECT_EQ(frames.NextFrameAfter(origin + microseconds(1000)), origin + microseconds(2000));
    EXPECT_EQ(frames.NextFrameAfter(origin + microseconds(2999)), origin + microseconds(3000));
    SimClock::time_point previous{};
    EXPECT_EQ(frames.Slot(origin + microseconds(10), previous), origin + microseconds(1000));
    EXPECT_EQ(frames.Slot(origin + microseconds(20), previous), origin + microseconds(2000));
    EXPECT_EQ(frames.Slot(origin + microseconds(5500), previous), origin + microseconds(6000));
}

} // namespace
} // namespace ardent::sim
