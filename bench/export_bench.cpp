// Figures for the exports: the history grid of 3,000 draws as a workbook.

#include <benchmark/benchmark.h>

#include "platform/xls/xls_writer.h"
#include "store/draw_record.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

void BM_WorkbookOf3000Draws(benchmark::State& state) {
  SheetCells cells = {{"期号", "红1球", "红2球", "红3球", "红4球", "红5球", "红6球", "蓝球"}};
  for (const auto& d : testing::RealHistory(3000)) {
    std::vector<std::string> row = {std::to_string(d.issue)};
    for (int n : d.numbers) row.push_back(std::to_string(n));
    cells.push_back(row);
  }
  testing::TempDir folder;
  const std::string path = folder.File("lishi.xls");
  for (auto _ : state) {
    if (!WriteXlsWorkbook(path, cells).ok()) state.SkipWithError("write failed");
  }
}
BENCHMARK(BM_WorkbookOf3000Draws)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brivo
