#pragma once

#include <QImage>
#include <QWidget>

#include "app/analysis_inputs.h"
#include "platform/base/status.h"
#include "search/backtest.h"
#include "search/criteria.h"
#include "search/family_backtest.h"

class QLabel;
class QPushButton;

namespace brivo {

class ChartPlot;

// The page 图表: the ranking of the last search beside an even spread, and the last back-test's
// running difference between hits and chance inside chance's 95% band; after a family back-test
// also the spread of its settings' z over the normal curve. 保存图表 saves the charts shown as one
// PNG image.
class ChartPage : public QWidget {
  Q_OBJECT

 public:
  // Each chart's size in the saved image: the width of a maximised window's chart, and room
  // below the plot for upright labels.
  static constexpr int kImageWidth = 1200;
  static constexpr int kImageChartHeight = 450;

  // REQUIRES: `inputs` outlives the page.
  explicit ChartPage(const AnalysisInputs& inputs, QWidget* parent = nullptr);

  // The ranking: bar i (key i + 1) the count of the i-th ranked value; graph 0 the even spread.
  ChartPlot* ranking_plot() const { return ranking_; }
  // The back-test at key t (0 before the first target): graph 0 the running Σ(hits − chance),
  // graphs 1 and 2 the top and bottom of chance's 95% band, ±1.96·s·√t.
  ChartPlot* backtest_plot() const { return backtest_; }
  void ShowRanking(const search::SearchCriteria& c, const search::SearchResult& result);
  void ShowBacktest(const search::BacktestResult& result);
  // The histogram of the z of every setting with a spread (bins 0.5 wide over -4..4, the rest in
  // the end bins) under the standard normal curve scaled to their number: graph 0 the curve.
  ChartPlot* family_plot() const { return family_; }
  void ShowFamily(const search::FamilyResult& result);

  // 保存图表: both charts as one PNG image, under a name the user picks in the file dialog.
  void Command7_Click();
  // The charts shown, the ranking on top, each kImageWidth × kImageChartHeight.
  QImage Image();

 private:
  Status SaveImage(const std::string& path);

  const AnalysisInputs& inputs_;
  QPushButton* command7_ = nullptr;
  QLabel* note_ = nullptr;  // where the image was saved
  ChartPlot* ranking_ = nullptr;
  ChartPlot* backtest_ = nullptr;
  ChartPlot* family_ = nullptr;
};

}  // namespace brivo
