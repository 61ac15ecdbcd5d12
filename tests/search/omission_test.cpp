// The omission table on a six-draw history worked by hand, one row a definition, and the
// chance model's counts of numbers per value.

#include "search/omission.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace brivo::search {
namespace {

constexpr ResultScope kBoth = ResultScope::kRedAndBlue;
constexpr ResultScope kRed = ResultScope::kRed;
constexpr ResultScope kBlue = ResultScope::kBlue;

// Six draws of 2020 (a 鼠 year), zodiac codes by order with offset 1. 33 never comes; 07 only
// in the oldest draw (as its blue); 05 also in the newest draw.
HistoryDraws SixDraws() {
  const std::vector<store::DrawNumbers> numbers = {
      {1, 2, 3, 4, 5, 6, 7},       {1, 8, 9, 10, 11, 12, 2},   {13, 14, 15, 16, 17, 18, 1},
      {19, 20, 21, 22, 23, 24, 3}, {1, 25, 26, 27, 28, 29, 4}, {30, 31, 32, 29, 5, 6, 16},
  };
  store::ZodiacTables tables;
  tables.SetZodiacYear(2020);
  tables.ComputeCodes(1, true);
  HistoryDraws draws;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    draws.issues.push_back(static_cast<std::int32_t>(2020001 + i));
    draws.values.push_back(store::ValuesOf(numbers[i], tables, 1));
  }
  return draws;
}

// Zodiac codes by order: 鼠 1, 牛 2, and so on, in every year.
ChanceModel ByOrder() {
  store::ZodiacTables tables;
  tables.ComputeCodes(1, true);
  return ChanceModel(tables, {1, 1});
}

// The chance of a number, red or blue, for 红蓝: 1 - (1 - 6/33)(1 - 1/16).
constexpr double kBothChance = 1.0 - (27.0 / 33.0) * (15.0 / 16.0);
constexpr double kRedChance = 6.0 / 33.0;

struct OmissionCase {
  const char* name;
  ResultScope scope;
  int value;
  int appearances;
  double expected;
  int current_gap;
  std::optional<int> last_gap;
  int longest_gap;
  double mean_gap;
};

class OmissionRowTest : public ::testing::TestWithParam<OmissionCase> {};

