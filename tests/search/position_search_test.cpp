// The position search on real history files: statement texts, matched draws worked out by hand,
// the tally in Carcu, the ranking, and a comparison with a plain in-memory evaluation.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "search/kind_ranges.h"
#include "search/ranking.h"
#include "search/search_fixture.h"
#include "search/search_run.h"
#include "store/history_db.h"

namespace brivo::search {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using PositionSearchTest = SearchTest;

// Five draws with few distinct values, so that patterns recur.
const std::vector<TestDraw> kSmall = {
    {2003001, {1, 2, 3, 4, 5, 6, 7}},      {2003002, {7, 12, 13, 14, 15, 16, 7}},
    {2003003, {1, 2, 23, 24, 25, 26, 16}}, {2003004, {1, 5, 33, 31, 30, 29, 2}},
    {2003005, {16, 2, 3, 4, 5, 28, 16}},
};

TEST_F(PositionSearchTest, FixedModeComparesThePrecedingDraw) {
  Build(kSmall);
  // 2003002, 2003004 and 2003005 follow a draw with red 1 at position 1.
  EXPECT_THAT(Matched(Criteria(false, Basis::kPreceding, store::Kind::kHm, {{1, 1}})),
              ElementsAre(2003002, 2003004, 2003005));
  // Only the blue: 2003004 follows the blue 16 of 2003003.
  EXPECT_THAT(Matched(Criteria(false, Basis::kPreceding, store::Kind::kHm, {{7, 16}})),
              ElementsAre(2003004));
  EXPECT_THAT(Matched(Criteria(false, Basis::kPreceding, store::Kind::kHm, {{1, 1}, {7, 16}})),
              ElementsAre(2003004));
}

TEST_F(PositionSearchTest, EarlierBasisLooksNDrawsBackAndFillsTheOldestWithZero) {
  Build(kSmall);
  SearchCriteria c = Criteria(false, Basis::kEarlier, store::Kind::kHm, {{1, 1}});
  c.look_back = 2;
  EXPECT_THAT(Matched(c), ElementsAre(2003003, 2003005));
  EXPECT_THAT(ColumnValues("L1AP"), ElementsAre(0, 0, 1, 7, 1));
  // A pattern of 0 also meets the fillers of the oldest draws.
  c.pattern[1] = 0;
  EXPECT_THAT(Matched(c), ElementsAre(2003001, 2003002));
}

TEST_F(PositionSearchTest, DistanceOneEqualsThePreviousDrawBasis) {
  Build(testing::RealHistory(80));
  for (bool free_mode : {false, true}) {
    SearchCriteria previous =
        Criteria(free_mode, Basis::kPreceding, store::Kind::kWei, {{1, 3}, {4, 5}});
    SearchCriteria earlier = previous;
    earlier.basis = Basis::kEarlier;
    earlier.look_back = 1;
    EXPECT_EQ(Matched(previous), Matched(earlier)) << free_mode;
    earlier.look_back = 0;  // taken as 1
    EXPECT_EQ(Matched(previous), Matched(earlier)) << free_mode;
  }
}

TEST_F(PositionSearchTest, FreeModeCountsOccurrences) {
  // Zodiac by age in the draw's own year: n has code ((n - 1) mod 12) + 1.
  Build({{2003010, {5, 17, 1, 2, 3, 4, 8}},      // two numbers of code 5
         {2003011, {1, 2, 3, 4, 5, 6, 7}},       //
         {2003012, {5, 9, 10, 11, 12, 13, 14}},  // one number of code 5
         {2003013, {1, 2, 3, 4, 5, 6, 7}}});
  EXPECT_THAT(Matched(Criteria(true, Basis::kPreceding, store::Kind::kSx, {{1, 5}, {2, 5}})),
              ElementsAre(2003011));
  EXPECT_THAT(Matched(Criteria(true, Basis::kPreceding, store::Kind::kSx, {{1, 5}})),
              ElementsAre(2003011, 2003012, 2003013));
}

TEST_F(PositionSearchTest, FreeModeNumberTokensCarryNoCount) {
  Build({{2003001, {7, 1, 2, 3, 4, 5, 9}}, {2003002, {1, 2, 3, 4, 5, 6, 8}}});
  // Red 07 and blue 07 both look for "07": one 07 in the draw before is enough.
  EXPECT_THAT(Matched(Criteria(true, Basis::kPreceding, store::Kind::kHm, {{1, 7}, {7, 7}})),
              ElementsAre(2003002));
}

TEST_F(PositionSearchTest, SegmentTokenOneIsFoundInsideTenAndEleven) {
  Build({{2003001, {28, 31, 20, 21, 22, 23, 9}}, {2003002, {1, 2, 3, 4, 5, 6, 8}}});
  EXPECT_THAT(Matched(Criteria(true, Basis::kPreceding, store::Kind::kDs, {{1, 1}})),
              ElementsAre(2003002));
}

TEST_F(PositionSearchTest, WithoutTheBlueOnlyTheRedsOfTheDrawBeforeCount) {
  Build({{2003001, {1, 2, 3, 4, 5, 6, 9}},
         {2003002, {9, 2, 3, 4, 5, 6, 8}},
         {2003003, {1, 2, 3, 4, 5, 6, 7}}});
  SearchCriteria c = Criteria(true, Basis::kPreceding, store::Kind::kHm, {{7, 9}});
  EXPECT_THAT(Matched(c), ElementsAre(2003002, 2003003));
  c.count_blue = false;
  EXPECT_THAT(Matched(c), ElementsAre(2003003));
}

TEST_F(PositionSearchTest, NoSelectedPositionTalliesTheWholeRange) {
  Build(kSmall);
  SearchCriteria c = Criteria(false, Basis::kPreceding, store::Kind::kHm, {});
  c.result_scope = ResultScope::kRedAndBlue;
  SearchResult result;
  ASSERT_TRUE(RunPositionSearch(*db_, c, &result).ok());
  EXPECT_EQ(result.matched.size(), 5u);
  EXPECT_EQ(result.total, 35);
  // 2 and 16 come four times each: 16 as red and blue in 2003005, as red in 2003002 and as
  // blue in 2003003; equal counts come in ascending value order.
  ASSERT_EQ(result.ranking.size(), 33u);
  EXPECT_EQ(result.ranking[0].value, 2);
  EXPECT_EQ(result.ranking[0].count, 4);
  EXPECT_EQ(result.ranking[1].value, 16);
  EXPECT_EQ(result.ranking[1].count, 4);
  EXPECT_EQ(result.ranking[2].value, 1);
  EXPECT_EQ(result.ranking.back().value, 32);
}

TEST_F(PositionSearchTest, WrittenRangesFollowTheScopeAndTheOffsets) {
  Build(kSmall);
  SearchCriteria c = Criteria(false, Basis::kPreceding, store::Kind::kHm, {});
  c.result_scope = ResultScope::kBlue;
  c.result_kind = store::Kind::kTou;
  SearchResult result;
  ASSERT_TRUE(RunPositionSearch(*db_, c, &result).ok());
  ASSERT_EQ(result.ranking.size(), 2u);
  EXPECT_EQ(result.total, 5);
  EXPECT_EQ(result.ranking[0].value, 0);  // blue 07, 07, 02 against 16, 16
  EXPECT_EQ(result.ranking[0].count, 3);
  c.result_scope = ResultScope::kRed;
  c.result_kind = store::Kind::kSx;
  c.sx_ini = 0;
  ASSERT_TRUE(RunPositionSearch(*db_, c, &result).ok());
  EXPECT_EQ(result.ranking.size(), 12u);
  EXPECT_EQ(result.total, 30);
  EXPECT_EQ(WrittenRange(store::Kind::kDs, true, 0, 1).high, 8);
  EXPECT_EQ(WrittenRange(store::Kind::kDs, false, 0, 1).high, 11);
}

TEST_F(PositionSearchTest, AnEmptyRangeRanksEveryValueWithoutPercentages) {
  Build(kSmall);
  SearchCriteria c = Criteria(false, Basis::kPreceding, store::Kind::kHm, {{1, 1}});
  c.start_issue = 2003005;
  c.end_issue = 2003001;
  SearchResult result;
  ASSERT_TRUE(RunPositionSearch(*db_, c, &result).ok());
  EXPECT_TRUE(result.matched.empty());
  EXPECT_EQ(result.ranking.size(), 33u);
  EXPECT_EQ(result.total, 0);
  EXPECT_EQ(Percentage(result.ranking[0].count, result.total), "");
}

TEST(PercentageTest, RoundsHalfAwayFromZeroOnTheDecimalValue) {
  EXPECT_EQ(Percentage(9, 60), "15.000%");
  EXPECT_EQ(Percentage(1, 64), "1.563%");
  EXPECT_EQ(Percentage(1, 3), "33.333%");
  EXPECT_EQ(Percentage(2, 3), "66.667%");
  EXPECT_EQ(Percentage(0, 7), "0.000%");
  EXPECT_EQ(Percentage(7, 7), "100.000%");
  EXPECT_EQ(Percentage(5, 0), "");
}

TEST(MatchTokenTest, ByKind) {
  EXPECT_EQ(MatchToken(store::Kind::kHm, 5, 2), "05");
  EXPECT_EQ(MatchToken(store::Kind::kSx, 5, 2), "2X05");
  EXPECT_EQ(MatchToken(store::Kind::kTou, 5, 2), "2X5");
  EXPECT_EQ(MatchToken(store::Kind::kWei, 5, 2), "2X5");
  EXPECT_EQ(MatchToken(store::Kind::kHe, 5, 2), "2X05");
  EXPECT_EQ(MatchToken(store::Kind::kDs, 10, 1), "1X10");
}

// The matching rule evaluated on the draws themselves, as the searcher would by hand.
std::vector<std::int64_t> Expected(const std::vector<TestDraw>& draws, const SearchCriteria& c) {
  const int n = c.basis == Basis::kEarlier ? c.Distance() : 1;
  const std::vector<store::DrawValues> values = ValuesOfDraws(draws);
  std::vector<std::int64_t> matched;
  for (std::size_t k = 0; k < draws.size(); ++k) {
    if (draws[k].issue < c.start_issue || draws[k].issue > c.end_issue) continue;
    const bool has_side = k >= static_cast<std::size_t>(n);
    const auto side = has_side ? values[k - static_cast<std::size_t>(n)] : store::DrawValues{};
    bool all = true;
    std::map<int, int> seen;
    for (int i = 1; i <= 7; ++i) {
      if (!c.selected[i]) continue;
      const int v = c.pattern[i];
      if (!c.free_mode) {
        all = all && side[i][c.search_kind] == v;
        continue;
      }
      std::string list = has_side ? store::TaggedList(side, c.search_kind) : "";
      if (!c.count_blue) list = list.size() >= 4 ? list.substr(0, list.size() - 4) : "";
      const std::string token = MatchToken(c.search_kind, v, ++seen[v]);
      all = all && list.find(token) != std::string::npos;
    }
    if (all) matched.push_back(draws[k].issue);
  }
  return matched;
}

TEST_F(PositionSearchTest, MatchesAPlainEvaluationOfTheRule) {
  std::mt19937 random(20261209);
  const std::vector<TestDraw> draws = RecurringDraws(random);
  const std::vector<store::DrawValues> values = ValuesOfDraws(draws);
  Build(draws);
  for (int trial = 0; trial < 60; ++trial) {
    SearchCriteria c;
    c.free_mode = random() % 2 == 0;
    c.basis = random() % 2 == 0 ? Basis::kEarlier : Basis::kPreceding;
    c.look_back = static_cast<int>(random() % 4);
    c.search_kind = store::kKinds[random() % 6];
    c.count_blue = random() % 2 == 0;
    c.start_issue = draws[random() % 10].issue;
    c.end_issue = draws[50 + random() % 10].issue;
    for (int i = 1; i <= 7; ++i) {
      c.selected[i] = random() % 3 == 0;
      // A value the draws have at some position, so that matches happen.
      c.pattern[i] =
          values[random() % values.size()][1 + static_cast<int>(random() % 7)][c.search_kind];
    }
    EXPECT_EQ(Matched(c), Expected(draws, c)) << "trial " << trial;
  }
}

}  // namespace
}  // namespace brivo::search
