// Column names and the two list formats of a draw record.

#include "store/draw_record.h"

#include <gtest/gtest.h>

namespace brivo::store {
namespace {

ZodiacTables TablesFor(int issue) {
  ZodiacTables tables;
  tables.SetZodiacYear(ZodiacTables::ZodiacYearOf(issue));
  tables.ComputeCodes(1, false);
  return tables;
}

DrawValues Values(const DrawNumbers& numbers, int ds_ini = 1) {
  return ValuesOf(numbers, TablesFor(2007001), ds_ini);
}

TEST(ColumnNameTest, JoinsPositionLetterAndSuffix) {
  EXPECT_EQ(ColumnName(3, Kind::kHe, kPreceding), "L3GS");
  EXPECT_EQ(ColumnName(1, Kind::kHm, kOwn), "L1A");
  EXPECT_EQ(ColumnName(7, Kind::kDs, kEarlier), "L7HP");
  EXPECT_EQ(ColumnName(2, Kind::kSx, kOwn), "L2B");
  EXPECT_EQ(ColumnName(4, Kind::kTou, kOwn), "L4E");
  EXPECT_EQ(ColumnName(5, Kind::kWei, kOwn), "L5F");
  EXPECT_EQ(ListColumn(kPlainList, Kind::kSx), "txtHisLstSx");
  EXPECT_EQ(ListColumn(kPlainPreList, Kind::kDs), "txtHisPreLstDs");
  // A kind index from the settings or an option array outside 0..5 names no kind.
  EXPECT_EQ(KindOfIndex(5), Kind::kDs);
  EXPECT_EQ(KindOfIndex(6), std::nullopt);
  EXPECT_EQ(KindOfIndex(-1), std::nullopt);
}

TEST(TwoDigitsTest, WritesAtLeastTwoDigits) {
  EXPECT_EQ(TwoDigits(0), "00");
  EXPECT_EQ(TwoDigits(5), "05");
  EXPECT_EQ(TwoDigits(33), "33");
  EXPECT_EQ(TwoDigits(123), "123");
  EXPECT_EQ(TwoDigits(-3), "-03");
  EXPECT_EQ(TwoDigits(-32768), "-32768");
}

TEST(DrawListsTest, WorkedExample) {
  const DrawLists lists = ListsOf(Values({3, 11, 17, 24, 28, 32, 9}));
  EXPECT_EQ(lists.plain, "03 11 17 24 28 32 09 ");
  EXPECT_EQ(lists.plain.size(), 21u);
  EXPECT_EQ(lists.tagged[Kind::kHm], "1X03 1X11 1X17 1X24 1X28 1X32 1X09 ");
  EXPECT_EQ(lists.tagged[Kind::kTou], "1X0 1X1 2X1 1X2 2X2 1X3 2X0 ");
  EXPECT_EQ(lists.tagged[Kind::kWei], "1X3 1X1 1X7 1X4 1X8 1X2 1X9 ");
  EXPECT_EQ(lists.tagged[Kind::kHe], "1X03 1X02 1X08 1X06 1X10 1X05 1X09 ");
  EXPECT_EQ(lists.tagged[Kind::kDs], "1X1 1X4 1X6 1X8 1X10 1X11 1X5 ");
}

TEST(DrawListsTest, ZodiacListHasTwoDigitCodesAndCountsRepeats) {
  // In a zodiac year's own reading by age, 01 and 13 share code 1 and 12 has code 12.
  DrawValues values = Values({1, 13, 12, 2, 14, 26, 1});
  EXPECT_EQ(TaggedList(values, Kind::kSx), "1X01 2X01 1X12 1X02 2X02 3X02 3X01 ");
}

TEST(DrawListsTest, EdgeCases) {
  struct Case {
    const char* name;
    DrawNumbers numbers;
    Kind kind;
    const char* list;
  };
  const Case cases[] = {
      {"blue equal to a red counts twice",
       {12, 5, 6, 7, 8, 9, 12},
       Kind::kHm,
       "1X12 1X05 1X06 1X07 1X08 1X09 2X12 "},
      {"numbers below 10 have tens digit 0",
       {1, 2, 3, 4, 5, 6, 7},
       Kind::kTou,
       "1X0 2X0 3X0 4X0 5X0 6X0 7X0 "},
      {"four equal units digits",
       {3, 13, 23, 33, 1, 2, 4},
       Kind::kWei,
       "1X3 2X3 3X3 4X3 1X1 1X2 1X4 "},
      {"segments 10 and 11 without padding",
       {28, 31, 33, 1, 2, 4, 16},
       Kind::kDs,
       "1X10 1X11 2X11 1X1 2X1 1X2 1X8 "},
      {"digit sums below 10 padded",
       {9, 18, 27, 29, 10, 19, 1},
       Kind::kHe,
       "1X09 2X09 3X09 1X11 1X01 1X10 2X01 "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TaggedList(Values(c.numbers), c.kind), c.list) << c.name;
  }
}

TEST(DrawListsTest, SegmentOffsetZero) {
  EXPECT_EQ(TaggedList(Values({1, 33, 4, 5, 6, 7, 16}, 0), Kind::kDs),
            "1X0 1X10 1X1 2X1 3X1 1X2 1X7 ");
}

TEST(DrawListsTest, OddValuesNeverLeaveTheList) {
  DrawValues values{};
  values[1][Kind::kHm] = INT16_MAX;
  values[2][Kind::kHm] = INT16_MIN;
  values[3][Kind::kHm] = INT16_MIN;
  EXPECT_EQ(TaggedList(values, Kind::kHm), "1X32767 1X-32768 2X-32768 1X00 2X00 3X00 4X00 ");
}

}  // namespace
}  // namespace brivo::store