TEST_P(OmissionRowTest, Row) {
  const OmissionCase& e = GetParam();
  ChanceModel chance = ByOrder();
  const std::vector<OmissionRow> rows =
      OmissionTable(SixDraws(), store::Kind::kHm, e.scope, chance);
  const auto row = std::find_if(rows.begin(), rows.end(),
                                [&](const OmissionRow& r) { return r.value == e.value; });
  ASSERT_NE(row, rows.end());
  EXPECT_EQ(row->appearances, e.appearances);
  EXPECT_NEAR(row->expected, e.expected, 1e-12);
  EXPECT_NEAR(row->deviation, e.appearances - e.expected, 1e-12);
  EXPECT_EQ(row->current_gap, e.current_gap);
  EXPECT_EQ(row->last_gap, e.last_gap);
  EXPECT_EQ(row->longest_gap, e.longest_gap);
  EXPECT_NEAR(row->mean_gap, e.mean_gap, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    HandWorked, OmissionRowTest,
    ::testing::Values(
        // 01 at draws 0, 1, 2 (blue) and 4: the gaps 0, 0, 0, 1 and the open run 1.
        OmissionCase{"SeveralTimes", kBoth, 1, 4, 6 * kBothChance, 1, 1, 1, 2.0 / 5},
        OmissionCase{"NeverSeen", kBoth, 33, 0, 6 * kRedChance, 6, std::nullopt, 6, 6.0},
        OmissionCase{"OnceInTheOldestDraw", kBoth, 7, 1, 6 * kBothChance, 5, 0, 5, 5.0 / 2},
        OmissionCase{"OnceMidway", kBoth, 20, 1, 6 * kRedChance, 2, 3, 3, 5.0 / 2},
        OmissionCase{"InTheNewestDraw", kBoth, 5, 2, 6 * kBothChance, 0, 4, 4, 4.0 / 3},
        OmissionCase{"TheBlueCountsForTheSameNumber", kBoth, 2, 2, 6 * kBothChance, 4, 0, 4,
                     4.0 / 3},
        OmissionCase{"RedScopeLeavesTheBlueOut", kRed, 1, 3, 6 * kRedChance, 1, 2, 2, 3.0 / 4},
        OmissionCase{"BlueScope", kBlue, 1, 1, 6.0 / 16, 3, 2, 3, 5.0 / 2},
        OmissionCase{"BlueScopeNeverSeen", kBlue, 5, 0, 6.0 / 16, 6, std::nullopt, 6, 6.0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(OmissionTableTest, OneRowPerValueByCurrentGapThenValue) {
  ChanceModel chance = ByOrder();
  const HistoryDraws draws = SixDraws();
  EXPECT_EQ(OmissionTable(draws, store::Kind::kHm, kBoth, chance).size(), 33u);
  EXPECT_EQ(OmissionTable(draws, store::Kind::kHm, kBlue, chance).size(), 16u);
  std::vector<OmissionRow> rows = OmissionTable(draws, store::Kind::kHm, kBoth, chance);
  // 33 never came (6), 07 last in draw 0 (5), then 02 and 08..12 last in draw 1 (4).
  EXPECT_EQ(rows[0].value, 33);
  EXPECT_EQ(rows[1].value, 7);
  EXPECT_EQ(rows[2].value, 2);
  EXPECT_EQ(rows[3].value, 8);
  SortOmissionRows(&rows, OmissionColumn::kAppearances);
  EXPECT_EQ(rows[0].value, 1);  // four times
  SortOmissionRows(&rows, OmissionColumn::kValue);
  EXPECT_EQ(rows[0].value, 1);
  EXPECT_EQ(rows[32].value, 33);
}

// In 2020 (鼠) the 鼠 numbers are 01, 13, 25 and the 牛 ones 12, 24; in 2021 the 牛 numbers are
// 01, 13, 25: the chance follows the draw's own year.
TEST(ChanceModelTest, CountsTheNumbersOfAValueInTheDrawsYear) {
  ChanceModel chance = ByOrder();
  const double three_reds = 1.0 - (27.0 * 26 * 25) / (33.0 * 32 * 31);
  const double two_reds = 1.0 - (27.0 * 26) / (33.0 * 32);
  EXPECT_NEAR(RedChance(3), three_reds, 1e-12);
  EXPECT_NEAR(RedChance(0), 0.0, 1e-12);
  EXPECT_NEAR(chance.Probability(2020, store::Kind::kSx, kRed, 1), three_reds, 1e-12);
  EXPECT_NEAR(chance.Probability(2020, store::Kind::kSx, kBlue, 1), 2.0 / 16, 1e-12);
  EXPECT_NEAR(chance.Probability(2020, store::Kind::kSx, kBoth, 1),
              1 - (1 - three_reds) * (14.0 / 16), 1e-12);
  EXPECT_NEAR(chance.Probability(2020, store::Kind::kSx, kRed, 2), two_reds, 1e-12);
  EXPECT_NEAR(chance.Probability(2021, store::Kind::kSx, kRed, 2), three_reds, 1e-12);
  EXPECT_NEAR(chance.Probability(2020, store::Kind::kTou, kBlue, 1), 7.0 / 16, 1e-12);  // 10..16
  // Codes by age computed in 2020: 牛 is 12 in every year, 12 and 24 in 2020, 01, 13, 25 in 2021.
  store::ZodiacTables by_age;
  by_age.SetZodiacYear(2020);
  by_age.ComputeCodes(1, false);
  ChanceModel aged(by_age, {1, 1});
  EXPECT_NEAR(aged.Probability(2020, store::Kind::kSx, kRed, 12), two_reds, 1e-12);
  EXPECT_NEAR(aged.Probability(2021, store::Kind::kSx, kRed, 12), three_reds, 1e-12);
  EXPECT_NEAR(chance.Probability(2020, store::Kind::kHm, kBlue, 17), 0.0, 1e-12);
}

}  // namespace
}  // namespace brivo::search
