#pragma once

#include <QWidget>

#include "search/backtest.h"
#include "search/criteria.h"

class QChart;
class QChartView;

namespace brivo {

// The page 图表: the ranking of the last search beside an even spread, and the last back-test's
// cumulative hits beside what chance alone would have hit.
class ChartPage : public QWidget {
  Q_OBJECT

 public:
  explicit ChartPage(QWidget* parent = nullptr);

  QChartView* ranking_view() const { return ranking_; }
  QChartView* backtest_view() const { return backtest_; }
  void ShowRanking(const search::SearchCriteria& c, const search::SearchResult& result);
  void ShowBacktest(const search::BacktestResult& result);

 private:
  // Puts a fresh chart with this title into the view, its fonts readable in Chinese.
  static QChart* Fresh(QChartView* view, const QString& title);

  QChartView* ranking_ = nullptr;
  QChartView* backtest_ = nullptr;
};

}  // namespace brivo
