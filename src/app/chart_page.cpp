// The two charts, each drawn afresh from a search's ranking or a back-test's rows.

#include "app/chart_page.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/analysis_inputs.h"

namespace brivo {
namespace {

// The first of these the machine has draws the captions; the others stand in for it.
QFont ChineseFont(int point_size, bool bold = false) {
  QFont font;
  font.setFamilies(
      {"WenQuanYi Micro Hei", "Microsoft YaHei", "SimSun", "Noto Sans CJK SC", font.family()});
  font.setPointSize(point_size);
  font.setBold(bold);
  return font;
}

// Whole-number ticks 1, 2 or 5 times a power of ten apart, about five of them, from 0 to past
// `top`.
void WholeTicks(QValueAxis* axis, double top) {
  double step = 1;
  for (double scale = 1; step * 5 < top; scale *= 10) {
    for (double m : {1.0, 2.0, 5.0}) {
      step = m * scale;
      if (step * 5 >= top) break;
    }
  }
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setTickInterval(step);
  axis->setRange(0, std::max(step, std::ceil(top / step) * step));
  axis->setLabelFormat("%.0f");
}

void Attach(QChart* chart, QAbstractAxis* axis, Qt::Alignment side, const QString& title) {
  axis->setLabelsFont(ChineseFont(8));
  axis->setTitleFont(ChineseFont(9));
  axis->setTitleText(title);
  chart->addAxis(axis, side);
  for (QAbstractSeries* series : chart->series()) series->attachAxis(axis);
}

}  // namespace

ChartPage::ChartPage(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  ranking_ = new QChartView;
  ranking_->setObjectName("RankingChart");
  backtest_ = new QChartView;
  backtest_->setObjectName("BacktestChart");
  for (QChartView* view : {ranking_, backtest_}) {
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(160);
    layout->addWidget(view, 1);
  }
  Fresh(ranking_, QString::fromUtf8("检索结果排名：检索后显示"));
  Fresh(backtest_, QString::fromUtf8("回测检验累计命中：回测后显示"));
}

QChart* ChartPage::Fresh(QChartView* view, const QString& title) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->setTitleFont(ChineseFont(10, true));
  chart->legend()->setFont(ChineseFont(9));
  chart->legend()->setAlignment(Qt::AlignBottom);
  QChart* old = view->chart();
  view->setChart(chart);
  delete old;
  return chart;
}

void ChartPage::ShowRanking(const search::SearchCriteria& c, const search::SearchResult& result) {
  const auto n = static_cast<double>(result.ranking.size());
  const double even = n > 0 ? static_cast<double>(result.total) / n : 0;
  QChart* chart = Fresh(ranking_, QString::fromUtf8("检索结果排名（%1个值，共%2次）")
                                      .arg(result.ranking.size())
                                      .arg(result.total));
  auto* counts = new QBarSet(QString::fromUtf8("出现次数"));
  auto* spread = new QLineSeries;
  spread->setName(QString::fromUtf8("平均分布（每值%1次）").arg(Decimals(even)));
  QStringList values;
  double top = even;
  for (std::size_t i = 0; i < result.ranking.size(); ++i) {
    const search::RankedValue& ranked = result.ranking[i];
    values << ValueText(ranked.value, c.result_kind, c.sx_ini);
    *counts << static_cast<double>(ranked.count);
    spread->append(static_cast<double>(i), even);
    top = std::max(top, static_cast<double>(ranked.count));
  }
  auto* bars = new QBarSeries;
  bars->append(counts);
  chart->addSeries(bars);
  chart->addSeries(spread);
  auto* across = new QBarCategoryAxis;
  across->append(values);
  Attach(chart, across, Qt::AlignBottom, QString::fromUtf8("值（按出现次数排序）"));
  auto* up = new QValueAxis;
  WholeTicks(up, top);
  Attach(chart, up, Qt::AlignLeft, QString::fromUtf8("出现次数"));
}

void ChartPage::ShowBacktest(const search::BacktestResult& result) {
  const std::vector<search::BacktestRow>& rows = result.rows;
  QString title = QString::fromUtf8("回测检验：累计命中与累计随机期望");
  if (!rows.empty())
    title += QString::fromUtf8("（%1～%2）").arg(rows.front().issue).arg(rows.back().issue);
  QChart* chart = Fresh(backtest_, title);
  auto* hits = new QLineSeries;
  hits->setName(QString::fromUtf8("累计命中"));
  auto* chance = new QLineSeries;
  chance->setName(QString::fromUtf8("累计随机期望"));
  double h = 0;
  double c = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    h += rows[i].hits;
    c += rows[i].chance;
    hits->append(static_cast<double>(i + 1), h);
    chance->append(static_cast<double>(i + 1), c);
  }
  chart->addSeries(hits);
  chart->addSeries(chance);
  auto* across = new QValueAxis;
  WholeTicks(across, static_cast<double>(rows.size()));
  across->setMax(std::max<double>(1, static_cast<double>(rows.size())));  // ends at the last
  Attach(chart, across, Qt::AlignBottom, QString::fromUtf8("检验期数"));
  auto* up = new QValueAxis;
  WholeTicks(up, std::max(h, c));
  Attach(chart, up, Qt::AlignLeft, QString::fromUtf8("累计个数"));
}

}  // namespace brivo
