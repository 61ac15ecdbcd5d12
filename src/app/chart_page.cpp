// The two charts, each drawn afresh from a search's ranking or a back-test's rows, and both saved
// as one image.

#include "app/chart_page.h"

#include <QBuffer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/chart_plot.h"
#include "platform/base/file_util.h"
#include "platform/qt/wait_cursor.h"

namespace brivo {
namespace {

constexpr double kBarWidth = 0.7;
const QColor kBarColor(70, 130, 180);
const QColor kSpreadColor(220, 90, 30);
const QColor kCurveColor(20, 40, 140);
const QColor kBandColor(120, 120, 120);
constexpr double kZBin = 0.5;
constexpr double kZReach = 4;

// The index of the item at `key` of a chart whose items stand at keys first, first + 1, …;
// -1 beyond them or further than `reach` from the nearest.
int ItemAt(double key, int first, int count, double reach) {
  const auto i = static_cast<int>(std::lround(key)) - first;
  if (i < 0 || i >= count || std::abs(key - (i + first)) > reach) return -1;
  return i;
}

}  // namespace

ChartPage::ChartPage(const AnalysisInputs& inputs, QWidget* parent)
    : QWidget(parent), inputs_(inputs) {
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  command7_ = new QPushButton(QString::fromUtf8("保存图表(&P)"));
  command7_->setObjectName("Command7");
  command7_->setToolTip(QString::fromUtf8("将两张图表上下拼成一张PNG图片保存"));
  bar->addWidget(command7_);
  note_ = new QLabel;
  note_->setObjectName("ChartNote");
  note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  bar->addWidget(note_, 1);
  layout->addLayout(bar);
  ranking_ = new ChartPlot;
  ranking_->setObjectName("RankingChart");
  backtest_ = new ChartPlot;
  backtest_->setObjectName("BacktestChart");
  family_ = new ChartPlot;
  family_->setObjectName("FamilyChart");
  family_->setVisible(false);  // until a family has been back-tested
  for (ChartPlot* plot : {ranking_, backtest_, family_}) layout->addWidget(plot, 1);
  ranking_->Reset(QString::fromUtf8("检索结果排名：检索后显示"));
  backtest_->Reset(QString::fromUtf8("回测检验：回测后显示命中与随机期望之差的累计"));

  connect(command7_, &QPushButton::clicked, this, [this] { Command7_Click(); });
}

void ChartPage::ShowRanking(const search::SearchCriteria& c, const search::SearchResult& result) {
  const auto n = static_cast<int>(result.ranking.size());
  const double even = n > 0 ? static_cast<double>(result.total) / n : 0;
  ranking_->Reset(QString::fromUtf8("检索结果排名（%1个值，共%2次）").arg(n).arg(result.total));
  QStringList values;
  QVector<double> keys;
  QVector<double> counts;
  double top = even;
  for (int i = 0; i < n; ++i) {
    const search::RankedValue& ranked = result.ranking[static_cast<std::size_t>(i)];
    values << ValueText(ranked.value, c.result_kind, c.sx_ini);
    keys << i + 1;
    counts << static_cast<double>(ranked.count);
    top = std::max(top, counts.back());
  }
  auto* bars = new QCPBars(ranking_->xAxis, ranking_->yAxis);
  bars->setName(QString::fromUtf8("出现次数"));
  bars->setWidth(kBarWidth);
  bars->setPen(Qt::NoPen);
  bars->setBrush(kBarColor);
  bars->setData(keys, counts, true);
  QCPGraph* spread = ranking_->addGraph();
  spread->setName(QString::fromUtf8("平均分布（每值%1次）").arg(Decimals(even)));
  spread->setPen(QPen(kSpreadColor, 2, Qt::DashLine));
  spread->setData({0.4, n + 0.6}, {even, even}, true);
  ranking_->SetBarLabels(values);
  ranking_->xAxis->setLabel(QString::fromUtf8("值（按出现次数排序）"));
  ranking_->yAxis->setLabel(QString::fromUtf8("出现次数"));
  ranking_->yAxis->setRange(0, std::max(1.0, top * 1.1));
  ranking_->SetHover([values, counts, even](double key, double) {
    const int i = ItemAt(key, 1, static_cast<int>(values.size()), kBarWidth / 2);
    if (i < 0) return QString();
    return QString::fromUtf8("第%1名 %2：出现%3次（平均%4次）")
        .arg(i + 1)
        .arg(values[i])
        .arg(counts[i])
        .arg(Decimals(even));
  });
  ranking_->Draw();
}

void ChartPage::ShowBacktest(const search::BacktestResult& result) {
  const std::vector<search::BacktestRow>& rows = result.rows;
  const double s = result.summary.deviation;
  // The title shares its line with the legend: the issues tested go under the axis.
  QString across = QString::fromUtf8("检验期数t");
  if (!rows.empty()) {
    across += QString::fromUtf8("（%1～%2，共%3期）")
                  .arg(rows.front().issue)
                  .arg(rows.back().issue)
                  .arg(rows.size());
  }
  backtest_->Reset(QString::fromUtf8("回测检验：命中与随机期望之差的累计"));
  // Every series starts at 0 before the first target.
  QVector<double> t = {0};
  QVector<double> sums = {0};
  QVector<double> highs = {0};
  QVector<double> lows = {0};
  double sum = 0;
  double reach = 1;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    sum += rows[i].hits - rows[i].chance;
    const double band = 1.96 * s * std::sqrt(static_cast<double>(i + 1));
    t << static_cast<double>(i + 1);
    sums << sum;
    highs << band;
    lows << -band;
    reach = std::max({reach, std::abs(sum), band});
  }
  QCPGraph* curve = backtest_->addGraph();
  QCPGraph* high = backtest_->addGraph();
  QCPGraph* low = backtest_->addGraph();
  curve->setName(QString::fromUtf8("累计差Σ(命中−随机期望)"));
  curve->setPen(QPen(kCurveColor, 2));
  curve->setData(t, sums, true);
  high->setName(QString::fromUtf8("随机的95%范围±1.96·s·√t"));
  for (QCPGraph* edge : {high, low}) edge->setPen(QPen(kBandColor, 1, Qt::DashLine));
  high->setBrush(QColor(kBandColor.red(), kBandColor.green(), kBandColor.blue(), 50));
  high->setChannelFillGraph(low);
  high->setData(t, highs, true);
  low->setData(t, lows, true);
  low->removeFromLegend();
  auto* zero = new QCPItemStraightLine(backtest_);
  zero->point1->setCoords(0, 0);
  zero->point2->setCoords(1, 0);
  zero->setPen(QPen(kBandColor, 1));
  backtest_->xAxis->setLabel(across);
  backtest_->yAxis->setLabel(QString::fromUtf8("累计差（个）"));
  // Half a step past the last target, for its tooltip.
  backtest_->xAxis->setRange(0, static_cast<double>(rows.size()) + 0.5);
  backtest_->yAxis->setRange(-reach * 1.1, reach * 1.1);

