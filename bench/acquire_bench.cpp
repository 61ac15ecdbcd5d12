// Figures for keeping the history: importing a text file and cutting the history back.

#include <benchmark/benchmark.h>

#include "acquire/draw_line.h"
#include "acquire/history_import.h"
#include "acquire/truncation.h"
#include "bench_check.h"
#include "store/history_db.h"
#include "store/history_ops.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo::acquire {
namespace {

struct OpenHistory {
  std::unique_ptr<Database> db;
  std::unique_ptr<Recordset> table;
  store::ZodiacTables zodiac;
  store::PrecedingMemory memory;
  AppendContext Context() { return {&zodiac, &memory, 1}; }
};

void Open(const std::string& path, OpenHistory* h) {
  Check(store::OpenHistoryDatabase(path, &h->db));
  Check(h->db->OpenTable(store::kHistoryTable, &h->table));
  h->zodiac.ComputeCodes(1, false);
}

// Reads and checks a 3,000-line file, then replaces a 3,000-draw history with it.
void BM_Import3000Lines(benchmark::State& state) {
  testing::TempDir folder;
  const std::string text_file = folder.File("draws.txt");
  std::vector<ParsedDraw> draws;
  for (const auto& d : testing::RealHistory(3000)) draws.push_back({d.issue, d.numbers});
  Check(WriteScratchFile(text_file, draws));
  OpenHistory h;
  Open(folder.File(store::kHistoryFileName), &h);
  for (auto _ : state) {
    std::vector<std::string> lines;
    Check(ReadTextLines(text_file, &lines));
    const ParsedLines parsed = ParseDrawLines(lines, 0);
    Check(ReplaceHistory(*h.db, *h.table, h.Context(), parsed.draws, EarlierLists::kUnset));
  }
}
BENCHMARK(BM_Import3000Lines)->Unit(benchmark::kMillisecond);

// Cuts one draw off a 3,000-draw history: scratch file, rebuild and compaction.
void BM_TruncateOneOf3000(benchmark::State& state) {
  testing::TempDir folder;
  const std::string path = folder.File(store::kHistoryFileName);
  const std::string scratch = folder.File(kScratchFileName);
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(path);
    Check(testing::BuildHistory(path, testing::RealHistory(3001)));
    OpenHistory h;
    Open(path, &h);
    state.ResumeTiming();
    std::unique_ptr<Recordset> snapshot;
    Check(h.db->OpenSnapshot(store::kHistoryQuery, &snapshot));
    Check(snapshot->MoveLast());
    std::int64_t newest = 0;
    Check(snapshot->GetInt("SQQH", &newest));
    std::vector<ParsedDraw> kept;
    Check(CollectDrawsUpTo(*snapshot, newest - 1, &kept));
    Check(WriteScratchFile(scratch, kept));
    std::vector<std::string> lines;
    Check(ReadTextLines(scratch, &lines));
    Check(ReplaceHistory(*h.db, *h.table, h.Context(), ParseDrawLines(lines, 0).draws,
                         EarlierLists::kTwoBefore));
    snapshot.reset();
    h.table.reset();
    h.db->Close();
    Check(store::CompactHistoryFiles(folder.path().string()));
    Check(store::OpenHistoryDatabase(path, &h.db));
  }
}
BENCHMARK(BM_TruncateOneOf3000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brivo::acquire
