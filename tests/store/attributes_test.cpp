#include "store/attributes.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace brivo::store {
namespace {

// The literal reading of a group table: the first group whose text contains n as two digits.
int SearchGroups(const std::array<std::string, 12>& groups, int n) {
  const std::string needle = (n < 10 ? "0" : "") + std::to_string(n);
  for (int k = 0; k < 12; ++k) {
    if (groups[static_cast<std::size_t>(k)].find(needle) != std::string::npos) return k;
  }
  return -1;
}

int Code(const ZodiacTables& t, int n) { return AttributesOf(n, 1, t, 0)[Kind::kSx]; }

// Years on both sides of 1972 and of 1972 + 11, where a plain % would go negative.
const std::vector<int> kYears = {-100, 0,    1960, 1961, 1971, 1972, 1983, 1984,
                                 2002, 2003, 2012, 2015, 2016, 2017, 2096, 2097};

TEST(BoundaryEntryTest, KnownYears) {
  struct Row {
    const char* name;
    int year;
    int entry;
  };
  const Row rows[] = {
      {"2001", 2001, 7},  {"2002", 2002, 11}, {"2003", 2003, 9},  {"2004", 2004, 7},
      {"2005", 2005, 16}, {"2006", 2006, 12}, {"2007", 2007, 21}, {"2008", 2008, 15},
      {"2009", 2009, 10}, {"2010", 2010, 19}, {"2011", 2011, 16}, {"2012", 2012, 9},
      {"2013", 2013, 16}, {"2014", 2014, 13}, {"2015", 2015, 21}, {"2016", 2016, 16},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ZodiacTables::BoundaryEntry(r.year), r.entry);
  }
}

TEST(BoundaryEntryTest, YearsWithoutEntry) {
  struct Row {
    const char* name;
    int year;
  };
  const Row rows[] = {
      {"first year of table", 0},
      {"year before first entry", 2000},
      {"year after last entry", 2017},
      {"last year of table", 2096},
      {"negative", -5},
      {"one past table", 2097},
      {"far past table", 999999},
      {"int min", INT_MIN},
      {"int max", INT_MAX},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ZodiacTables::BoundaryEntry(r.year), 0);
  }
}

TEST(ZodiacYearOfTest, Issues) {
  struct Row {
    const char* name;
    std::int32_t issue;
    int year;
  };
  const Row rows[] = {
      {"last draw before new year 2016", 2016016, 2015},
      {"first draw after new year 2016", 2016017, 2016},
      {"year without entry", 2017005, 2017},
      {"first draw of a year", 2003001, 2002},
      {"on 2003 boundary", 2003009, 2002},
      {"after 2003 boundary", 2003010, 2003},
      {"on 2007 boundary", 2007021, 2006},
      {"after 2007 boundary", 2007022, 2007},
      {"late in 2007", 2007153, 2007},
      {"2001 boundary", 2001007, 2000},
      {"after 2001 boundary", 2001008, 2001},
      // Sequence 0 is not above an entry of 0, so it falls to the previous year.
      {"sequence zero without entry", 2017000, 2016},
      {"first draw of 2017", 2017001, 2017},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ZodiacTables::ZodiacYearOf(r.issue), r.year);
  }
}

TEST(ZodiacYearOfTest, ExtremeIssuesStayDefined) {
  EXPECT_EQ(ZodiacTables::ZodiacYearOf(INT32_MAX), 2147483);
  EXPECT_EQ(ZodiacTables::ZodiacYearOf(INT32_MIN), -2147484);
  EXPECT_EQ(ZodiacTables::ZodiacYearOf(-5), -1);
  EXPECT_EQ(ZodiacTables::ZodiacYearOf(999999999), 999999);
}

TEST(BaseGroupsTest, EveryNumberOnceByRemainder) {
  EXPECT_EQ(kBaseGroups[0], "01、13、25、37、49");
  EXPECT_EQ(kBaseGroups[11], "12、24、36、48");
  for (int n = 1; n <= 49; ++n) {
    SCOPED_TRACE(n);
    const int j = SearchGroups(kBaseGroups, n);
    EXPECT_EQ(j, (n - 1) % 12);
  }
  EXPECT_EQ(SearchGroups(kBaseGroups, 50), -1);
  EXPECT_EQ(SearchGroups(kBaseGroups, 0), -1);
}

