// The walk-forward back-test on a six-draw history worked by hand, the summary's interval and
// verdict, cancelling, and each target's ranking against a search on the history cut before it.

#include "search/backtest.h"

#include <gtest/gtest.h>

#include <random>

#include "search/search_fixture.h"

namespace brivo::search {
namespace {

// Targets 2..6. Before 2020003 no draw followed a blue 1 or 2: the empty ranking starts with 1.
// Before 2020004 draw 2 followed a 1 (its blue 2); before 2020005 draw 3 followed a 2 (its 1);
// before 2020006 draws 2 and 4 followed a 1 (both 2). Each guess has the chance 1/16.
TEST(BacktestTest, HandWorkedTargets) {
  Evaluator evaluator(BlueRun());
  ChanceModel chance(store::ZodiacTables(), {1, 1});
  const BacktestResult r =
      RunBacktest(evaluator, BlueFollowsBlue(), SearchType::kPosition, 1, chance, nullptr);
  ASSERT_EQ(r.rows.size(), 5u);
  const std::vector<std::int64_t> tops = {1, 1, 2, 1, 2};
  const std::vector<int> hits = {0, 1, 1, 1, 0};
  const std::vector<std::size_t> matched = {0, 0, 1, 1, 2};
  for (std::size_t i = 0; i < r.rows.size(); ++i) {
    EXPECT_EQ(r.rows[i].issue, 2020002 + static_cast<int>(i));
    EXPECT_EQ(r.rows[i].top, std::vector<std::int64_t>{tops[i]}) << i;
    EXPECT_EQ(r.rows[i].hits, hits[i]) << i;
    EXPECT_NEAR(r.rows[i].chance, 1.0 / 16, 1e-12);
    EXPECT_EQ(r.rows[i].matched, matched[i]) << i;
  }
  // d = h - c: two of -0.0625, three of 0.9375; d̄ 0.5375, s² = (2·0.36 + 3·0.16)/4 = 0.3.
  EXPECT_FALSE(r.cancelled);
  EXPECT_EQ(r.summary.targets, 5u);
  EXPECT_NEAR(r.summary.mean_hits, 0.6, 1e-12);
  EXPECT_NEAR(r.summary.mean_chance, 0.0625, 1e-12);
  EXPECT_NEAR(r.summary.mean_difference, 0.5375, 1e-12);
  EXPECT_NEAR(r.summary.deviation, std::sqrt(0.3), 1e-12);
  const double half = 1.96 * std::sqrt(0.3) / std::sqrt(5.0);
  EXPECT_NEAR(r.summary.low, 0.5375 - half, 1e-12);
  EXPECT_NEAR(r.summary.high, 0.5375 + half, 1e-12);
  // Five targets are too few to judge, however far the interval lies from 0.
  EXPECT_EQ(r.summary.verdict, Verdict::kTooFew);
  EXPECT_EQ(VerdictText(r.summary.verdict), "检验期数不足30期，不作判断");
  EXPECT_EQ(r.summary.unmatched, 2u);
}

TEST(BacktestTest, AShorterRankingGivesAllItHasAndTheRangeLimitsTheTargets) {
  Evaluator evaluator(BlueRun());
  ChanceModel chance(store::ZodiacTables(), {1, 1});
  SearchCriteria c = BlueFollowsBlue();
  c.result_kind = store::Kind::kTou;  // the blue ranking of 头数 has two values, 0 and 1
  c.start_issue = 2020005;
  const BacktestResult r = RunBacktest(evaluator, c, SearchType::kPosition, 6, chance, nullptr);
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_EQ(r.rows[0].top, (std::vector<std::int64_t>{0, 1}));
  EXPECT_EQ(r.rows[0].hits, 1);
  EXPECT_NEAR(r.rows[0].chance, 9.0 / 16 + 7.0 / 16, 1e-12);
  EXPECT_EQ(r.rows[0].matched, 0u);  // draws before 2020005 are outside the range
}

TEST(BacktestTest, CancelKeepsTheRowsDone) {
  Evaluator evaluator(BlueRun());
  ChanceModel chance(store::ZodiacTables(), {1, 1});
  std::vector<std::pair<std::size_t, std::size_t>> told;
  const BacktestResult r = RunBacktest(evaluator, BlueFollowsBlue(), SearchType::kPosition, 1,
                                       chance, [&](std::size_t done, std::size_t total) {
                                         told.emplace_back(done, total);
                                         return done < 2;
                                       });
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(r.rows.size(), 2u);
  EXPECT_EQ(told, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 5}, {2, 5}}));
  EXPECT_EQ(r.summary.targets, 2u);
}

struct SummaryCase {
  const char* name;
  std::vector<int> hits;  // repeated `times` over
  std::vector<double> chances;
  std::size_t times;
  Verdict verdict;
};

