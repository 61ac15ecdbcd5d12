#pragma once

// Searches on real history files built from draws the test chooses.

#include <gtest/gtest.h>

#include <random>

#include "search/criteria.h"
#include "search/history_draws.h"
#include "search/search_run.h"
#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo::search {

using testing::TestDraw;

class SearchTest : public ::testing::Test {
 protected:
  void Build(const std::vector<TestDraw>& draws) {
    draws_ = draws;
    const std::string path = dir_.File(store::kHistoryFileName);
    ASSERT_TRUE(testing::BuildHistory(path, draws).ok());
    ASSERT_TRUE(store::OpenHistoryDatabase(path, &db_).ok());
  }
  SearchCriteria Criteria(bool free_mode, Basis basis, store::Kind kind,
                          std::vector<std::pair<int, int>> positions) {
    SearchCriteria c;
    c.free_mode = free_mode;
    c.basis = basis;
    c.search_kind = kind;
    c.start_issue = draws_.front().issue;
    c.end_issue = draws_.back().issue;
    for (const auto& [position, value] : positions) {
      c.selected[position] = true;
      c.pattern[position] = static_cast<std::int16_t>(value);
    }
    return c;
  }
  using Runner = Status (*)(Database&, const SearchCriteria&, SearchResult*);
  std::vector<std::int64_t> Matched(const SearchCriteria& c, Runner run = RunPositionSearch) {
    SearchResult result;
    Status s = run(*db_, c, &result);
    EXPECT_TRUE(s.ok()) << s.ToString();
    std::vector<std::int64_t> issues;
    for (const MatchedDraw& d : result.matched) issues.push_back(d.issue);
    return issues;
  }
  std::vector<std::int64_t> ColumnValues(const std::string& column) {
    return testing::HistoryIntColumn(*db_, column);
  }

  testing::TempDir dir_;
  std::unique_ptr<Database> db_;
  std::vector<TestDraw> draws_;
};

// The own values of draws, read in their own zodiac years, as the test histories store them.
inline std::vector<store::DrawValues> ValuesOfDraws(const std::vector<TestDraw>& draws) {
  std::vector<store::DrawValues> values;
  for (const TestDraw& d : draws) {
    store::ZodiacTables tables;
    tables.SetZodiacYear(store::ZodiacTables::ZodiacYearOf(d.issue));
    tables.ComputeCodes(1, false);
    values.push_back(store::ValuesOf(d.numbers, tables, 1));
  }
  return values;
}

// Draws whose blues run as given (by default six: 1 2 1 2 1 3); the reds play no part.
inline HistoryDraws BlueRun(const std::vector<int>& blues = {1, 2, 1, 2, 1, 3}) {
  std::vector<TestDraw> draws;
  for (std::size_t i = 0; i < blues.size(); ++i) {
    draws.push_back({static_cast<std::int32_t>(2020001 + i), {1, 2, 3, 4, 5, 6, blues[i]}});
  }
  HistoryDraws history;
  for (const TestDraw& d : draws) history.issues.push_back(d.issue);
  history.values = ValuesOfDraws(draws);
  return history;
}

// Fixed position, the blue of the draw before, ranking the blues, over BlueRun.
inline SearchCriteria BlueFollowsBlue() {
  SearchCriteria c;
  c.free_mode = false;
  c.search_kind = store::Kind::kHm;
  c.result_kind = store::Kind::kHm;
  c.result_scope = ResultScope::kBlue;
  c.selected[7] = true;
  c.start_issue = 2020001;
  c.end_issue = 2020006;
  return c;
}

// Sixty draws over few numbers, so that patterns recur, from a fixed seed.
inline std::vector<TestDraw> RecurringDraws(std::mt19937& random) {
  std::vector<TestDraw> draws;
  for (int k = 0; k < 60; ++k) {
    TestDraw d{2010001 + k, {}};
    for (int i = 0; i < 6; ++i) {
      d.numbers[static_cast<std::size_t>(i)] = 1 + static_cast<int>(random() % 12);
    }
    d.numbers[6] = 1 + static_cast<int>(random() % 6);
    draws.push_back(d);
  }
  return draws;
}

}  // namespace brivo::search
