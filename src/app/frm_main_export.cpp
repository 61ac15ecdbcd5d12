// Exports from the window: the history as a text file, and any grid as a workbook.

#include <QStatusBar>

#include "acquire/history_export.h"
#include "app/flex_grid.h"
#include "app/frm_main.h"
#include "export/grid_export.h"
#include "platform/qt/wait_cursor.h"
#include "store/history_db.h"

namespace brivo {

void FrmMain::Command4_Click() {
  CommitPendingEdits();
  ShowOutsideChange();  // the export writes what the grid shows: the file as it now is
  const std::int64_t newest = session_.NewestIssue();
  if (newest <= 0) {
    ShowHint(QString::fromUtf8("没有历史号码可以导出"));
    return;
  }
  // The export writes what the history grid shows.
  const SheetCells cells = grid1_->Cells();
  const std::vector<std::vector<std::string>> rows(cells.begin() + 1, cells.end());
  const std::string path =
      store::ProgramFile(context_.program_folder, acquire::HistoryTextFileName(newest));
  if (Status s = acquire::WriteHistoryText(path, rows); !s.ok()) {
    WarnOfFailure("无法写入文件 " + path, s);
    return;
  }
  launcher_->OpenFile(path);
  ShowHint(QString::fromUtf8("历史号码已导出到 %1").arg(QString::fromStdString(path)));
}

void FrmMain::mnuDcls_Click() {
  ShowOutsideChange();
  ExportGrid(grid1_, true);
}

void FrmMain::ExportGrid(FlexGrid* grid, bool from_menu, const char* file) {
  if (file == nullptr) {
    file = grid == grid1_   ? exports::kHistoryWorkbook
           : grid == grid2_ ? exports::kMatchedWorkbook
                            : exports::kRankingWorkbook;
  }
  SheetCells cells;
  {
    std::optional<WaitCursor> wait;
    if (from_menu) {
      wait.emplace();
      grid->setVisible(false);
    }
    cells = grid->Cells();
    grid->SelectLastCell();
    grid->setVisible(true);
  }
  Status s = exports::ExportWorkbook(context_.program_folder, file, cells, *launcher_);
  if (!s.ok()) {
    WarnOfFailure(std::string("导出 ") + file + " 失败。", s);
    return;
  }
  ShowHint(QString::fromUtf8("已导出到 %1")
               .arg(QString::fromStdString(store::ProgramFile(context_.program_folder, file))));
}

}  // namespace brivo