TEST(AnimalNamesTest, Order) {
  const std::array<std::string, 12> expected = {"鼠", "牛", "虎", "兔", "龙", "蛇",
                                                "马", "羊", "猴", "鸡", "狗", "猪"};
  EXPECT_EQ(kAnimalNames, expected);
}

TEST(ZodiacTablesTest, Year2002GroupTableByHand) {
  // 2002 is a 马 year (index 6): 01 is 马, 02 蛇, ..., 07 鼠, 12 羊.
  ZodiacTables t;
  t.SetZodiacYear(2002);
  EXPECT_EQ(t.reference_year(), 2002);
  const std::array<std::string, 12> expected = {
      "07、19、31、43", "06、18、30、42", "05、17、29、41",     "04、16、28、40",
      "03、15、27、39", "02、14、26、38", "01、13、25、37、49", "12、24、36、48",
      "11、23、35、47", "10、22、34、46", "09、21、33、45",     "08、20、32、44"};
  EXPECT_EQ(t.groups(), expected);
  EXPECT_EQ(t.GroupOf(1), 6);
  EXPECT_EQ(t.GroupOf(2), 5);
  EXPECT_EQ(t.GroupOf(7), 0);
  EXPECT_EQ(t.GroupOf(12), 7);
  EXPECT_EQ(t.GroupOf(49), 6);
}

TEST(ZodiacTablesTest, Year2003GroupTableByHand) {
  // 2003 is a 羊 year (index 7).
  ZodiacTables t;
  t.SetZodiacYear(2003);
  EXPECT_EQ(t.groups()[7], "01、13、25、37、49");
  EXPECT_EQ(t.groups()[0], "08、20、32、44");
  EXPECT_EQ(t.groups()[8], "12、24、36、48");
  EXPECT_EQ(t.GroupOf(8), 0);
}

TEST(ZodiacTablesTest, DefaultIsYearZero) {
  ZodiacTables fresh;
  ZodiacTables year0;
  year0.SetZodiacYear(0);
  EXPECT_EQ(fresh.reference_year(), 0);
  EXPECT_EQ(fresh.groups(), year0.groups());
  for (int n = 1; n <= 49; ++n) EXPECT_EQ(fresh.GroupOf(n), SearchGroups(fresh.groups(), n));
  for (std::int16_t c : fresh.codes()) EXPECT_EQ(c, 0);
}

TEST(ZodiacTablesTest, GroupOfMatchesTextSearch) {
  ZodiacTables t;
  for (int year : kYears) {
    SCOPED_TRACE(year);
    t.SetZodiacYear(year);
    std::set<std::string> distinct(t.groups().begin(), t.groups().end());
    EXPECT_EQ(distinct.size(), 12u);
    for (int n = 1; n <= 49; ++n) {
      SCOPED_TRACE(n);
      const int k = SearchGroups(t.groups(), n);
      ASSERT_NE(k, -1);
      EXPECT_EQ(t.GroupOf(n), k);
      // 01 carries the animal of the year itself, each next number the year before.
      const int expected = (((year - 1971 - n) % 12) + 12) % 12;
      EXPECT_EQ(k, expected);
    }
  }
}

