#include "operations/DeviceSetupHandler.h"
#include "EngineExchange.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>

namespace ardent::testing {
namespace {

using simtest::ImageCrc;
using simtest::MakeImage;
using std::chrono::milliseconds;

struct DeviceSetupFixture : ::testing::Test {
    TEngineExchange programmer;
    TDeviceSetupHandler tool{{programmer, TRequestTimeouts::CommandLine()}};
    TDeviceSetupHandler window{{programmer, TRequestTimeouts::Windowed()}};

    Bytes Data(const TPacketFormat& request) const {
        return Bytes(request.data, request.data + request.header.dataSize);
    }
};

// Each request's layout and each program's wait for it.
TEST_F(DeviceSetupFixture, RequestLayoutsAndWaitsOfBothPrograms) {
    struct Case {
        const char* name;
        std::function<bool(TDeviceSetupHandler&)> call;
        uint8_t opCode;
        Bytes data;
        int toolWait;
        int windowWait;
    };
    TDeviceBurnerInfo info{};
    TDeviceConfigurationStruct description{};
    uint8_t flag = 0;
    Bytes buffer;
    const Case cases[] = {
        {"GetDeviceSetup", [&](auto& h) { return h.GetDeviceSetup(info); }, 1, {}, 200, 100},
        {"SetBaudRate",
         [](auto& h) { return h.SetBaudRate(57600); },
         2,
         {0x00, 0xE1, 0, 0},
         200,
         1000},
        {"SetTriggerBehavior tool",
         [](auto& h) { return h.SetTriggerBehavior(uint8_t{1}); },
         9,
         {1, 1, 1},
         30000,
         100},
        {"SetTriggerBehavior window",
         [](auto& h) { return h.SetTriggerBehavior(0, 0, 1); },
         9,
         {0, 0, 1},
         30000,
         100},
        {"GetTriggerBehavior",
         [&](auto& h) { return h.GetTriggerBehavior(flag); },
         10,
         {},
         200,
         200},
        {"StoreConfiguration",
         [](auto& h) { return h.StoreConfiguration(1000, 0xBEEF); },
         3,
         {0xE8, 0x03, 0, 0, 0xEF, 0xBE},
         200,
         100},
        {"StoreConfigurationData",
         [](auto& h) {
             return h.StoreConfigurationData(Bytes{7, 8, 9});
         },
         4,
         {7, 8, 9},
         30000,
         10000},
        {"ReadConfiguration",
         [&](auto& h) { return h.ReadConfiguration(1, buffer, 0); },
         5,
         {1},
         200,
         100},
        {"GetConfigurationInfo",
         [&](auto& h) { return h.GetConfigurationInfo(description); },
         6,
         {},
         200,
         100},
        {"SetActiveChannel", [](auto& h) { return h.SetActiveChannel(3); }, 11, {3, 0}, 200, 200},
    };
    // A stored configuration, for the read.
    ASSERT_EQ(programmer.engine.StoreImage(MakeImage(130)), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        programmer.requests.clear();
        programmer.waits.clear();
        ASSERT_TRUE(c.call(tool));
        ASSERT_TRUE(c.call(window));
        ASSERT_EQ(programmer.requests.size(), 2u);
        for (const TPacketFormat& request : programmer.requests) {
            EXPECT_EQ(request.header.module, MODULE_PROGRAMMER);
            EXPECT_EQ(request.header.opCode, c.opCode);
            EXPECT_EQ(request.header.status, 0);
            EXPECT_EQ(Data(request), c.data);
            // Everything past dataSize goes out as zero.
            for (size_t i = request.header.dataSize; i < kPacketDataSize; ++i)
                EXPECT_EQ(request.data[i], 0) << i;
        }
        EXPECT_EQ(programmer.waits, (std::vector<milliseconds>{milliseconds(c.toolWait),
                                                               milliseconds(c.windowWait)}));
    }
}

TEST_F(DeviceSetupFixture, ReplyMustMatchAndCarryStatusZero) {
    // A reply with another opCode (or an event report) answers nothing: it is passed over and
    // the wait runs out as if nothing had come.
    const std::pair<TFault, TReplyCheck> cases[] = {
        {TFault::Refuse, TReplyCheck::Refused},    {TFault::WrongOpCode, TReplyCheck::NoReply},
        {TFault::LinkLost, TReplyCheck::LinkLost}, {TFault::NoReply, TReplyCheck::NoReply},
        {TFault::NotSent, TReplyCheck::NotSent},   {TFault::Event, TReplyCheck::NoReply},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        programmer.faults[i] = cases[i].first;
        EXPECT_FALSE(tool.SetBaudRate(9600)) << i;
    }
    // A refusal is an answer; only the exchanges that got none are noted for the tool's result.
    EXPECT_EQ(
        programmer.notedFailures,
        (std::vector<TReplyCheck>{TReplyCheck::NoReply, TReplyCheck::LinkLost, TReplyCheck::NoReply,
                                  TReplyCheck::NotSent, TReplyCheck::NoReply}));
}

TEST_F(DeviceSetupFixture, OutRecordsComeFromTheReply) {
    programmer.engine.SetFirmwareVersion(0x010500);
    const Bytes image = MakeImage(130, "Line 7");
    ASSERT_EQ(programmer.engine.StoreImage(image), 0);
    TDeviceBurnerInfo info{};
    ASSERT_TRUE(tool.GetDeviceSetup(info));
    EXPECT_EQ(+info.firmwareVersion, 0x010500u);
    EXPECT_STREQ(info.configName, "Line 7");
    TDeviceConfigurationStruct description{};
    ASSERT_TRUE(tool.GetConfigurationInfo(description));
    EXPECT_EQ(+description.crc, ImageCrc(image));
    EXPECT_EQ(+description.configSize, 130u);
    EXPECT_STREQ(description.configName, "Line 7");
    uint8_t flag = 9;
    // A host switched the external trigger off.
    programmer.Ask(MakeRequest(MODULE_PROGRAMMER, ProgrammerOp::SetTriggerBehavior,
                               std::array<uint8_t, 3>{0, 0, 1}));
    ASSERT_TRUE(tool.GetTriggerBehavior(flag));
    EXPECT_EQ(flag, 0);
}

struct StoreCase {
    size_t size;
    size_t dataRequests;
    size_t lastPiece;
};

class StoreSequence : public DeviceSetupFixture, public ::testing::WithParamInterface<StoreCase> {};

// The bytes of the data pieces sent, in order.
Bytes SentPieces(const TEngineExchange& programmer) {
    Bytes sent;
    for (const TPacketFormat& request : programmer.requests)
        if (request.header.opCode == ProgrammerOp::StoreConfigurationData)
            sent.insert(sent.end(), request.data, request.data + request.header.dataSize);
    return sent;
}

TEST_P(StoreSequence, AnnouncesThenSendsSixtyBytePiecesInOrder) {
    const StoreCase c = GetParam();
    const Bytes image = MakeImage(c.size);
    std::vector<size_t> progress;
    ASSERT_TRUE(
        tool.StoreConfigurationImage(image, ImageCrc(image), [&](size_t done, size_t total) {
            EXPECT_EQ(total, c.size);
            progress.push_back(done);
        }));
    ASSERT_EQ(programmer.requests.size(), 1 + c.dataRequests);
    EXPECT_EQ(programmer.requests[0].header.opCode, ProgrammerOp::StoreConfiguration);
    EXPECT_EQ(programmer.CountRequests(MODULE_PROGRAMMER, ProgrammerOp::StoreConfigurationData),
              c.dataRequests);
    if (c.dataRequests > 0) {
        EXPECT_EQ(programmer.requests.back().header.dataSize, c.lastPiece);
    }
    EXPECT_EQ(SentPieces(programmer), image);
    // The programmer took the whole image: it reads back as it was sent.
    EXPECT_EQ(+programmer.StoredDescription().crc, ImageCrc(image));
    Bytes readBack;
    EXPECT_EQ(tool.ReadConfigurationImage(readBack), TDeviceSetupHandler::TReadOutcome::Read);
    EXPECT_EQ(readBack, image);
    EXPECT_EQ(progress.size(), c.dataRequests);
    if (!progress.empty()) {
        EXPECT_EQ(progress.back(), c.size);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, StoreSequence,
                         ::testing::Values(StoreCase{1000, 17, 40}, StoreCase{120, 2, 60},
                                           StoreCase{121, 3, 1}, StoreCase{65535, 1093, 15}));

// Images under the smallest one a programmer keeps: the handler still cuts them the same way.
// The programmer refuses them; the link is made to turn each refusal into an acceptance, so the
// whole sequence goes out.
TEST_F(DeviceSetupFixture, ImagesBelowTheSmallestAreCutTheSameWay) {
    const StoreCase cases[] = {{60, 1, 60}, {61, 2, 1}, {0, 0, 0}};
    programmer.corrupt = [](const TPacketFormat&, TPacketFormat& reply) {
        reply.header.status = 0;
    };
    for (const StoreCase& c : cases) {
        SCOPED_TRACE(c.size);
        programmer.requests.clear();
        const Bytes image = PatternImage(c.size);
        std::vector<size_t> progress;
        ASSERT_TRUE(tool.StoreConfigurationImage(image, 0xA55A, [&](size_t done, size_t total) {
            EXPECT_EQ(total, c.size);
            progress.push_back(done);
        }));
        ASSERT_EQ(programmer.requests.size(), 1 + c.dataRequests);
        const TPacketFormat& announcement = programmer.requests[0];
        EXPECT_EQ(announcement.header.opCode, ProgrammerOp::StoreConfiguration);
        EXPECT_EQ((Bytes(announcement.data, announcement.data + announcement.header.dataSize)),
                  (Bytes{static_cast<uint8_t>(c.size), 0, 0, 0, 0x5A, 0xA5}));
        if (c.dataRequests > 0) {
            EXPECT_EQ(programmer.requests.back().header.dataSize, c.lastPiece);
        }
        EXPECT_EQ(SentPieces(programmer), image);
        EXPECT_EQ(progress.size(), c.dataRequests);
        if (!progress.empty()) {
            EXPECT_EQ(progress.back(), c.size);
        }
    }
    // None of them replaced a configuration.
    EXPECT_EQ(+programmer.StoredDescription().configSize, 0u);
}

TEST_F(DeviceSetupFixture, StoreStopsAtTheFirstRefusedPiece) {
    programmer.faults[3] = TFault::Refuse; // the third data piece
    EXPECT_FALSE(tool.StoreConfigurationImage(PatternImage(1000), 1));
    EXPECT_EQ(programmer.requests.size(), 4u);
}

TEST_F(DeviceSetupFixture, StoreOfARefusedAnnouncementSendsNoData) {
    programmer.faults[0] = TFault::Refuse;
    EXPECT_FALSE(tool.StoreConfigurationImage(PatternImage(100), 1));
    EXPECT_EQ(programmer.requests.size(), 1u);
}

TEST_F(DeviceSetupFixture, ImageTooLargeForTheSixteenBitSizeIsNotSent) {
    EXPECT_FALSE(tool.StoreConfigurationImage(PatternImage(65536), 1));
    EXPECT_TRUE(programmer.requests.empty());
}

struct ReadCase {
    size_t size;
    size_t pieces;
};

class ReadSequence : public DeviceSetupFixture, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadSequence, ReadsCeilSizeOverSixtyPiecesAndCutsTheImage) {
    const ReadCase c = GetParam();
    const Bytes stored = c.size == 0 ? Bytes{} : MakeImage(c.size);
    if (c.size != 0) {
        ASSERT_EQ(programmer.engine.StoreImage(stored), 0);
    }
    Bytes image{1, 2, 3};
    std::vector<size_t> progress;
    ASSERT_EQ(
        tool.ReadConfigurationImage(image, [&](size_t done, size_t) { progress.push_back(done); }),
        TDeviceSetupHandler::TReadOutcome::Read);
    EXPECT_EQ(image, stored);
    ASSERT_EQ(programmer.CountRequests(MODULE_PROGRAMMER, ProgrammerOp::ReadConfiguration),
              c.pieces);
    for (size_t k = 0; k < c.pieces; ++k) {
        const TPacketFormat& request = programmer.requests[1 + k];
        EXPECT_EQ(request.header.dataSize, 1);
        EXPECT_EQ(request.data[0], k == 0 ? 1 : 0) << k;
    }
    EXPECT_EQ(progress.size(), c.pieces);
    if (c.pieces) {
        EXPECT_EQ(progress.back(), c.size);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReadSequence,
                         ::testing::Values(ReadCase{130, 3}, ReadCase{1000, 17}, ReadCase{120, 2},
                                           ReadCase{121, 3}, ReadCase{0, 0}));

TEST_F(DeviceSetupFixture, ReadStopsAtTheFirstMissingPiece) {
    ASSERT_EQ(programmer.engine.StoreImage(MakeImage(1000)), 0);
    programmer.faults[3] = TFault::NoReply; // the third piece
    Bytes image{9};
    EXPECT_EQ(tool.ReadConfigurationImage(image), TDeviceSetupHandler::TReadOutcome::PieceFailed);
    EXPECT_EQ(programmer.requests.size(), 4u);
    EXPECT_EQ(image, Bytes{9});
}

TEST_F(DeviceSetupFixture, ReadWithoutADescriptionOrWithAnImpossibleSizeReadsNothing) {
    programmer.faults[0] = TFault::Refuse;
    Bytes image;
    EXPECT_EQ(tool.ReadConfigurationImage(image), TDeviceSetupHandler::TReadOutcome::InfoFailed);
    ASSERT_EQ(programmer.engine.StoreImage(MakeImage(130)), 0);
    programmer.corrupt = [](const TPacketFormat& request, TPacketFormat& reply) {
        if (request.header.opCode == ProgrammerOp::GetConfigurationInfo) {
            TDeviceConfigurationStruct garbled = ReadRecord<TDeviceConfigurationStruct>(reply);
            garbled.configSize = 0xFFFFFFFF;
            std::memcpy(reply.data, &garbled, sizeof garbled);
        }
    };
    EXPECT_EQ(tool.ReadConfigurationImage(image), TDeviceSetupHandler::TReadOutcome::InfoFailed);
    EXPECT_EQ(programmer.CountRequests(MODULE_PROGRAMMER, ProgrammerOp::ReadConfiguration), 0u);
}

} // namespace
} // namespace ardent::testing
