#include "records/RecordQuery.h"

#include <gtest/gtest.h>

namespace ardent::records {
namespace {

TEST(RecordQueryTest, ChipIdsAreStoredInOneSpelling) {
    const struct {
        const char* text;
        std::optional<std::string> stored;
    } cases[] = {
        {"0x0012abcd", "12ABCD"},
        {"0X0012ABCD", "12ABCD"},
        {"12abcd", "12ABCD"},
        {"0x0000", "0"},
        {"0", "0"},
        {"0x", std::nullopt},
        {"", std::nullopt},
        {"12 AB", std::nullopt},
        {"0x-1", std::nullopt},
        {"G1", std::nullopt},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(NormaliseChipId(test.text), test.stored) << test.text;
    }
}

TEST(RecordQueryTest, TimesAreUtcTextOrALeadingPartOfIt) {
    for (const char* good : {"2026", "2026-12-11", "2026-12-11T15", "2026-12-11T15:04:05.123Z"}) {
        EXPECT_TRUE(IsTimePrefix(good)) << good;
    }
    for (const char* bad :
         {"", "11.12.2026", "2026-12-11 15:04", "2026-12-11T15:04:05.123Z0", "x"}) {
        EXPECT_FALSE(IsTimePrefix(bad)) << bad;
    }
}

TEST(RecordQueryTest, ValuesAreBoundInTheDialectsPlaceholdersNeverPastedIntoTheSql) {
    TRecordFilter filter;
    filter.chipId = "0x00ab";
    filter.station = "LINE-1'; DROP TABLE burn_record; --";
    filter.to = "2026-12-12";
    const TRenderedQuery station = RenderFind(filter, TDialect::Station);
    const TRenderedQuery plant = RenderFind(filter, TDialect::Plant);
    EXPECT_EQ(station.parameters, (std::vector<std::string>{"AB", *filter.station, "2026-12-12"}));
    EXPECT_EQ(plant.parameters, station.parameters);
    EXPECT_EQ(station.sql.find("DROP"), std::string::npos);
    EXPECT_NE(station.sql.find("r.seq IN (SELECT seq FROM record_chip_id WHERE value = ?)"),
              std::string::npos)
        << station.sql;
    EXPECT_NE(plant.sql.find("WHERE value = $1) AND r.station = $2 AND r.time_utc < $3"),
              std::string::npos)
        << plant.sql;
    EXPECT_NE(plant.sql.find("SELECT r.station_seq, r.id,"), std::string::npos) << plant.sql;
}

} // namespace
} // namespace ardent::records