class SummaryTest : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(SummaryTest, Verdict) {
  std::vector<BacktestRow> rows;
  for (std::size_t n = 0; n < GetParam().times; ++n) {
    for (std::size_t i = 0; i < GetParam().hits.size(); ++i) {
      BacktestRow row;
      row.hits = GetParam().hits[i];
      row.chance = GetParam().chances[i];
      rows.push_back(row);
    }
  }
  const BacktestSummary s = Summarize(rows);
  EXPECT_EQ(s.verdict, GetParam().verdict);
  EXPECT_LE(s.low, s.mean_difference);
  EXPECT_GE(s.high, s.mean_difference);
}

// Below: d = -0.5, -0.6, -0.4 ten times over, so d̄ -0.5 and s about 0.083. 29 or 30 targets
// decide whether there is a verdict at all; equal differences give none either.
INSTANTIATE_TEST_SUITE_P(
    HandWorked, SummaryTest,
    ::testing::Values(SummaryCase{"Below", {0, 0, 0}, {0.5, 0.6, 0.4}, 10, Verdict::kBelow},
                      SummaryCase{"Above", {1, 0, 1}, {0.1, 0.1, 0.1}, 10, Verdict::kAbove},
                      SummaryCase{"Around", {1, 0}, {0.5, 0.5}, 15, Verdict::kNoDifference},
                      SummaryCase{"TwentyNineAreTooFew", {1}, {0.1}, 29, Verdict::kTooFew},
                      SummaryCase{"NoSpread", {0}, {0.36}, 30, Verdict::kNoSpread},
                      SummaryCase{"NoTarget", {}, {}, 1, Verdict::kTooFew}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SummaryTest, BelowInterval) {
  std::vector<BacktestRow> rows(3);
  rows[0].chance = 0.5;
  rows[1].chance = 0.6;
  rows[2].chance = 0.4;
  const BacktestSummary s = Summarize(rows);
  EXPECT_NEAR(s.mean_difference, -0.5, 1e-12);
  EXPECT_NEAR(s.high, -0.5 + 1.96 * 0.1 / std::sqrt(3.0), 1e-12);
  EXPECT_EQ(VerdictText(Verdict::kBelow), "显著低于随机");
  EXPECT_EQ(VerdictText(Verdict::kNoDifference), "与随机没有显著差别");
  EXPECT_EQ(VerdictText(Verdict::kNoSpread), "差值没有波动，不作判断");
}

// Each target's ranking is the one the search gives on the history as it stood after the draw
// before the target, its range ending there.
TEST(BacktestTest, EachTargetRanksWhatTheHistoryBeforeItGives) {
  std::mt19937 random(1515);
  const std::vector<TestDraw> draws = RecurringDraws(random);
  HistoryDraws history;
  for (const TestDraw& d : draws) history.issues.push_back(d.issue);
  history.values = ValuesOfDraws(draws);
  Evaluator evaluator(history);
  ChanceModel chance(store::ZodiacTables(), {1, 1});
  for (int trial = 0; trial < 8; ++trial) {
    SearchCriteria c;
    c.free_mode = trial % 2 == 0;
    c.basis = trial % 4 >= 2 ? Basis::kEarlier : Basis::kPreceding;
    c.look_back = 3;
    c.search_kind = store::kKinds[trial % 6];
    c.result_kind = store::kKinds[(trial + 1) % 6];
    c.result_scope = static_cast<ResultScope>(trial % 3);
    c.combination_size = 2;
    c.selected = {false, true, false, true, false, false, false, true};
    c.start_issue = history.issues[5];
    c.end_issue = history.issues.back();
    const SearchType type = trial < 4 ? SearchType::kPosition : SearchType::kCombination;
    const BacktestResult r = RunBacktest(evaluator, c, type, 3, chance, nullptr);
    const std::size_t n = c.basis == Basis::kEarlier ? 3 : 1;
    ASSERT_EQ(r.rows.size(), history.size() - 5);
    for (const BacktestRow& row : r.rows) {
      const std::size_t t = static_cast<std::size_t>(row.issue - history.issues[0]);
      HistoryDraws before = DrawsInRange(history, 0, history.issues[t - 1]);
      SearchCriteria cut = c;
      for (int p = 1; p <= 7; ++p) cut.pattern[p] = before.values[t - n][p][c.search_kind];
      Evaluator then(std::move(before));
      const SearchResult result = then.Evaluate(cut, type);
      ASSERT_EQ(row.matched, result.matched.size()) << "trial " << trial << " " << row.issue;
      for (std::size_t i = 0; i < row.top.size(); ++i) {
        EXPECT_EQ(row.top[i], result.ranking[i].value) << "trial " << trial << " " << row.issue;
      }
    }
  }
}

}  // namespace
}  // namespace brivo::search
