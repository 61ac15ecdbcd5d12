// The family back-test: three settings on a six-draw history worked by hand through to their
// Holm-adjusted p, Holm's adjustment itself, the family's settings, and a cancel.

#include "search/family_backtest.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "search/search_fixture.h"

namespace brivo::search {
namespace {

// Over BlueRun (blues 1 2 1 2 1 3), the first value of each ranking:
// - the blue after the blue of the draw before: T 5, hits 0 1 1 1 0, chance 1/16 each (the
//   single back-test's own hand-worked case): d̄ 0.5375, s² 0.3, z = 0.5375 / √(0.3 / 5);
// - the blue's tens digit after the blue: always 0 (chance 9/16), so every d is 7/16 and with
//   no spread there is no evidence: z 0, p 1;
// - the blue after the blue of the draw 2 before: targets 2020003..2020006 rank 1, 1, 1, 2
//   (the first two from no matched draw) against blues 1 2 1 3, hits 1 0 1 0: d̄ 0.4375,
//   deviations ±0.5, s² 1/3, z = 0.4375 / √(1/3 / 4).
// Holm: 0.028211 · 3, then 0.129635 · 2, then 1.
TEST(FamilyBacktestTest, HandWorkedSettingsAndTheirAdjustedP) {
  SearchCriteria tens = BlueFollowsBlue();
  tens.result_kind = store::Kind::kTou;
  SearchCriteria two_before = BlueFollowsBlue();
  two_before.basis = Basis::kEarlier;
  two_before.look_back = 2;
  const FamilyResult r =
      RunFamilyBacktest(BlueRun(), store::ZodiacTables(), {BlueFollowsBlue(), tens, two_before},
                        SearchType::kPosition, 1, 2, nullptr);
  ASSERT_EQ(r.rows.size(), 3u);
  EXPECT_FALSE(r.cancelled);
  struct Expected {
    std::size_t targets;
    double mean_hits, mean_chance, z, p, adjusted_p;
  };
  const Expected expected[] = {
      {5, 0.6, 0.0625, 2.194335, 0.028211, 0.084634},
      {5, 1.0, 0.5625, 0.0, 1.0, 1.0},
      {4, 0.5, 0.0625, 1.515544, 0.129635, 0.259269},
  };
  for (std::size_t i = 0; i < r.rows.size(); ++i) {
    const FamilyRow& row = r.rows[i];
    EXPECT_EQ(row.summary.targets, expected[i].targets) << i;
    EXPECT_NEAR(row.summary.mean_hits, expected[i].mean_hits, 1e-9) << i;
    EXPECT_NEAR(row.summary.mean_chance, expected[i].mean_chance, 1e-9) << i;
    EXPECT_NEAR(row.z, expected[i].z, 1e-6) << i;
    EXPECT_NEAR(row.p, expected[i].p, 1e-6) << i;
    EXPECT_NEAR(row.adjusted_p, expected[i].adjusted_p, 1e-6) << i;
    // The first passes 5% alone, none once the family is accounted for; and five targets are
    // too few for any verdict.
    EXPECT_EQ(row.verdict, Verdict::kTooFew) << i;
  }
}

// Forty blues alternating 1 2 1 2 …: from the third target on, the blue after a blue is always
// the one ranked first, far beyond chance even for a family; the tens digit of the blue is always
// 0, every difference the same, so there is nothing to judge.
TEST(FamilyBacktestTest, AStrongSettingSurvivesTheAdjustment) {
  std::vector<int> blues;
  for (int i = 0; i < 40; ++i) blues.push_back(1 + i % 2);
  SearchCriteria follows = BlueFollowsBlue();
  follows.end_issue = 2020040;
  SearchCriteria tens = follows;
  tens.result_kind = store::Kind::kTou;
  const FamilyResult r = RunFamilyBacktest(BlueRun(blues), store::ZodiacTables(), {follows, tens},
                                           SearchType::kPosition, 1, 2, nullptr);
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_EQ(r.rows[0].summary.targets, 39u);
  EXPECT_LT(r.rows[0].adjusted_p, 1e-6);
  EXPECT_EQ(r.rows[0].adjusted_p, 2 * r.rows[0].p);
  EXPECT_EQ(r.rows[0].verdict, Verdict::kAbove);
  EXPECT_EQ(r.rows[1].p, 1.0);
  EXPECT_EQ(r.rows[1].verdict, Verdict::kNoSpread);
}

TEST(FamilyBacktestTest, HolmAdjustment) {
  struct Row {
    const char* name;
    std::vector<double> p, adjusted;
  };
  const Row rows[] = {
      {"empty", {}, {}},
      {"one setting keeps its p", {0.03}, {0.03}},
      {"sorted ascending, scaled by m - i + 1", {0.01, 0.02, 0.03}, {0.03, 0.04, 0.04}},
      {"the input's order kept", {0.03, 0.01, 0.02}, {0.04, 0.03, 0.04}},
      {"a running maximum keeps it monotone", {0.001, 0.04, 0.045, 0.2}, {0.004, 0.12, 0.12, 0.2}},
      {"ties", {0.02, 0.02}, {0.04, 0.04}},
      {"capped at 1", {0.4, 0.6}, {0.8, 0.8}},
      {"capped at 1 beyond", {0.6, 0.7, 0.9}, {1.0, 1.0, 1.0}},
  };
  for (const Row& row : rows) {
    const std::vector<double> adjusted = HolmAdjust(row.p);
    ASSERT_EQ(adjusted.size(), row.adjusted.size()) << row.name;
    for (std::size_t i = 0; i < adjusted.size(); ++i) {
      EXPECT_NEAR(adjusted[i], row.adjusted[i], 1e-12) << row.name << " #" << i;
    }
  }
  EXPECT_NEAR(TwoSidedP(1.959964), 0.05, 1e-6);
  EXPECT_NEAR(TwoSidedP(-1.959964), 0.05, 1e-6);
}

// 6 × 6 kinds, two modes, three draws back, three scopes: each once, the rest of the window's
// criteria kept; the pattern basis is that of the draw 1, 2 or 3 before.
TEST(FamilyBacktestTest, TheFamilyHoldsEverySettingOnce) {
  SearchCriteria base = BlueFollowsBlue();
  base.count_blue = false;
  base.selected[3] = true;
  const std::vector<SearchCriteria> family = FamilySettings(base);
  ASSERT_EQ(family.size(), 648u);
  std::set<std::tuple<store::Kind, store::Kind, bool, int, ResultScope>> seen;
  for (const SearchCriteria& c : family) {
    const int back = c.basis == Basis::kPreceding ? 1 : c.Distance();
    seen.insert({c.search_kind, c.result_kind, c.free_mode, back, c.result_scope});
    EXPECT_TRUE(c.basis == Basis::kPreceding || back >= 2);
    EXPECT_EQ(c.start_issue, base.start_issue);
    EXPECT_EQ(c.end_issue, base.end_issue);
    EXPECT_EQ(c.selected, base.selected);
    EXPECT_FALSE(c.count_blue);
  }
  EXPECT_EQ(seen.size(), 648u);
}

// A stop asked at the first report keeps the one setting done, adjusted over itself alone.
TEST(FamilyBacktestTest, CancelKeepsWholeSettings) {
  const std::vector<SearchCriteria> family = FamilySettings(BlueFollowsBlue());
  const FamilyResult r =
      RunFamilyBacktest(BlueRun(), store::ZodiacTables(), family, SearchType::kPosition, 1, 0,
                        [](std::size_t, std::size_t) { return false; });
  EXPECT_TRUE(r.cancelled);
  ASSERT_EQ(r.rows.size(), 1u);
  EXPECT_EQ(r.family_size, family.size());
  EXPECT_EQ(r.rows[0].setting.result_scope, family[0].result_scope);
  EXPECT_EQ(r.rows[0].adjusted_p, r.rows[0].p);
}

}  // namespace
}  // namespace brivo::search
