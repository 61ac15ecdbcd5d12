// The searches on the real history (3,493 draws) through the session the window calls, in each
// mode and basis with the zodiac kind: the position search over all seven positions and the
// worst combination search (k = 4 of 7), warm and as the first search after opening, beside the
// same combination search run as statements; opening the real history; and importing synthetic
// histories of 10,000 and 100,000 draws, with the worst search there and the peak memory.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>

#include "acquire/history_import.h"
#include "bench_check.h"
#include "model/history_session.h"
#include "search/combination_search.h"
#include "search/search_run.h"
#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/search_statements.h"
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
    Check(testing::BuildHistory(built->path, built->draws));
    Check(store::OpenHistoryDatabase(built->path, &built->db));
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

// The session the window searches through, on a copy of the real history. Two patterns (the
// newest draw's and the one before it) take turns, so that each search changes the marks the
// one before it left: the write is never empty.
struct RealSession {
  testing::TempDir folder;
  std::unique_ptr<HistorySession> session;
  void Open() {
    session = std::make_unique<HistorySession>(folder.path().string());
    if (!session->Open().ok()) std::abort();
  }
};

RealSession& Session() {
  static RealSession* s = [] {
    auto* made = new RealSession;
    std::filesystem::copy_file(Real().path, made->folder.File(store::kHistoryFileName));
    made->Open();
    return made;
  }();
  return *s;
}

SearchCriteria Turn(SearchCriteria c, std::int64_t iteration) {
  if (iteration % 2 == 1) {
    const auto& other = Real().zodiac[Real().zodiac.size() - 3];
    for (int i = 1; i <= 7; ++i) c.pattern[i] = static_cast<std::int16_t>(other[i - 1]);
  }
  return c;
}

using SessionSearch = Status (HistorySession::*)(const SearchCriteria&, SearchResult*);

// With `first`, each search is the first on a history just opened, as after the program starts.
void RunOnReal(benchmark::State& state, SessionSearch run, int k, bool first = false) {
  RealSession& s = Session();
  const SearchCriteria c = ZodiacCriteria(state.range(0) != 0, state.range(1) != 0);
  std::size_t matched = 0;
  std::int64_t iteration = 0;
  for (auto _ : state) {
    if (first) {
      state.PauseTiming();
      s.Open();
      state.ResumeTiming();
    }
    SearchResult result;
    if (!((*s.session).*run)(Turn(c, iteration++), &result).ok()) state.SkipWithError("failed");
    matched = result.matched.size();
  }
  state.counters["matched"] = static_cast<double>(matched);
  state.counters["in_memory"] = static_cast<double>(InMemoryMatches(Turn(c, iteration - 1), k));
}

void BM_RealPositionSearch(benchmark::State& state) {
  RunOnReal(state, &HistorySession::RunPositionSearch, 7);
}
BENCHMARK(BM_RealPositionSearch)
    ->ArgNames({"free", "earlier"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_RealFirstPositionSearch(benchmark::State& state) {
  RunOnReal(state, &HistorySession::RunPositionSearch, 7, true);
}
BENCHMARK(BM_RealFirstPositionSearch)
    ->ArgNames({"free", "earlier"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_RealCombinationSearch(benchmark::State& state) {
  RunOnReal(state, &HistorySession::RunCombinationSearch, 4);
}
BENCHMARK(BM_RealCombinationSearch)
    ->ArgNames({"free", "earlier"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_RealFirstCombinationSearch(benchmark::State& state) {
  RunOnReal(state, &HistorySession::RunCombinationSearch, 4, true);
}
BENCHMARK(BM_RealFirstCombinationSearch)
    ->ArgNames({"free", "earlier"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The same combination search as the statements run it, naively in one transaction on a copy of
// the history in memory: the measure the search in memory is held to.
void BM_RealStatementCombinationSearch(benchmark::State& state) {
  testing::StatementSearches statements(Real().path);
  const SearchCriteria c = ZodiacCriteria(state.range(0) != 0, state.range(1) != 0);
  std::int64_t iteration = 0;
  for (auto _ : state) {
    SearchResult result;
    if (!statements.Run(Turn(c, iteration++), SearchType::kCombination, &result).ok()) {
      state.SkipWithError("failed");
    }
  }
}
BENCHMARK(BM_RealStatementCombinationSearch)
    ->ArgNames({"free", "earlier"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// Opening the real history as the window does at start: the file, the draws in memory and the
// history grid's rows.
void BM_RealOpen(benchmark::State& state) {
  RealSession& s = Session();
  for (auto _ : state) {
    s.Open();
    std::vector<HistoryGridRow> rows;
    if (!s.session->HistoryRows(&rows).ok()) state.SkipWithError("failed");
    benchmark::DoNotOptimize(rows.size());
  }
}
BENCHMARK(BM_RealOpen)->Unit(benchmark::kMillisecond);

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
  double search_ms = 0;
  for (auto _ : state) {
    state.PauseTiming();
    testing::TempDir folder;
    HistorySession session(folder.path().string());
    if (!session.Open().ok()) state.SkipWithError("open failed");
    state.ResumeTiming();
    if (!session.Import(draws, 1).ok()) state.SkipWithError("import failed");
    state.PauseTiming();
    // The worst searches at this size, each after the other has changed the marks.
    SearchCriteria c;
    c.free_mode = false;
    c.search_kind = store::Kind::kSx;
    c.result_kind = store::Kind::kSx;
    c.start_issue = draws.front().issue;
    c.end_issue = draws.back().issue;
    c.combination_size = 4;
    for (int i = 1; i <= 7; ++i) {
      c.selected[i] = true;
      c.pattern[i] = session.draws().values.back()[i][store::Kind::kSx];
    }
    for (int round = 0; round < 4; ++round) {
      c.free_mode = round % 2 == 0;
      const auto start = std::chrono::steady_clock::now();
      SearchResult result;
      const Status s = round < 2 ? session.RunCombinationSearch(c, &result)
                                 : session.RunPositionSearch(c, &result);
      if (!s.ok()) state.SkipWithError("search failed");
      search_ms = std::max(search_ms, std::chrono::duration<double, std::milli>(
                                          std::chrono::steady_clock::now() - start)
                                          .count());
    }
    state.ResumeTiming();
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_mb"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.counters["worst_search_ms"] = search_ms;
}
BENCHMARK(BM_ImportSynthetic)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace brivo::search
