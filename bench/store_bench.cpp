// Figures for the history store: appending a whole history and reading it back in order.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/draw_record.h"
#include "store/history_db.h"

namespace brivo::store {
namespace {

struct Draw {
  std::int32_t issue;
  DrawNumbers numbers;
};

// The first `count` draws of the real history in the program's line format.
std::vector<Draw> LoadDraws(std::size_t count) {
  std::ifstream in(std::string(BRIVO_TEST_DATA_DIR) + "/ssq_history_sorted.txt");
  std::vector<Draw> draws;
  std::string line;
  while (draws.size() < count && std::getline(in, line)) {
    std::istringstream fields(line);
    Draw d{};
    fields >> d.issue;
    for (int& n : d.numbers) fields >> n;
    if (fields) draws.push_back(d);
  }
  return draws;
}

class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brivo-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~BenchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string HistoryPath() const { return ProgramFile(path_, kHistoryFileName); }

 private:
  std::string path_;
};

// Appends the draws through the table recordset in one transaction, as the import does.
void AppendAll(Database& db, const std::vector<Draw>& draws) {
  std::unique_ptr<Recordset> table;
  if (!db.OpenTable(kHistoryTable, &table).ok()) return;
  Database::Transaction transaction(db);
  ZodiacTables tables;
  PrecedingMemory memory;
  std::optional<DrawLists> previous;
  for (const Draw& d : draws) {
    tables.SetZodiacYear(ZodiacTables::ZodiacYearOf(d.issue));
    tables.ComputeCodes(1, false);
    DrawToAppend draw;
    draw.issue = d.issue;
    draw.own = ValuesOf(d.numbers, tables, 1);
    draw.before = std::move(previous);
    AppendDraw(*table, draw, &memory);
    previous = ListsOf(draw.own);
  }
  transaction.Commit();
}

void BM_Append3000Draws(benchmark::State& state) {
  const std::vector<Draw> draws = LoadDraws(3000);
  if (draws.size() != 3000) state.SkipWithError("history file missing");
  for (auto _ : state) {
    state.PauseTiming();
    BenchFolder folder;
    std::unique_ptr<Database> db;
    OpenHistoryDatabase(folder.HistoryPath(), &db);
    state.ResumeTiming();
    AppendAll(*db, draws);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(draws.size()));
}
BENCHMARK(BM_Append3000Draws)->Unit(benchmark::kMillisecond);

void BM_OpenOrderedSnapshot3000(benchmark::State& state) {
  BenchFolder folder;
  std::unique_ptr<Database> db;
  OpenHistoryDatabase(folder.HistoryPath(), &db);
  AppendAll(*db, LoadDraws(3000));
  for (auto _ : state) {
    std::unique_ptr<Recordset> snapshot;
    db->OpenSnapshot(kHistoryQuery, &snapshot);
    snapshot->MoveLast();
    benchmark::DoNotOptimize(snapshot->RecordCount());
  }
}
BENCHMARK(BM_OpenOrderedSnapshot3000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brivo::store
