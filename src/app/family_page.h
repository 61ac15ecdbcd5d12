#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "app/analysis_inputs.h"
#include "search/family_backtest.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace brivo {

// The page 全部回测: every setting of the search's family back-tested at once, one row a setting
// with its z, p and the p adjusted for the whole family, under a summary of the family.
class FamilyPage : public QWidget {
  Q_OBJECT

 public:
  // REQUIRES: `inputs` outlives the page.
  explicit FamilyPage(const AnalysisInputs& inputs, QWidget* parent = nullptr);

  FlexGrid* grid() const { return grid_; }
  bool running() const { return running_; }
  // Back-tests the family of `base` for the search `type` with the first `top_k` values, the
  // window answering all the while; 取消 keeps the settings done.
  void Run(const search::SearchCriteria& base, search::SearchType type, int top_k);
  // Told of each run that ended (also one cancelled part-way), after its rows are shown.
  void SetFinished(std::function<void(const search::FamilyResult&)> finished) {
    finished_ = std::move(finished);
  }
  // Re-sorts the rows by a column (0 序号 .. 14 结论) and shows them again.
  void SortBy(int column);
  // The summary of a run: the settings, the targets, how many pass 5% alone against how many
  // chance alone would pass, and how many stay significant after the adjustment.
  static QString SummaryText(const search::FamilyResult& r);

 private:
  void SetRunning(bool running);
  void Fill();

  const AnalysisInputs& inputs_;
  QLabel* summary_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* cancel_ = nullptr;
  FlexGrid* grid_ = nullptr;
  std::vector<search::FamilyRow> rows_;
  std::function<void(const search::FamilyResult&)> finished_;
  bool running_ = false;
  bool cancel_asked_ = false;
};

}  // namespace brivo
