#include "app/chart_plot.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace brivo {
namespace {

// The width of a chart not given to its bars: the left axis with its caption and the margins.
constexpr int kBesideBars = 100;
// The least room between two bar labels side by side.
constexpr int kLabelGap = 6;
// The room around the title and the legend on one line.
constexpr int kBesideTitle = 60;

// Ticks 1, 2 or 5 times a power of ten apart, never closer than 1, about as many as the axis
// asks for; without ticks between them.
class WholeTicker : public QCPAxisTicker {
 protected:
  double getTickStep(const QCPRange& range) override {
    const double rough = range.size() / std::max(1, tickCount());
    if (!(rough > 1)) return 1;
    for (double scale = 1; scale < 1e12; scale *= 10) {
      for (double m : {1.0, 2.0, 5.0}) {
        if (m * scale >= rough) return m * scale;
      }
    }
    return rough;
  }
  int getSubTickCount(double) override { return 0; }
};

void WholeTicks(QCPAxis* axis) {
  axis->setTicker(QSharedPointer<WholeTicker>::create());
  axis->setNumberFormat("f");
  axis->setNumberPrecision(0);
  axis->setTickLabelRotation(0);
}

}  // namespace

QFont ChineseFont(int point_size, bool bold) {
  QFont font;
  font.setFamilies(
      {"WenQuanYi Micro Hei", "Microsoft YaHei", "SimSun", "Noto Sans CJK SC", font.family()});
  font.setPointSize(point_size);
  font.setBold(bold);
  return font;
}

ChartPlot::ChartPlot(QWidget* parent) : QCustomPlot(parent) {
  setMouseTracking(true);  // the tooltip follows the mouse without a button held
  setMinimumHeight(160);
  // The top row holds the title and the legend in one line, leaving the plot whole.
  plotLayout()->insertRow(0);
  top_ = new QCPLayoutGrid;
  plotLayout()->addElement(0, 0, top_);
  plotLayout()->setRowStretchFactor(0, 0.001);
  title_ = new QCPTextElement(this, QString(), ChineseFont(10, true));
  top_->addElement(0, 0, title_);
  axisRect()->insetLayout()->take(legend);
  top_->addElement(0, 1, legend);
  top_->setColumnStretchFactors({1, 0.001});
  // The legend clear of the right edge: it measures the symbols in its captions (Σ, √) short.
  top_->setMargins(QMargins(0, 0, 24, 0));
  legend->setVisible(true);
  legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  legend->setBorderPen(Qt::NoPen);
  legend->setBrush(Qt::NoBrush);
  legend->setFont(ChineseFont(9));
  for (QCPAxis* axis : {xAxis, yAxis}) {
    axis->setTickLabelFont(ChineseFont(9));
    axis->setLabelFont(ChineseFont(9));
  }
  Reset(QString());
}

void ChartPlot::Reset(const QString& title) {
  clearPlottables();
  clearItems();
  hover_ = nullptr;
  bar_labels_.clear();
  title_->setText(title);
  WholeTicks(xAxis);
  WholeTicks(yAxis);
  xAxis->setSubTicks(false);
  yAxis->setSubTicks(false);
}

void ChartPlot::SetBarLabels(const QStringList& labels) {
  bar_labels_ = labels;
  auto ticker = QSharedPointer<QCPAxisTickerText>::create();
  for (int i = 0; i < labels.size(); ++i) ticker->addTick(i + 1, labels[i]);
  xAxis->setTicker(ticker);
  xAxis->setRange(0.4, static_cast<double>(labels.size()) + 0.6);
}

void ChartPlot::FitTo(int plot_width) {
  if (!bar_labels_.isEmpty()) {
    const QFontMetrics metrics(xAxis->tickLabelFont());
    int widest = 0;
    for (const QString& label : bar_labels_) {
      widest = std::max(widest, metrics.horizontalAdvance(label));
    }
    const int room = (plot_width - kBesideBars) / static_cast<int>(bar_labels_.size());
    xAxis->setTickLabelRotation(widest + kLabelGap > room ? -90 : 0);
  }
  const int line = QFontMetrics(title_->font()).horizontalAdvance(title_->text()) +
                   legend->minimumOuterSizeHint().width() + kBesideTitle;
  const bool beside = line <= plot_width;
  if (beside == (top_->columnCount() == 2)) return;
  top_->take(legend);
  top_->simplify();
  if (beside) {
    top_->addElement(0, 1, legend);
    top_->setColumnStretchFactors({1, 0.001});
  } else {
    top_->addElement(1, 0, legend);
  }
}

void ChartPlot::Draw() {
  FitTo(width());
  replot();
}

void ChartPlot::resizeEvent(QResizeEvent* event) {
  FitTo(event->size().width());
  QCustomPlot::resizeEvent(event);  // lays the chart out anew and draws it
}

void ChartPlot::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  QString tip;
  if (hover_ && axisRect()->rect().contains(at.toPoint())) {
    tip = hover_(xAxis->pixelToCoord(at.x()), yAxis->pixelToCoord(at.y()));
  }
  if (tip.isEmpty()) {
    QToolTip::hideText();
  } else {
    QToolTip::showText(event->globalPosition().toPoint(), tip, this);
  }
  QCustomPlot::mouseMoveEvent(event);
}

}  // namespace brivo
