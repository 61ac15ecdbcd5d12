// Figures for the position search, end to end on the database (statements, range query, tally,
// Carcu, ranking), beside the same matched set computed in memory as the lower bound.

#include <benchmark/benchmark.h>

#include <map>
#include <random>

#include "bench_check.h"
#include "search/combination_search.h"
#include "search/kind_ranges.h"
#include "search/search_run.h"
#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo::search {
namespace {

// Draws of six different reds and a blue, 150 a year, from a fixed seed.
std::vector<testing::TestDraw> SyntheticDraws(int count) {
  std::mt19937 random(12345);
  std::vector<testing::TestDraw> draws;
  for (int k = 0; k < count; ++k) {
    testing::TestDraw d{(2003 + k / 150) * 1000 + k % 150 + 1, {}};
    std::vector<int> reds(33);
    for (int i = 0; i < 33; ++i) reds[static_cast<std::size_t>(i)] = i + 1;
    std::shuffle(reds.begin(), reds.end(), random);
    std::copy(reds.begin(), reds.begin() + 6, d.numbers.begin());
    d.numbers[6] = 1 + static_cast<int>(random() % 16);
    draws.push_back(d);
  }
  return draws;
}

// One history file per size, built once.
struct History {
  testing::TempDir folder;
  std::vector<testing::TestDraw> draws;
  std::unique_ptr<Database> db;
};

History& HistoryOf(int size) {
  static std::map<int, std::unique_ptr<History>> built;
  auto& h = built[size];
  if (!h) {
    h = std::make_unique<History>();
    h->draws = SyntheticDraws(size);
    const std::string path = h->folder.File(store::kHistoryFileName);
    Check(testing::BuildHistory(path, h->draws));
    Check(store::OpenHistoryDatabase(path, &h->db));
  }
  return *h;
}

// All seven positions, with the pattern of the newest draw (so that some draws match).
SearchCriteria AllPositions(const History& h, bool free_mode, bool earlier) {
  SearchCriteria c;
  c.free_mode = free_mode;
  c.basis = earlier ? Basis::kEarlier : Basis::kPreceding;
  c.search_kind = store::Kind::kWei;
  c.result_kind = store::Kind::kHm;
  c.start_issue = h.draws.front().issue;
  c.end_issue = h.draws.back().issue;
  const auto& newest = h.draws.back().numbers;
  for (int i = 1; i <= 7; ++i) {
    c.selected[static_cast<std::size_t>(i)] = true;
    c.pattern[static_cast<std::size_t>(i)] =
        static_cast<std::int16_t>(newest[static_cast<std::size_t>(i - 1)] % 10);
  }
  return c;
}

void BM_PositionSearch(benchmark::State& state) {
  History& h = HistoryOf(static_cast<int>(state.range(0)));
  const SearchCriteria c = AllPositions(h, state.range(1) != 0, state.range(2) != 0);
  std::size_t matched = 0;
  for (auto _ : state) {
    SearchResult result;
    if (!RunPositionSearch(*h.db, c, &result).ok()) state.SkipWithError("search failed");
    matched = result.matched.size();
  }
  state.counters["matched"] = static_cast<double>(matched);
}
BENCHMARK(BM_PositionSearch)
    ->ArgNames({"draws", "free", "earlier"})
    ->ArgsProduct({{2500, 10000, 100000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The worst combination searches: k = 3 and 4 of all seven positions (35 combinations).
void BM_CombinationSearch(benchmark::State& state) {
  History& h = HistoryOf(static_cast<int>(state.range(0)));
  SearchCriteria c = AllPositions(h, state.range(2) != 0, state.range(3) != 0);
  c.combination_size = static_cast<int>(state.range(1));
  std::size_t matched = 0;
  for (auto _ : state) {
    SearchResult result;
    if (!RunCombinationSearch(*h.db, c, &result).ok()) state.SkipWithError("search failed");
    matched = result.matched.size();
  }
  state.counters["matched"] = static_cast<double>(matched);
}
BENCHMARK(BM_CombinationSearch)
    ->ArgNames({"draws", "k", "free", "earlier"})
    ->ArgsProduct({{2500, 10000, 100000}, {3, 4}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The free-mode combination matched set (k of 7 tail digits as a multiset) held in memory.
void BM_InMemoryCombinationMatch(benchmark::State& state) {
  History& h = HistoryOf(static_cast<int>(state.range(0)));
  const SearchCriteria c = AllPositions(h, true, false);
  const auto combinations = PositionCombinations(7, 4);
  std::vector<std::array<int, 10>> digit_counts;
  for (const auto& d : h.draws) {
    std::array<int, 10> counts{};
    for (int n : d.numbers) ++counts[static_cast<std::size_t>(n % 10)];
    digit_counts.push_back(counts);
  }
  for (auto _ : state) {
    std::vector<std::int32_t> matched;
    for (std::size_t k = 1; k < digit_counts.size(); ++k) {
      for (const auto& combination : combinations) {
        std::array<int, 10> need{};
        for (int p : combination)
          ++need[static_cast<std::size_t>(c.pattern[static_cast<std::size_t>(p)])];
        bool all = true;
        for (std::size_t v = 0; v < 10; ++v) all = all && digit_counts[k - 1][v] >= need[v];
        if (all) {
          matched.push_back(h.draws[k].issue);
          break;
        }
      }
    }
    benchmark::DoNotOptimize(matched);
  }
}
BENCHMARK(BM_InMemoryCombinationMatch)
    ->Arg(2500)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// The fixed-mode matched set from the draws' tail digits held in memory.
void BM_InMemoryFixedMatch(benchmark::State& state) {
  History& h = HistoryOf(static_cast<int>(state.range(0)));
  const SearchCriteria c = AllPositions(h, false, false);
  std::vector<std::array<int, 7>> tails;
  for (const auto& d : h.draws) {
    std::array<int, 7> t{};
    for (std::size_t i = 0; i < 7; ++i) t[i] = d.numbers[i] % 10;
    tails.push_back(t);
  }
  for (auto _ : state) {
    std::vector<std::int32_t> matched;
    for (std::size_t k = 1; k < tails.size(); ++k) {
      bool all = true;
      for (std::size_t i = 0; i < 7; ++i) all = all && tails[k - 1][i] == c.pattern[i + 1];
      if (all) matched.push_back(h.draws[k].issue);
    }
    benchmark::DoNotOptimize(matched);
  }
}
BENCHMARK(BM_InMemoryFixedMatch)->Arg(2500)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brivo::search