TEST(ZodiacTablesTest, GroupOfOutsideRange) {
  ZodiacTables t;
  t.SetZodiacYear(2012);
  for (int n : {0, 50, -1, 100, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(n);
    EXPECT_EQ(t.GroupOf(n), -1);
  }
}

TEST(ZodiacTablesTest, ExtremeYearsStayDefined) {
  ZodiacTables t;
  for (int year : {INT_MIN, INT_MAX}) {
    SCOPED_TRACE(year);
    t.SetZodiacYear(year);
    t.ComputeCodes(0, false);
    for (int n = 1; n <= 49; ++n) EXPECT_EQ(t.GroupOf(n), SearchGroups(t.groups(), n));
    for (std::int16_t c : t.codes()) {
      EXPECT_GE(c, 0);
      EXPECT_LE(c, 11);
    }
  }
}

TEST(ComputeCodesTest, ByOrder2012) {
  ZodiacTables t;
  t.SetZodiacYear(2012);  // 龙, index 4
  t.ComputeCodes(0, true);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(t.codes()[static_cast<std::size_t>(k)], k);
  EXPECT_EQ(Code(t, 1), 4);
  EXPECT_EQ(Code(t, 2), 3);
  EXPECT_EQ(Code(t, 5), 0);
  EXPECT_EQ(AnimalName(Code(t, 5), 0), "鼠");
  EXPECT_EQ(Code(t, 13), 4);
  EXPECT_EQ(AnimalName(Code(t, 1), 0), "龙");
  EXPECT_EQ(Code(t, 6), 11);
  EXPECT_EQ(AnimalName(Code(t, 6), 0), "猪");
}

TEST(ComputeCodesTest, ByOrderWithOffset) {
  ZodiacTables t;
  t.SetZodiacYear(2012);
  t.ComputeCodes(1, true);
  EXPECT_EQ(Code(t, 1), 5);
  EXPECT_EQ(AnimalName(Code(t, 1), 1), "龙");
  EXPECT_EQ(Code(t, 5), 1);
  EXPECT_EQ(AnimalName(Code(t, 5), 1), "鼠");
}

TEST(ComputeCodesTest, ByAgeCountsYearsBack) {
  for (int sx_ini : {0, 1}) {
    for (int year : kYears) {
      SCOPED_TRACE(::testing::Message() << "year " << year << " sx_ini " << sx_ini);
      ZodiacTables t;
      t.SetZodiacYear(year);
      t.ComputeCodes(sx_ini, false);
      for (int n = 1; n <= 49; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Code(t, n), (n - 1) % 12 + sx_ini);
      }
      EXPECT_EQ(Code(t, 1), sx_ini);
      EXPECT_EQ(Code(t, 13), sx_ini);
      EXPECT_EQ(Code(t, 25), sx_ini);
      EXPECT_EQ(Code(t, 12), 11 + sx_ini);
    }
  }
}

