// The station's side of forwarding, without a plant: what is unsent, the mark, the back-off.
#include "StationFixture.h"

#include "forwarding/Forwarder.h"
#include "records/StationOutbox.h"

#include <gtest/gtest.h>

namespace ardent::testing {
namespace {

using namespace std::chrono_literals;

TEST(StationOutboxTest, ReadsUnsentRecordsInSeqOrderWithOnlyTheirChipIds) {
    TStationFixture station;
    station.AppendBurns(3);
    records::TStationOutbox outbox(station.Database());
    records::TUnsentBatch batch;
    std::string error;
    ASSERT_TRUE(outbox.ReadUnsent(4, 5, batch, error)) << error;
    ASSERT_EQ(batch.records.size(), 5u);
    EXPECT_EQ(batch.lastSeq, 9);
    for (size_t i = 0; i < batch.records.size(); ++i) {
        EXPECT_EQ(batch.records[i][records::kSeqColumn], std::to_string(5 + i));
    }
    ASSERT_EQ(batch.chipIds.size(), 5u);
    EXPECT_EQ(batch.chipIds.front().recordId, *batch.records.front()[records::kIdColumn]);
    EXPECT_EQ(batch.chipIds.front().value, "5");
    ASSERT_TRUE(outbox.ReadUnsent(12, 5, batch, error));
    EXPECT_TRUE(batch.records.empty());
    EXPECT_EQ(batch.lastSeq, 0);
}

TEST(StationOutboxTest, TheSentMarkOnlyMovesForward) {
    TStationFixture station;
    station.AppendBurns(2);
    records::TStationOutbox outbox(station.Database());
    std::string error;
    long long seq = -1;
    ASSERT_TRUE(outbox.ConfirmSent(6, "2026-12-11T08:00:00.000Z", error)) << error;
    // A second forwarder that sent an older batch confirms late.
    ASSERT_TRUE(outbox.ConfirmSent(3, "2026-12-11T08:00:01.000Z", error)) << error;
    ASSERT_TRUE(outbox.LastSentSeq(seq, error));
    EXPECT_EQ(seq, 6);
    records::TForwardStatus status;
    ASSERT_TRUE(outbox.Status(status, error));
    EXPECT_EQ(status.unsent, 2);
    EXPECT_EQ(status.lastSentTime, "2026-12-11T08:00:00.000Z");
}

TEST(StationOutboxTest, AStateThatIsNotANumberIsAnErrorNotACrash) {
    TStationFixture station;
    std::string error;
    ASSERT_TRUE(station.Database().Execute(
        "INSERT INTO forward_state VALUES ('last_sent_seq', 'twelve')", error));
    long long seq = 0;
    EXPECT_FALSE(records::TStationOutbox(station.Database()).LastSentSeq(seq, error));
    EXPECT_NE(error.find("last_sent_seq"), std::string::npos) << error;
    forwarding::TForwarder forwarder(station.Database(), "postgresql:///unused");
    long long sent = 0;
    EXPECT_FALSE(forwarder.ForwardAll(sent, error));
}

TEST(StationOutboxTest, RetriesBackOffDoublingUpToTheCapAndStartOverAfterASuccess) {
    forwarding::TRetryDelay delay(250ms, 1500ms);
    const std::chrono::milliseconds expected[] = {250ms, 500ms, 1000ms, 1500ms, 1500ms};
    for (const auto wait : expected) {
        EXPECT_EQ(delay.Next(), wait);
    }
    delay.Reset();
    EXPECT_EQ(delay.Next(), 250ms);
}

TEST(StationOutboxTest, TimesAreWrittenAsUtcToTheMillisecond) {
    const std::string now = forwarding::UtcNowText();
    ASSERT_EQ(now.size(), 24u) << now;
    EXPECT_EQ(now[10], 'T');
    EXPECT_EQ(now[19], '.');
    EXPECT_EQ(now.back(), 'Z');
}

} // namespace
} // namespace ardent::testing
