#pragma once

#include <QWidget>

#include "app/analysis_inputs.h"
#include "search/criteria.h"

class QStackedWidget;
class QTabBar;

namespace brivo {

class BacktestPage;
class ChartPage;
class FamilyPage;
class OmissionPage;

// The result area's tab strip `TabStrip2`: 检索结果 (the window's own result grids), 遗漏统计,
// 回测检验, 图表 and 全部回测. The window gives it its inputs, its results page, and each search's
// ranking.
class AnalysisTabs : public QWidget {
  Q_OBJECT

 public:
  enum Page { kResults = 0, kOmission = 1, kBacktest = 2, kChart = 3, kFamily = 4 };

  // REQUIRES: criteria, draws and zodiac are set.
  explicit AnalysisTabs(AnalysisInputs inputs, QWidget* parent = nullptr);

  // The widget of the page 检索结果, which the tabs then own; an earlier one is deleted.
  void SetResultsPage(QWidget* page);
  // Enables or disables the pages' commands that read the history, while the window runs a
  // long command.
  void SetCommandsEnabled(bool enabled);
  // Draws the ranking of a search that has just been shown in the result grids.
  void ShowRanking(const search::SearchCriteria& c, const search::SearchResult& result);

  QTabBar* tab_strip() const { return tab_strip_; }
  OmissionPage* omission_page() const { return omission_; }
  BacktestPage* backtest_page() const { return backtest_; }
  ChartPage* chart_page() const { return chart_; }
  FamilyPage* family_page() const { return family_; }

 private:
  AnalysisInputs inputs_;
  QTabBar* tab_strip_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QWidget* results_ = nullptr;
  OmissionPage* omission_ = nullptr;
  BacktestPage* backtest_ = nullptr;
  ChartPage* chart_ = nullptr;
  FamilyPage* family_ = nullptr;
};

}  // namespace brivo
