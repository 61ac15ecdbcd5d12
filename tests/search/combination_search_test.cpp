// The combination search: the combinations, its statements, hand-worked matches, and a
// comparison with a plain in-memory evaluation of its rule.

#include "search/combination_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "search/kind_ranges.h"
#include "search/search_fixture.h"

namespace brivo::search {
namespace {

using ::testing::ElementsAre;
class CombinationSearchTest : public SearchTest {
 protected:
  std::vector<std::int64_t> Combined(const SearchCriteria& c) {
    return Matched(c, RunCombinationSearch);
  }
};

TEST(PositionCombinationsTest, AscendingLexicographicOrder) {
  const auto pairs = PositionCombinations(7, 2);
  ASSERT_EQ(pairs.size(), 21u);
  EXPECT_EQ(pairs[0], (std::vector<int>{1, 2}));
  EXPECT_EQ(pairs[1], (std::vector<int>{1, 3}));
  EXPECT_EQ(pairs[6], (std::vector<int>{2, 3}));
  EXPECT_EQ(pairs.back(), (std::vector<int>{6, 7}));
  EXPECT_EQ(PositionCombinations(6, 6), (std::vector<std::vector<int>>{{1, 2, 3, 4, 5, 6}}));
  EXPECT_EQ(PositionCombinations(7, 6).size(), 7u);
  EXPECT_EQ(PositionCombinations(7, 1).size(), 7u);
  EXPECT_EQ(PositionCombinations(7, 4).size(), 35u);
  EXPECT_TRUE(PositionCombinations(7, 0).empty());
  EXPECT_TRUE(PositionCombinations(7, 7).empty());
  EXPECT_TRUE(PositionCombinations(7, -1).empty());
}

TEST_F(CombinationSearchTest, HandWorkedMatches) {
  Build({{2003001, {7, 1, 2, 3, 4, 5, 7}},       // 07 twice (red and blue)
         {2003002, {8, 9, 10, 11, 12, 13, 14}},  // 07 nowhere
         {2003003, {1, 2, 3, 4, 5, 6, 7}},       // 07 only as the blue
         {2003004, {20, 21, 22, 23, 24, 25, 1}}});
  SearchCriteria c;
  c.free_mode = true;
  c.search_kind = store::Kind::kHm;
  c.combination_size = 2;
  c.pattern = {0, 7, 30, 31, 32, 33, 29, 7};  // red 1 and blue both 07: the token is 2X07
  c.start_issue = 2003001;
  c.end_issue = 2003004;
  EXPECT_THAT(Combined(c), ElementsAre(2003002));
  c.combination_size = 1;  // any one value: 07 once is enough
  EXPECT_THAT(Combined(c), ElementsAre(2003002, 2003004));
  c.count_blue = false;  // the blue 07 of 2003003 no longer counts
  EXPECT_THAT(Combined(c), ElementsAre(2003002));
  c.combination_size = 7;  // outside 1..6: nothing is marked
  EXPECT_TRUE(Combined(c).empty());
  c.combination_size = 1;
  c.start_issue = 2003004;
  c.end_issue = 2003001;
  SearchResult result;
  ASSERT_TRUE(RunCombinationSearch(*db_, c, &result).ok());
  EXPECT_TRUE(result.matched.empty());
  EXPECT_EQ(result.ranking.size(), 33u);
}

// The combination rule evaluated on the draws themselves.
std::vector<std::int64_t> ExpectedCombined(const std::vector<TestDraw>& draws,
                                           const SearchCriteria& c) {
  const int n = c.basis == Basis::kEarlier ? c.Distance() : 1;
  const std::vector<store::DrawValues> values = ValuesOfDraws(draws);
  const int pool = c.red_pool_only ? 6 : 7;
  std::vector<std::int64_t> matched;
  for (std::size_t k = 0; k < draws.size(); ++k) {
    if (draws[k].issue < c.start_issue || draws[k].issue > c.end_issue) continue;
    const bool has_side = k >= static_cast<std::size_t>(n);
    const auto side = has_side ? values[k - static_cast<std::size_t>(n)] : store::DrawValues{};
    std::string list = has_side ? store::TaggedList(side, c.search_kind) : "";
    if (!c.count_blue) list = list.size() >= 4 ? list.substr(0, list.size() - 4) : "";
    bool any = false;
    for (const std::vector<int>& combination : PositionCombinations(pool, c.combination_size)) {
      bool all = true;
      for (int p : combination) {
        const int v = c.pattern[p];
        if (c.free_mode) {
          int count = 0;
          for (int q : combination) count += c.pattern[q] == v ? 1 : 0;
          const bool two = c.search_kind == store::Kind::kHm || c.search_kind == store::Kind::kSx ||
                           c.search_kind == store::Kind::kHe;
          const std::string token =
              std::to_string(count) + "X" + (two ? store::TwoDigits(v) : std::to_string(v));
          all = all && list.find(token) != std::string::npos;
        } else {
          all = all && side[p][c.search_kind] == v;
        }
      }
      any = any || all;
    }
    if (any) matched.push_back(draws[k].issue);
  }
  return matched;
}

TEST_F(CombinationSearchTest, MatchesAPlainEvaluationOfTheRule) {
  std::mt19937 random(424242);
  const std::vector<TestDraw> draws = RecurringDraws(random);
  const std::vector<store::DrawValues> values = ValuesOfDraws(draws);
  Build(draws);
  for (int trial = 0; trial < 40; ++trial) {
    SearchCriteria c;
    c.free_mode = random() % 2 == 0;
    c.basis = random() % 2 == 0 ? Basis::kEarlier : Basis::kPreceding;
    c.look_back = 1 + static_cast<int>(random() % 3);
    c.search_kind = store::kKinds[random() % 6];
    c.count_blue = random() % 2 == 0;
    c.red_pool_only = random() % 2 == 0;
    c.combination_size = 1 + static_cast<int>(random() % 4);
    c.start_issue = draws[random() % 10].issue;
    c.end_issue = draws[50 + random() % 10].issue;
    for (int i = 1; i <= 7; ++i) {
      c.pattern[i] =
          values[random() % values.size()][1 + static_cast<int>(random() % 7)][c.search_kind];
    }
    EXPECT_EQ(Combined(c), ExpectedCombined(draws, c)) << "trial " << trial;
  }
}

}  // namespace
}  // namespace brivo::search
