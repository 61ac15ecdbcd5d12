// The searches on the real history (3,493 draws), in each mode and basis with the zodiac kind:
// the position search over all seven positions and the worst combination search (k = 4 of 7),
// each beside the same matched set computed in memory from the stored values; and appending
// synthetic histories of 10,000 and 100,000 draws, with the process's peak memory.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <map>
#include <random>

#include "acquire/history_import.h"
#include "search/combination_search.h"
#include "search/position_search.h"
#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo::search {
namespace {

struct RealHistory {
  testing::TempDir folder;
  std::string path;
  std::vector<testing::TestDraw> draws;
  std::unique_ptr<Database> db;
  std::vector<std::array<std::int64_t, 7>> zodiac;  // the stored zodiac codes, oldest first
};

RealHistory& Real() {
  static RealHistory* h = [] {
    auto* built = new RealHistory;
    built->draws = testing::RealHistory();
    built->path = built->folder.File(store::kHistoryFileName);
    testing::BuildHistory(built->path, built->draws);
    store::OpenHistoryDatabase(built->path, &built->db);
    built->zodiac.resize(built->draws.size());
    for (int p = 1; p <= 7; ++p) {
      const auto column = testing::HistoryIntColumn(
          *built->db, store::ColumnName(p, store::Kind::kSx, store::kOwn));
      for (std::size_t k = 0; k < column.size(); ++k) {
        built->zodiac[k][static_cast<std::size_t>(p - 1)] = column[k];
      }
    }
    return built;
  }();
  return *h;
}

// 生肖 over every position, the pattern taken as the automatic tab takes it: the newest draw, or
// the second newest on the 前2期 basis.
SearchCriteria ZodiacCriteria(bool free_mode, bool earlier) {
  RealHistory& h = Real();
  SearchCriteria c;
  c.free_mode = free_mode;
  c.basis = earlier ? Basis::kEarlier : Basis::kPreceding;
  c.look_back = 2;
  c.search_kind = store::Kind::kSx;
  c.result_kind = store::Kind::kSx;
  c.start_issue = h.draws.front().issue;
  c.end_issue = h.draws.back().issue;
  c.combination_size = 4;
  const auto& pattern = h.zodiac[h.zodiac.size() - (earlier ? 2 : 1)];
  for (int i = 1; i <= 7; ++i) {
    c.selected[i] = true;
    c.pattern[i] = static_cast<std::int16_t>(pattern[i - 1]);
  }
  return c;
}

// The draws whose pattern-side draw (the one before, or the one N before) holds at least k of
// the pattern positions: at the same positions (fixed), or anywhere as a multiset (free, the
// blue counted).
std::size_t InMemoryMatches(const SearchCriteria& c, int k) {
  const auto& values = Real().zodiac;
  const std::size_t distance =
      c.basis == Basis::kEarlier ? static_cast<std::size_t>(c.Distance()) : 1;
  std::size_t matched = 0;
  for (std::size_t t = distance; t < values.size(); ++t) {
    const auto& side = values[t - distance];
    int agreeing = 0;
    if (c.free_mode) {
      std::array<bool, 7> used{};
      for (int i = 1; i <= 7; ++i) {
        for (std::size_t j = 0; j < 7; ++j) {
          if (!used[j] && side[j] == c.pattern[static_cast<std::size_t>(i)]) {
            used[j] = true;
            ++agreeing;
            break;
          }
        }
      }
    } else {
      for (std::size_t i = 0; i < 7; ++i) agreeing += side[i] == c.pattern[i + 1] ? 1 : 0;
    }
    matched += agreeing >= k ? 1 : 0;
  }
  return matched;
}

using SearchRunner = Status (*)(Database&, const SearchCriteria&, SearchResult*);

// With `first`, each search is the first on a history just opened, as after the program starts:
// it reads every column it needs; the searches after it take over what earlier ones read.
void RunOnReal(benchmark::State& state, SearchRunner run, int k, bool first = false) {
  RealHistory& h = Real();
  const SearchCriteria c = ZodiacCriteria(state.range(0) != 0, state.range(1) != 0);
  std::size_t matched = 0;
  for (auto _ : state) {
    if (first) {
      state.PauseTiming();
      h.db.reset();
      store::OpenHistoryDatabase(h.path, &h.db);
      state.ResumeTiming();
    }
    SearchResult result;
    if (!run(*h.db, c, &result).ok()) state.SkipWithError("search failed");
    matched = result.matched.size();
  }
  state.counters["matched"] = static_cast<double>(matched);
  state.counters["in_memory"] = static_cast<double>(InMemoryMatches(c, k));
}

void BM_RealPositionSearch(benchmark::State& state) { RunOnReal(state, RunPositionSearch, 7); }
BENCHMARK(BM_RealPositionSearch)
    ->ArgNames({"free", "earlier"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_RealFirstPositionSearch(benchmark::State& state) {
  RunOnReal(state, RunPositionSearch, 7, true);
}
BENCHMARK(BM_RealFirstPositionSearch)
    ->ArgNames({"free", "earlier"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_RealCombinationSearch(benchmark::State& state) {
  RunOnReal(state, RunCombinationSearch, 4);
}
BENCHMARK(BM_RealCombinationSearch)
    ->ArgNames({"free", "earlier"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The in-memory matched set of the same criteria: the floor a search over the file is held to.
void BM_RealInMemoryMatch(benchmark::State& state) {
  const SearchCriteria c = ZodiacCriteria(state.range(0) != 0, state.range(1) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(InMemoryMatches(c, 4));
}
BENCHMARK(BM_RealInMemoryMatch)
    ->ArgNames({"free", "earlier"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Importing a synthetic history (six different reds and a blue a draw, 150 draws a year) into an
// empty file; peak_mb is the process's peak resident memory so far (run one size at a time).
void BM_ImportSynthetic(benchmark::State& state) {
  std::mt19937 random(12345);
  std::vector<acquire::ParsedDraw> draws;
  for (int k = 0; k < state.range(0); ++k) {
    acquire::ParsedDraw d{(2003 + k / 150) * 1000 + k % 150 + 1, {}, k + 1};
    std::array<int, 33> reds{};
    for (int i = 0; i < 33; ++i) reds[static_cast<std::size_t>(i)] = i + 1;
    std::shuffle(reds.begin(), reds.end(), random);
    std::copy(reds.begin(), reds.begin() + 6, d.numbers.begin());
    d.numbers[6] = 1 + static_cast<int>(random() % 16);
    draws.push_back(d);
  }
  for (auto _ : state) {
    state.PauseTiming();
    testing::TempDir folder;
    std::unique_ptr<Database> db;
    store::OpenHistoryDatabase(folder.File(store::kHistoryFileName), &db);
    std::unique_ptr<Recordset> table;
    db->OpenTable(store::kHistoryTable, &table);
    store::ZodiacTables zodiac;
    zodiac.ComputeCodes(1, false);
    store::PrecedingMemory memory;
    state.ResumeTiming();
    if (!acquire::ReplaceHistory(*db, *table, {&zodiac, &memory, 1}, draws,
                                 acquire::EarlierLists::kUnset)
             .ok()) {
      state.SkipWithError("import failed");
    }
    std::unique_ptr<Recordset> snapshot;
    db->OpenSnapshot(store::kHistoryQuery, &snapshot);  // the window's view of the new history
    benchmark::DoNotOptimize(snapshot->RecordCount());
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_ImportSynthetic)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace brivo::search
