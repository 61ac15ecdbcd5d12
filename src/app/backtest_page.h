#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "app/analysis_inputs.h"
#include "search/backtest.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace brivo {

// The page 回测检验: the walk-forward back-test of the current settings, its rows and summary.
class BacktestPage : public QWidget {
  Q_OBJECT

 public:
  // REQUIRES: `inputs` outlives the page.
  explicit BacktestPage(const AnalysisInputs& inputs, QWidget* parent = nullptr);

  FlexGrid* grid() const { return grid_; }
  bool running() const { return running_; }
  // Told of each back-test that ran (also one cancelled part-way), after its rows are shown.
  void SetFinished(std::function<void(const search::BacktestResult&)> finished) {
    finished_ = std::move(finished);
  }
  // Asked to back-test every setting of the search's family (全部设置回测).
  void SetFamilyAsked(
      std::function<void(const search::SearchCriteria&, search::SearchType, int top_k)> asked) {
    family_asked_ = std::move(asked);
  }
  void Command6_Click();
  void Command8_Click();
  // Enables or disables the page's commands (not 取消) while the window runs a long command.
  void SetCommandsEnabled(bool enabled);
  // What the summary says: the targets, the means, d̄ with its 95% interval, the verdict.
  static QString SummaryText(const search::BacktestSummary& s);

 private:
  std::optional<int> ReadTopK();
  search::SearchType Type() const;
  void Run(const search::SearchCriteria& c, int top_k);
  void SetRunning(bool running);
  // Takes the last run's rows off the page; the summary line says why.
  void ClearResult(const QString& why);
  void Fill(const search::BacktestResult& r, store::Kind kind, int sx_ini);

  const AnalysisInputs& inputs_;
  QPushButton* command6_ = nullptr;
  QPushButton* command8_ = nullptr;
  QLineEdit* text4_ = nullptr;
  std::array<QRadioButton*, 2> option7_{};
  QProgressBar* progress_ = nullptr;
  QPushButton* cancel_ = nullptr;
  FlexGrid* grid_ = nullptr;
  QLabel* summary_ = nullptr;
  std::function<void(const search::BacktestResult&)> finished_;
  std::function<void(const search::SearchCriteria&, search::SearchType, int)> family_asked_;
  bool running_ = false;
  bool cancel_asked_ = false;
};

}  // namespace brivo
