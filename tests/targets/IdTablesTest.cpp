#include "configuration/Configuration.h"
#include "input/DObject.h"
#include "targets/DP2AIdTablesModel.h"
#include "targets/DP2BIdTablesModel.h"
#include "targets/DP3BIdTablesModel.h"
#include "utils/Errors.h"

#include <gtest/gtest.h>

#include <memory>

namespace ardent {
namespace {

Bytes Packed(const TIdTablesModel& table) {
    Bytes bytes;
    table.GetBuffer(bytes);
    return bytes;
}

TEST(IdTables, FreshTablesSerialiseToTheirBlockSizes) {
    Bytes dp2b = Packed(TDP2BIdTablesModel());
    ASSERT_EQ(dp2b.size(), 68u);
    for (size_t i = 0; i < dp2b.size(); ++i) {
        EXPECT_EQ(dp2b[i], i == 13 ? 1 : 0) << "byte " << i; // firmware before burning, compare
    }
    EXPECT_EQ(Packed(TDP3BIdTablesModel()), Bytes(66, 0));
    EXPECT_EQ(Packed(TDP2AIdTablesModel()), Bytes(8, 0));
    EXPECT_EQ(TDP2BIdTablesModel().GetBlockSize(), 68u);
}

TEST(IdTables, RowKeysAreAsWritten) {
    TDP2AIdTablesModel dp2a;
    TDP2BIdTablesModel dp2b;
    TDP3BIdTablesModel dp3b;
    for (const TIdTablesModel* table :
         {static_cast<const TIdTablesModel*>(&dp2a), static_cast<const TIdTablesModel*>(&dp2b),
          static_cast<const TIdTablesModel*>(&dp3b)}) {
        EXPECT_EQ(table->GetRowIndex("Firmware"), -1);
        EXPECT_EQ(table->GetNumColumn(), 2);
        EXPECT_EQ(table->GetType(), 4);
    }
    EXPECT_EQ(dp2b.GetRowIndex("Firwmare"), 1);
    EXPECT_EQ(dp2b.GetRowIndex("Rom"), 5);
    EXPECT_EQ(dp2b.GetRowIndex("parameters"), -1);
    EXPECT_EQ(dp3b.GetRowIndex("Firwmare"), 0);
    EXPECT_EQ(dp3b.GetRowIndex("Patch"), 1);
    EXPECT_EQ(dp3b.GetRowIndex("Parameters"), 2);
    EXPECT_EQ(dp2a.GetRowIndex("Parameters"), 0);
    EXPECT_EQ(dp2b.GetNumRow(), 6);
}

TEST(IdTables, DP3BFirmwareVersionIsPackedAsLengthAndBytes) {
    TDP3BIdTablesModel table;
    EXPECT_TRUE(table.SetValue(0, 0, true, "0x01020304"));
    table.SetCompare(0, 0, true);
    EXPECT_EQ(table.GetValue(0, 0), "0x01020304");
    Bytes expected{1, 1, 4, 1, 2, 3, 4};
    expected.resize(19, 0);
    const Bytes packed = Packed(table);
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + 19), expected);
}

TEST(IdTables, DisplayRules) {
    TDP2BIdTablesModel dp2b;
    EXPECT_EQ(dp2b.GetValue(4, 0), "-");
    dp2b.SetValue(4, 0, true, 0, 0);
    EXPECT_EQ(dp2b.GetValue(4, 0), "XXXX");
    dp2b.SetValue(4, 0, true, 5, 0);
    EXPECT_EQ(dp2b.GetValue(4, 0), "0x0005");
    dp2b.SetValue(4, 1, true, 0, 0);
    EXPECT_EQ(dp2b.GetValue(4, 1), "0x0000");
    dp2b.SetValue(1, 0, true, 0x00030004, 0x00010002);
    EXPECT_EQ(dp2b.GetValue(1, 0), "0x0001000200030004");
    dp2b.SetValue(0, 0, true, 0xDEADBEEF, 0);
    EXPECT_EQ(dp2b.GetValue(0, 0), "0xDEADBEEF");

    TDP2AIdTablesModel dp2a;
    dp2a.SetValue(0, 0, true, 0, 0);
    EXPECT_EQ(dp2a.GetValue(0, 0), "XXXX");
    dp2a.SetValue(0, 1, true, 0xAB, 0);
    EXPECT_EQ(dp2a.GetValue(0, 1), "0x00AB");

    TDP3BIdTablesModel dp3b;
    dp3b.SetValue(1, 1, true, 0x10, 0);
    EXPECT_EQ(dp3b.GetValue(1, 1), "0x1000000000000000");
    dp3b.SetValue(2, 1, true, 0x29B1, 0);
    EXPECT_EQ(dp3b.GetValue(2, 1), "0x29B1");
    EXPECT_EQ(dp3b.GetValue(0, 0), "-");
}

