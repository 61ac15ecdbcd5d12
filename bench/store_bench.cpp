// Figures for the history store: appending a whole history and reading it back in order.

#include <benchmark/benchmark.h>

#include "bench_check.h"
#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo::store {
namespace {

// Appends 3,000 draws through the table recordset in one transaction.
void BM_Append3000Draws(benchmark::State& state) {
  const auto draws = testing::RealHistory(3000);
  for (auto _ : state) {
    state.PauseTiming();
    testing::TempDir folder;
    state.ResumeTiming();
    Check(testing::BuildHistory(folder.File(kHistoryFileName), draws));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(draws.size()));
}
BENCHMARK(BM_Append3000Draws)->Unit(benchmark::kMillisecond);

void BM_OpenOrderedSnapshot3000(benchmark::State& state) {
  testing::TempDir folder;
  const std::string path = folder.File(kHistoryFileName);
  Check(testing::BuildHistory(path, testing::RealHistory(3000)));
  std::unique_ptr<Database> db;
  Check(OpenHistoryDatabase(path, &db));
  for (auto _ : state) {
    std::unique_ptr<Recordset> snapshot;
    Check(db->OpenSnapshot(kHistoryQuery, &snapshot));
    Check(snapshot->MoveLast());
    benchmark::DoNotOptimize(snapshot->RecordCount());
  }
}
BENCHMARK(BM_OpenOrderedSnapshot3000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brivo::store
