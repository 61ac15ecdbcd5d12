#pragma once

#include <qcustomplot.h>

#include <QString>
#include <QStringList>
#include <functional>

namespace brivo {

// A chart of the page 图表 that reads at any window size: a title with the legend beside it,
// captions in a font that has Chinese, whole-number ticks on both axes (or a label under each
// bar), the bar labels turned upright when they would run into each other, and a tooltip with
// the values under the mouse.
class ChartPlot : public QCustomPlot {
  Q_OBJECT

 public:
  explicit ChartPlot(QWidget* parent = nullptr);

  // Removes what was drawn and titles the chart afresh; both axes get whole-number ticks.
  void Reset(const QString& title);
  // Gives bar i (key i + 1) its label under the bottom axis, which then spans the bars.
  void SetBarLabels(const QStringList& labels);
  // Lays the captions out for the chart at this width: the bar labels side by side or, with no
  // room for that, upright; the legend beside the title or, with no room, under it.
  void FitTo(int width);
  // Fits the captions to the chart's present width and draws it.
  void Draw();
  // What the tooltip says at a point given in axis coordinates; empty for no tooltip.
  void SetHover(std::function<QString(double key, double value)> hover) {
    hover_ = std::move(hover);
  }

  QString title() const { return title_->text(); }
  const QStringList& bar_labels() const { return bar_labels_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  QCPLayoutGrid* top_ = nullptr;  // the title, then the legend beside it or under it
  QCPTextElement* title_ = nullptr;
  QStringList bar_labels_;
  std::function<QString(double, double)> hover_;
};

// The first of these the machine has draws the captions; the others stand in for it.
QFont ChineseFont(int point_size, bool bold = false);

}  // namespace brivo