  std::vector<search::BacktestRow> kept = rows;
  backtest_->SetHover([kept, sums, highs](double key, double) {
    const int i = ItemAt(key, 1, static_cast<int>(kept.size()), 0.5);
    if (i < 0) return QString();
    const search::BacktestRow& row = kept[static_cast<std::size_t>(i)];
    return QString::fromUtf8("第%1期检验（%2）：命中%3，随机期望%4\n累计差%5，随机的95%范围±%6")
        .arg(i + 1)
        .arg(row.issue)
        .arg(row.hits)
        .arg(Decimals(row.chance), Decimals(sums[i + 1]), Decimals(highs[i + 1]));
  });
  backtest_->Draw();
}

void ChartPage::ShowFamily(const search::FamilyResult& result) {
  const auto bins = static_cast<int>(2 * kZReach / kZBin);
  QVector<double> centres;
  QVector<double> counts(bins, 0);
  for (int b = 0; b < bins; ++b) centres << -kZReach + (b + 0.5) * kZBin;
  int m = 0;
  for (const search::FamilyRow& row : result.rows) {
    if (row.summary.deviation < search::kNoSpreadBelow || row.summary.targets < 2) continue;
    const auto b = static_cast<int>(std::floor((row.z + kZReach) / kZBin));
    ++counts[std::clamp(b, 0, bins - 1)];
    ++m;
  }
  family_->setVisible(true);
  family_->Reset(QString::fromUtf8("全部回测：%1个设置的z值分布").arg(m));
  auto* bars = new QCPBars(family_->xAxis, family_->yAxis);
  bars->setName(QString::fromUtf8("设置个数"));
  bars->setWidth(kZBin * 0.9);
  bars->setPen(Qt::NoPen);
  bars->setBrush(kBarColor);
  bars->setData(centres, counts, true);
  // m settings of pure chance: m · bin width · φ(z).
  QVector<double> zs;
  QVector<double> expected;
  double top = 1;
  for (double z = -kZReach; z <= kZReach + 1e-9; z += 0.05) {
    zs << z;
    expected << m * kZBin * std::exp(-z * z / 2) / std::sqrt(2 * std::numbers::pi);
    top = std::max(top, expected.back());
  }
  for (double c : counts) top = std::max(top, c);
  QCPGraph* curve = family_->addGraph();
  curve->setName(QString::fromUtf8("纯属随机时（标准正态）"));
  curve->setPen(QPen(kSpreadColor, 2));
  curve->setData(zs, expected, true);
  family_->xAxis->setLabel(QString::fromUtf8("z = d̄ ÷ (s/√T)"));
  family_->yAxis->setLabel(QString::fromUtf8("设置个数"));
  family_->xAxis->setRange(-kZReach, kZReach);
  family_->yAxis->setRange(0, top * 1.1);
  family_->SetHover([counts, m](double key, double) {
    const auto b = static_cast<int>(std::floor((key + kZReach) / kZBin));
    if (b < 0 || b >= counts.size()) return QString();
    const double from = -kZReach + b * kZBin;
    const double chance =
        m * (std::erfc(-(from + kZBin) / std::sqrt(2.0)) - std::erfc(-from / std::sqrt(2.0))) / 2;
    return QString::fromUtf8("z在%1～%2：%3个设置（纯属随机时约%4个）")
        .arg(Decimals(from, 1), Decimals(from + kZBin, 1))
        .arg(counts[b])
        .arg(Decimals(chance, 1));
  });
  family_->Draw();
}

