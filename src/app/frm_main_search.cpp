// The searches from the window: criteria from the controls, the answer into the two grids.

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>

#include "app/analysis_inputs.h"
#include "app/analysis_tabs.h"
#include "app/flex_grid.h"
#include "app/frm_main.h"
#include "app/search_criteria_of.h"
#include "platform/base/log.h"
#include "platform/qt/wait_cursor.h"
#include "search/ranking.h"
#include "store/history_db.h"

namespace brivo {

std::optional<search::SearchCriteria> FrmMain::ReadCriteria() {
  SearchControls controls;
  controls.fixed_mode = option1_[0]->isChecked();
  controls.count_blue = check2_->isChecked();
  for (int i = 1; i <= 7; ++i) {
    controls.selected[i] = state_.manual_tab ? check11_[i]->isChecked() : check1_[i]->isChecked();
  }
  controls.start_text = text3_[0]->text().toStdString();
  controls.end_text = text3_[1]->text().toStdString();
  state_.bolZyw = !controls.fixed_mode;
  check2_->setVisible(state_.bolZyw);
  int bad_box = 0;
  auto criteria = SearchCriteriaOf(state_, controls, &bad_box);
  if (!criteria) {
    ShowHint(QString::fromUtf8("检索%1期数“%2”不是整数，没有检索")
                 .arg(QString::fromUtf8(bad_box == 1 ? "止" : "起"),
                      text3_[static_cast<std::size_t>(bad_box)]->text()));
    return criteria;
  }
  if (!RangeHoldsDraws(criteria->start_issue, criteria->end_issue)) return std::nullopt;
  return criteria;
}

bool FrmMain::RangeHoldsDraws(std::int64_t start, std::int64_t end) {
  std::string problem;
  std::int64_t draws = 0;
  if (start > end) {
    problem = "检索起期数" + std::to_string(start) + "在止期数" + std::to_string(end) + "之后";
  } else if (Status s = session_.DrawsInRange(start, end, &draws); !s.ok()) {
    LogWarning(s.ToString());  // the command itself will tell when the history cannot be read
    return true;
  } else if (draws == 0) {
    problem =
        "检索起止期数" + std::to_string(start) + "～" + std::to_string(end) + "内没有一期开奖号码";
  }
  if (problem.empty()) return true;
  prompts_->Warn(problem + "，请改正检索起止期数。", kMessageTitle);
  return false;
}

void FrmMain::Command1_Click() {
  RunSearch(&HistorySession::RunPositionSearch, "检索失败，结果没有改动");
}

void FrmMain::Command2_Click() {
  RunSearch(&HistorySession::RunCombinationSearch, "组合检索失败，结果没有改动");
}

void FrmMain::RunSearch(SearchRunner run, const char* failure) {
  CommitPendingEdits();
  if (!session_.is_open()) return;
  ShowOutsideChange();  // a search simply runs on the history as it now is
  const auto criteria = ReadCriteria();
  if (!criteria) return;
  WaitCursor wait;
  search::SearchResult result;
  grid2_->setVisible(false);
  if (Status s = (session_.*run)(*criteria, &result); !s.ok()) {
    grid2_->setVisible(true);
    WarnOfFailure(std::string(failure) + "。", s);
    return;
  }
  FillResultGrids(*criteria, result);
}

AnalysisInputs FrmMain::AnalysisInputsOfWindow() {
  AnalysisInputs inputs;
  inputs.criteria = [this] {
    CommitPendingEdits();
    ShowOutsideChange();  // the pattern and the range as the file now is
    return ReadCriteria();
  };
  inputs.draws = [this](search::HistoryDraws* out) {
    if (!session_.is_open()) return Status::IoError("没有打开的历史数据库");
    *out = session_.draws();
    return session_.draws_status();
  };
  inputs.zodiac = &session_.zodiac();
  inputs.export_grid = [this](FlexGrid* grid, const char* file) {
    // An empty page would replace an earlier workbook with nothing.
    if (grid->Rows() <= 1) {
      ShowHint(QString::fromUtf8("没有可导出的内容"));
      return;
    }
    ExportGrid(grid, false, file);
  };
  inputs.save_path = [this](const std::string& title, const char* file, const std::string& filter) {
    return prompts_->SaveFile(title, store::ProgramFile(context_.program_folder, file), filter);
  };
  inputs.failed = [this](const std::string& what, const Status& s) { WarnOfFailure(what, s); };
  inputs.running = [this](bool running) { SetHistoryCommandsEnabled(!running); };
  return inputs;
}

void FrmMain::FillResultGrids(const search::SearchCriteria& c, const search::SearchResult& result) {
  grid2_->setVisible(false);
  grid2_->SetRows(static_cast<int>(result.matched.size()) + 1);
  grid2_->SetCols(9);
  grid2_->SetText(0, 0, QString::fromUtf8("期号"));
  grid2_->SetColWidthTwips(0, 1000);
  for (int i = 1; i <= 7; ++i) {
    grid2_->SetText(0, i, i <= 6 ? QString::fromUtf8("红%1球").arg(i) : QString::fromUtf8("蓝球"));
    grid2_->SetColWidthTwips(i, 800);
  }
  grid2_->SetText(0, 8,
                  QString::fromUtf8(c.basis == search::Basis::kEarlier ? "前期开奖" : "上期开奖"));
  for (std::size_t r = 0; r < result.matched.size(); ++r) {
    const search::MatchedDraw& draw = result.matched[r];
    const int row = static_cast<int>(r) + 1;
    grid2_->SetText(row, 0, QString::number(draw.issue));
    for (int i = 1; i <= 7; ++i) {
      grid2_->SetText(row, i, ValueText(draw.values[i], c.result_kind, c.sx_ini));
    }
    grid2_->SetText(row, 8, QString::fromStdString(draw.pattern_side_list));
  }
  // The list column is the last and often runs past the grid's edge: it is as wide as its
  // heading and lists, and its heading stands at its left so that it shows whenever the column's
  // start does.
  grid2_->resizeColumnToContents(8);
  grid2_->horizontalHeaderItem(8)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid2_->setVisible(true);

  grid3_->SetRows(static_cast<int>(result.ranking.size()) + 1);
  grid3_->setVisible(false);
  grid3_->SetCols(4);
  const char* const headings[4] = {"序号", "结果", "出现次数", "百分比"};
  for (int col = 0; col < 4; ++col) grid3_->SetText(0, col, QString::fromUtf8(headings[col]));
  for (std::size_t r = 0; r < result.ranking.size(); ++r) {
    const search::RankedValue& ranked = result.ranking[r];
    const int row = static_cast<int>(r) + 1;
    grid3_->SetText(row, 0, QString::number(row));
    grid3_->SetText(row, 1, ValueText(ranked.value, c.result_kind, c.sx_ini));
    grid3_->SetText(row, 2, QString::number(ranked.count));
    grid3_->SetText(row, 3, QString::fromStdString(search::Percentage(ranked.count, result.total)));
  }
  grid3_->setVisible(true);
  analysis_->ShowRanking(c, result);
}

}  // namespace brivo
