// The analyses over the real history (3,493 draws): reading the draws' values once, the omission
// table, and the walk-forward back-test of the position search (zodiac at position 1 or at all
// seven) and of the combination search (k = 4 of 7), in each mode and basis, cold caches each
// time.

#include <benchmark/benchmark.h>

#include "bench_check.h"
#include "search/backtest.h"
#include "search/family_backtest.h"
#include "search/omission.h"
#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo::search {
namespace {

struct RealFile {
  testing::TempDir folder;
  std::unique_ptr<Database> db;
  HistoryDraws draws;
};

RealFile& Real() {
  static RealFile* real = [] {
    auto* built = new RealFile;
    const std::string path = built->folder.File(store::kHistoryFileName);
    Check(testing::BuildHistory(path, testing::RealHistory()));
    Check(store::OpenHistoryDatabase(path, &built->db));
    Check(ReadHistoryDraws(*built->db, &built->draws));
    return built;
  }();
  return *real;
}

// The code table by age as computed in 2026, offsets 1.
ChanceModel Chance() {
  store::ZodiacTables tables;
  tables.SetZodiacYear(2026);
  tables.ComputeCodes(1, false);
  return ChanceModel(tables, {1, 1});
}

void BM_ReadHistoryDraws(benchmark::State& state) {
  for (auto _ : state) {
    HistoryDraws draws;
    if (!ReadHistoryDraws(*Real().db, &draws).ok()) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(draws.size());
  }
}
BENCHMARK(BM_ReadHistoryDraws)->Unit(benchmark::kMillisecond);

// The whole history, by number (33 rows) or by zodiac (12 rows), red and blue.
void BM_OmissionTable(benchmark::State& state) {
  const store::Kind kind = store::kKinds[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    ChanceModel chance = Chance();
    benchmark::DoNotOptimize(
        OmissionTable(Real().draws, kind, ResultScope::kRedAndBlue, chance).size());
  }
}
BENCHMARK(BM_OmissionTable)
    ->ArgName("kind")
    ->Arg(store::KindIndex(store::Kind::kHm))
    ->Arg(store::KindIndex(store::Kind::kSx))
    ->Unit(benchmark::kMillisecond);

// The ranking of numbers, the first six of it, over every draw of the history.
void RunBacktestOnReal(benchmark::State& state, SearchType type) {
  const HistoryDraws& draws = Real().draws;
  SearchCriteria c;
  c.free_mode = state.range(0) != 0;
  c.basis = state.range(1) != 0 ? Basis::kEarlier : Basis::kPreceding;
  c.search_kind = store::Kind::kSx;
  c.result_kind = store::Kind::kHm;
  c.combination_size = 4;
  c.selected.fill(type == SearchType::kCombination || state.range(2) == 7);
  c.selected[1] = true;
  c.start_issue = draws.issues.front();
  c.end_issue = draws.issues.back();
  BacktestSummary summary;
  for (auto _ : state) {
    Evaluator evaluator(draws);
    ChanceModel chance = Chance();
    summary = RunBacktest(evaluator, c, type, 6, chance, nullptr).summary;
  }
  state.counters["targets"] = static_cast<double>(summary.targets);
  state.counters["mean_hits"] = summary.mean_hits;
  state.counters["mean_chance"] = summary.mean_chance;
}

void BM_BacktestPositionSearch(benchmark::State& state) {
  RunBacktestOnReal(state, SearchType::kPosition);
}
// Position 1 alone matches about a twelfth of the history at each target: the tally's worst.
BENCHMARK(BM_BacktestPositionSearch)
    ->ArgNames({"free", "earlier", "positions"})
    ->ArgsProduct({{0, 1}, {0, 1}, {1, 7}})
    ->Unit(benchmark::kMillisecond);

void BM_BacktestCombinationSearch(benchmark::State& state) {
  RunBacktestOnReal(state, SearchType::kCombination);
}
BENCHMARK(BM_BacktestCombinationSearch)
    ->ArgNames({"free", "earlier"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Every setting of the family (648) over the whole history, on two threads: the 3 positions of a
// position search, or the combination search k = 4 of 7.
void BM_FamilyBacktest(benchmark::State& state) {
  const HistoryDraws& draws = Real().draws;
  const auto type = state.range(0) != 0 ? SearchType::kCombination : SearchType::kPosition;
  SearchCriteria c;
  c.combination_size = 4;
  for (int p : {1, 2, 3}) c.selected[p] = true;
  c.start_issue = draws.issues.front();
  c.end_issue = draws.issues.back();
  store::ZodiacTables tables;
  tables.SetZodiacYear(2026);
  tables.ComputeCodes(1, false);
  FamilyResult result;
  for (auto _ : state) {
    result = RunFamilyBacktest(draws, tables, FamilySettings(c), type, 6, 2, nullptr);
  }
  state.counters["settings"] = static_cast<double>(result.rows.size());
}
BENCHMARK(BM_FamilyBacktest)
    ->ArgName("combination")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brivo::search