QImage ChartPage::Image() {
  std::vector<ChartPlot*> shown = {ranking_, backtest_};
  if (family_->isVisibleTo(this)) shown.push_back(family_);
  QImage image(kImageWidth, static_cast<int>(shown.size()) * kImageChartHeight,
               QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  int y = 0;
  for (ChartPlot* plot : shown) {
    plot->FitTo(kImageWidth);
    painter.drawPixmap(0, y, plot->toPixmap(kImageWidth, kImageChartHeight));
    plot->FitTo(plot->width());
    y += kImageChartHeight;
  }
  return image;
}

Status ChartPage::SaveImage(const std::string& path) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !Image().save(&buffer, "PNG")) {
    return Status::IoError("cannot encode the charts as PNG");
  }
  // A failed write leaves the file under the name as it was.
  return WriteFileAtomically(
      path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void ChartPage::Command7_Click() {
  if (!inputs_.save_path) return;
  const std::optional<std::string> path =
      inputs_.save_path("保存图表", exports::kChartImage, "PNG (*.png)");
  if (!path) return;
  Status s;
  {
    WaitCursor wait;
    s = SaveImage(*path);
  }
  if (!s.ok()) {
    note_->clear();
    inputs_.Fail("无法写入文件 " + *path, s, note_);
    return;
  }
  note_->setText(QString::fromUtf8("图表已保存到 %1").arg(QString::fromStdString(*path)));
}

}  // namespace brivo