TEST(IdTables, CompareRulesPerFamily) {
    TDP2BIdTablesModel dp2b;
    EXPECT_TRUE(dp2b.GetCompare(1)); // firmware before burning starts compared
    EXPECT_FALSE(dp2b.GetCompare(3));
    dp2b.SetCompare(3, 1, true);
    EXPECT_TRUE(dp2b.GetCompare(3));

    TDP3BIdTablesModel dp3b;
    dp3b.SetCompare(1, 0, true);
    EXPECT_FALSE(dp3b.GetCompare(1));
    dp3b.SetCompare(1, 1, true);
    EXPECT_TRUE(dp3b.GetCompare(1));

    dp2b.Clear();
    EXPECT_FALSE(dp2b.GetCompare(1));
}

TEST(IdTables, TextValuesOnlyWhereTheKindTakesThem) {
    TDP3BIdTablesModel dp3b;
    EXPECT_TRUE(dp3b.SetValue(1, 0, true, "0x0102030405060708"));
    EXPECT_EQ(dp3b.GetValueInt(1, 0), 0x0102030405060708);
    EXPECT_TRUE(dp3b.SetValue(1, 0, true, "$10"));
    EXPECT_EQ(dp3b.GetValueInt(1, 0), 16);
    EXPECT_FALSE(dp3b.SetValue(1, 0, true, "zz"));
    EXPECT_EQ(dp3b.GetValueInt(1, 0), 16);
    EXPECT_FALSE(dp3b.SetValue(2, 0, true, "5")); // 16-bit kind takes no text
    // Array: more than 16 bytes, or not hex, is refused and the old value stays.
    EXPECT_TRUE(dp3b.SetValue(0, 0, true, "0x0A0B"));
    EXPECT_FALSE(dp3b.SetValue(0, 0, true, "0x000102030405060708090A0B0C0D0E0F10"));
    EXPECT_FALSE(dp3b.SetValue(0, 0, true, "0xZZ"));
    EXPECT_EQ(dp3b.GetValue(0, 0), "0x0A0B");
    EXPECT_TRUE(dp3b.SetValue(0, 0, true, "0x000102030405060708090A0B0C0D0E0F"));
    EXPECT_EQ(dp3b.GetValue(0, 0), "0x000102030405060708090A0B0C0D0E0F");
}

TEST(IdTables, CellsOutsideTheTableAreProgrammingErrors) {
    TDP2AIdTablesModel dp2a;
    EXPECT_THROW(dp2a.GetValue(1, 0), IndexOutOfRangeError);
    EXPECT_THROW(dp2a.SetLoaded(0, 2, true), IndexOutOfRangeError);
    EXPECT_THROW(dp2a.GetLoaded(-1, 0), IndexOutOfRangeError);
}

TEST(IdTables, BlockRoundTripsThroughConfiguration) {
    TDP3BIdTablesModel source;
    source.SetValue(0, 0, true, "0x01020304");
    source.SetCompare(0, 0, true);
    source.SetValue(1, 1, false, 0x10, 0x20);
    source.SetCompare(1, 1, true);
    source.SetValue(2, 1, true, 0x29B1, 0);
    TConfiguration configuration;
    configuration.AddNewBlock(BlockType::IdTable, Packed(source));

    TDP3BIdTablesModel copy;
    EXPECT_TRUE(copy.FillFromConfiguration(configuration));
    EXPECT_EQ(Packed(copy), Packed(source));
    EXPECT_EQ(copy.GetValue(0, 0), "0x01020304");
    EXPECT_FALSE(copy.GetLoaded(1, 1));
    EXPECT_EQ(copy.GetValueInt(1, 1), 0x0000002000000010);
}

TEST(IdTables, ConfigurationWithoutTableLeavesTableAsItWas) {
    TDP2BIdTablesModel table;
    table.SetValue(0, 0, true, 7, 0);
    const Bytes before = Packed(table);
    TConfiguration configuration;
    configuration.AddNewBlock(BlockType::Parameters, Bytes{1});
    EXPECT_TRUE(table.FillFromConfiguration(configuration));
    EXPECT_EQ(Packed(table), before);
}

TEST(IdTables, DamagedBlocksAreRefusedWholeAndChangeNothing) {
    TDP3BIdTablesModel table;
    table.SetValue(2, 1, true, 0x1234, 0);
    const Bytes before = Packed(table);

    Bytes good = Packed(TDP3BIdTablesModel());
    good[0] = 1; // firmware before: loaded
    for (size_t length = 0; length < good.size(); ++length) {
        EXPECT_FALSE(table.FillFromBlock(std::span<const uint8_t>(good).first(length)))
            << "length " << length;
        EXPECT_EQ(Packed(table), before) << "length " << length;
    }
    Bytes tooLongArray = good;
    tooLongArray[2] = 17; // used length of the 16-byte firmware version
    EXPECT_FALSE(table.FillFromBlock(tooLongArray));
    EXPECT_EQ(Packed(table), before);

    // Bytes after the table are not part of it.
    Bytes longer = good;
    longer.push_back(0xEE);
    EXPECT_TRUE(table.FillFromBlock(longer));
    EXPECT_EQ(Packed(table), good);
}

} // namespace
} // namespace ardent