TEST(ComputeCodesTest, ByAgeNamesAnimalOfYear) {
  struct Row {
    const char* name;
    int year;
    const char* animal;
  };
  const Row rows[] = {
      {"1960 庚子", 1960, "鼠"}, {"1971 辛亥", 1971, "猪"}, {"1972 壬子", 1972, "鼠"},
      {"2002 壬午", 2002, "马"}, {"2003 癸未", 2003, "羊"}, {"2012 壬辰", 2012, "龙"},
      {"2016 丙申", 2016, "猴"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ZodiacTables t;
    t.SetZodiacYear(r.year);
    t.ComputeCodes(1, false);
    // The code table by age is indexed by group, so group k of the year names animal k.
    for (int k = 0; k < 12; ++k) {
      EXPECT_EQ(AnimalName(t.codes()[static_cast<std::size_t>(k)], 1),
                kAnimalNames[static_cast<std::size_t>((((r.year - 1972 - k) % 12) + 12) % 12)]);
    }
    t.ComputeCodes(0, true);
    EXPECT_EQ(AnimalName(Code(t, 1), 0), r.animal);
  }
}

TEST(ComputeCodesTest, UsesReferenceYearAtCallTime) {
  ZodiacTables t;
  t.SetZodiacYear(2012);
  t.ComputeCodes(0, false);
  const auto codes2012 = t.codes();
  t.SetZodiacYear(2013);
  EXPECT_EQ(t.codes(), codes2012);
  t.ComputeCodes(0, false);
  EXPECT_NE(t.codes(), codes2012);
  EXPECT_EQ(t.codes()[0], 5);
}

TEST(AnimalNameTest, Bounds) {
  struct Row {
    const char* name;
    int code;
    int sx_ini;
    const char* animal;
  };
  const Row rows[] = {
      {"first, base 0", 0, 0, "鼠"},      {"last, base 0", 11, 0, "猪"},
      {"past end, base 0", 12, 0, ""},    {"before start, base 0", -1, 0, ""},
      {"first, base 1", 1, 1, "鼠"},      {"last, base 1", 12, 1, "猪"},
      {"before start, base 1", 0, 1, ""}, {"past end, base 1", 13, 1, ""},
      {"int min code", INT_MIN, 1, ""},   {"int max code", INT_MAX, -1, ""},
      {"int max base", 0, INT_MAX, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(AnimalName(r.code, r.sx_ini), r.animal);
  }
}

TEST(AttributesOfTest, NamedNumbers) {
  struct Row {
    const char* name;
    int n;
    int position;
    int tou, wei, he, ds;  // ds before ds_ini
  };
  const Row rows[] = {
      {"red 01", 1, 1, 0, 1, 1, 0},
      {"red 03 ends first segment", 3, 2, 0, 3, 3, 0},
      {"red 04 starts second", 4, 3, 0, 4, 4, 1},
      {"red 09", 9, 4, 0, 9, 9, 2},
      {"red 10", 10, 5, 1, 0, 1, 3},
      {"red 16", 16, 6, 1, 6, 7, 5},
      {"red 19", 19, 1, 1, 9, 10, 6},
      {"red 28", 28, 1, 2, 8, 10, 9},
      {"red 29 sum not reduced", 29, 1, 2, 9, 11, 9},
      {"red 33", 33, 6, 3, 3, 6, 10},
      {"blue 01", 1, 7, 0, 1, 1, 0},
      {"blue 02 ends first segment", 2, 7, 0, 2, 2, 0},
      {"blue 03 starts second", 3, 7, 0, 3, 3, 1},
      {"blue 16", 16, 7, 1, 6, 7, 7},
  };
  ZodiacTables t;
  t.SetZodiacYear(2012);
  t.ComputeCodes(0, true);
  for (int ds_ini : {0, 1}) {
    for (const Row& r : rows) {
      SCOPED_TRACE(::testing::Message() << r.name << " ds_ini " << ds_ini);
      const auto a = AttributesOf(r.n, r.position, t, ds_ini);
      EXPECT_EQ(a[Kind::kHm], r.n);
      EXPECT_EQ(a[Kind::kSx], t.codes()[static_cast<std::size_t>(t.GroupOf(r.n))]);
      EXPECT_EQ(a[Kind::kTou], r.tou);
      EXPECT_EQ(a[Kind::kWei], r.wei);
      EXPECT_EQ(a[Kind::kHe], r.he);
      EXPECT_EQ(a[Kind::kDs], r.ds + ds_ini);
    }
  }
}

TEST(AttributesOfTest, SingleDigitsHaveTensZero) {
  ZodiacTables t;
  for (int n = 1; n <= 9; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(AttributesOf(n, 1, t, 0)[Kind::kTou], 0);
    EXPECT_EQ(AttributesOf(n, 7, t, 0)[Kind::kTou], 0);
    EXPECT_EQ(AttributesOf(n, 1, t, 0)[Kind::kWei], n);
  }
}

// Checks the ranges and that every value of the range is reached.
void ExpectCovers(const std::set<int>& values, int lo, int hi) {
  ASSERT_FALSE(values.empty());
  EXPECT_EQ(*values.begin(), lo);
  EXPECT_EQ(*values.rbegin(), hi);
  EXPECT_EQ(values.size(), static_cast<std::size_t>(hi - lo + 1));
}

TEST(AttributesOfTest, ValueRanges) {
  for (int ds_ini : {0, 1}) {
    for (int sx_ini : {0, 1}) {
      for (bool by_order : {true, false}) {
        for (int year : {1960, 2002, 2012, 2016}) {
          SCOPED_TRACE(::testing::Message() << "ds_ini " << ds_ini << " sx_ini " << sx_ini
                                            << " by_order " << by_order << " year " << year);
          ZodiacTables t;
          t.SetZodiacYear(year);
          t.ComputeCodes(sx_ini, by_order);
          std::set<int> tou, wei, he, ds, sx;
          for (int position = 1; position <= 6; ++position) {
            for (int n = 1; n <= 33; ++n) {
              const auto a = AttributesOf(n, position, t, ds_ini);
              EXPECT_EQ(a[Kind::kHm], n);
              tou.insert(a[Kind::kTou]);
              wei.insert(a[Kind::kWei]);
              he.insert(a[Kind::kHe]);
              ds.insert(a[Kind::kDs]);
              sx.insert(a[Kind::kSx]);
            }
          }
          ExpectCovers(tou, 0, 3);
          ExpectCovers(wei, 0, 9);
          ExpectCovers(he, 1, 11);
          ExpectCovers(ds, ds_ini, ds_ini + 10);
          ExpectCovers(sx, sx_ini, sx_ini + 11);

          std::set<int> btou, bhe, bds, bsx;
          for (int n = 1; n <= 16; ++n) {
            const auto a = AttributesOf(n, kBluePosition, t, ds_ini);
            EXPECT_EQ(a[Kind::kHm], n);
            btou.insert(a[Kind::kTou]);
            bhe.insert(a[Kind::kHe]);
            bds.insert(a[Kind::kDs]);
            bsx.insert(a[Kind::kSx]);
          }
          ExpectCovers(btou, 0, 1);
          ExpectCovers(bhe, 1, 9);
          ExpectCovers(bds, ds_ini, ds_ini + 7);
          ExpectCovers(bsx, sx_ini, sx_ini + 11);
        }
      }
    }
  }
}

TEST(AttributesOfTest, PositionsOutsideRangeReadAsRed) {
  ZodiacTables t;
  t.SetZodiacYear(2012);
  t.ComputeCodes(1, false);
  for (int position : {0, 8, -1, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(position);
    for (int n = 1; n <= 33; ++n)
      EXPECT_EQ(AttributesOf(n, position, t, 1), AttributesOf(n, 1, t, 1));
  }
  EXPECT_NE(AttributesOf(16, 7, t, 0)[Kind::kDs], AttributesOf(16, 1, t, 0)[Kind::kDs]);
}

TEST(AttributesOfTest, NumbersWithoutGroupHaveSxZero) {
  ZodiacTables t;
  t.SetZodiacYear(2012);
  t.ComputeCodes(5, true);  // every code is at least 5
  EXPECT_EQ(AttributesOf(0, 1, t, 0)[Kind::kSx], 0);
  EXPECT_EQ(AttributesOf(50, 1, t, 0)[Kind::kSx], 0);
  EXPECT_EQ(AttributesOf(49, 1, t, 0)[Kind::kSx], 9);  // 49 shares 01's group
}

TEST(AttributesOfTest, OutOfRangeNumbersAreClampedNotWrapped) {
  ZodiacTables t;
  t.SetZodiacYear(2012);
  t.ComputeCodes(0, true);
  const auto zero = AttributesOf(0, 1, t, 1);
  EXPECT_EQ(zero[Kind::kHm], 0);
  EXPECT_EQ(zero[Kind::kHe], 0);
  EXPECT_EQ(zero[Kind::kDs], 1);  // (0 - 1) / 3 truncates to 0

  const auto big = AttributesOf(INT_MAX, 1, t, INT_MAX);
  EXPECT_EQ(big[Kind::kHm], INT16_MAX);
  EXPECT_EQ(big[Kind::kTou], INT16_MAX);
  EXPECT_EQ(big[Kind::kWei], 7);
  EXPECT_EQ(big[Kind::kDs], INT16_MAX);

  const auto small = AttributesOf(INT_MIN, 7, t, INT_MIN);
  EXPECT_EQ(small[Kind::kHm], INT16_MIN);
  EXPECT_EQ(small[Kind::kTou], INT16_MIN);
  EXPECT_EQ(small[Kind::kWei], -8);
  EXPECT_EQ(small[Kind::kDs], INT16_MIN);
  EXPECT_EQ(small[Kind::kSx], 0);
}

}  // namespace
}  // namespace brivo::store
