// The back-test from the page: K and the search from its controls, the rest from the window's
// criteria; a progress bar and 取消 while it runs, the window answering all the while.

#include "app/backtest_page.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/flex_grid.h"
#include "app/grid_double_click.h"
#include "platform/qt/wait_cursor.h"
#include "search/chance.h"
#include "search/evaluator.h"

namespace brivo {
namespace {

constexpr int kMaxTopK = 99;
// How often a running back-test shows its progress and lets the window answer.
constexpr qint64 kProgressMilliseconds = 50;

const char* const kHeadings[5] = {"期号", "前K名", "命中", "随机期望", "匹配期数"};

}  // namespace

BacktestPage::BacktestPage(const AnalysisInputs& inputs, QWidget* parent)
    : QWidget(parent), inputs_(inputs) {
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  command6_ = new QPushButton(QString::fromUtf8("回测检验(&B)"));
  command6_->setObjectName("Command6");
  command6_->setToolTip(
      QString::fromUtf8("在检索起止期数内逐期检验：只用此前的历史检索，前K名与该期开奖对照"));
  bar->addWidget(command6_);
  command8_ = new QPushButton(QString::fromUtf8("全部设置回测(&A)"));
  command8_->setObjectName("Command8");
  command8_->setToolTip(
      QString::fromUtf8("回测所选检索方式的全部648个设置，按整组设置校正p值，结果在“全部回测”页"));
  bar->addWidget(command8_);
  bar->addWidget(new QLabel(QString::fromUtf8("前K名")));
  text4_ = new QLineEdit("6");
  text4_->setObjectName("Text4");
  text4_->setMaximumWidth(40);
  text4_->setAlignment(Qt::AlignCenter);
  bar->addWidget(text4_);
  const char* const captions[2] = {"位置检索", "组合检索"};
  for (int i = 0; i < 2; ++i) {
    auto* option = new QRadioButton(QString::fromUtf8(captions[i]));
    option->setObjectName(QString("Option7(%1)").arg(i));
    option7_[static_cast<std::size_t>(i)] = option;
    bar->addWidget(option);
  }
  option7_[0]->setChecked(true);
  progress_ = new QProgressBar;
  progress_->setObjectName("BacktestProgress");
  cancel_ = new QPushButton(QString::fromUtf8("取消"));
  cancel_->setObjectName("BacktestCancel");
  bar->addWidget(progress_, 1);
  bar->addWidget(cancel_);
  bar->addStretch();
  layout->addLayout(bar);
  grid_ = new FlexGrid;
  grid_->setObjectName("MSFlexGrid5");
  grid_->setToolTip(QString::fromUtf8("鼠标双击列表可以将列表导出到EXCEL"));
  layout->addWidget(grid_, 1);
  summary_ = new QLabel;
  summary_->setObjectName("BacktestSummary");
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(summary_);
  SetRunning(false);

  connect(command6_, &QPushButton::clicked, this, [this] { Command6_Click(); });
  connect(command8_, &QPushButton::clicked, this, [this] { Command8_Click(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { cancel_asked_ = true; });
  OnDoubleClick(grid_, [this] {
    if (inputs_.export_grid) inputs_.export_grid(grid_, exports::kBacktestWorkbook);
  });
}

std::optional<int> BacktestPage::ReadTopK() {
  bool whole = false;
  const int k = text4_->text().trimmed().toInt(&whole);
  if (whole && k >= 1 && k <= kMaxTopK) return k;
  // No rows of the last run stay under the refusal, as if they answered it.
  ClearResult(QString::fromUtf8("前K名“%1”不是1到%2之间的整数，没有回测")
                  .arg(text4_->text())
                  .arg(kMaxTopK));
  return std::nullopt;
}

void BacktestPage::Command6_Click() {
  if (running_) return;
  const std::optional<int> top_k = ReadTopK();
  if (!top_k) return;
  const std::optional<search::SearchCriteria> c = inputs_.criteria();
  if (!c) {
    ClearResult(QString());  // the window has said why
    return;
  }
  Run(*c, *top_k);
}

void BacktestPage::Command8_Click() {
  if (running_ || !family_asked_) return;
  const std::optional<int> top_k = ReadTopK();
  if (!top_k) return;
  const std::optional<search::SearchCriteria> c = inputs_.criteria();
  if (!c) return;
  family_asked_(*c, Type(), *top_k);
}

search::SearchType BacktestPage::Type() const {
  return option7_[1]->isChecked() ? search::SearchType::kCombination
                                  : search::SearchType::kPosition;
}

void BacktestPage::Run(const search::SearchCriteria& c, int top_k) {
  search::HistoryDraws all;
  {
    WaitCursor wait;
    if (Status s = inputs_.draws(&all); !s.ok()) {
      inputs_.Fail("读取历史号码失败，回测检验没有完成。", s, summary_);
      return;
    }
  }
  search::Evaluator evaluator(std::move(all));
  search::ChanceModel chance(*inputs_.zodiac, {c.sx_ini, c.ds_ini});
  const search::SearchType type = Type();

  // The window answers while the test runs, and may even close: the page may be gone when the
  // events were handled.
  const QPointer<BacktestPage> self(this);
  QElapsedTimer since;
  since.start();
  const search::BacktestProgress progress = [&](std::size_t done, std::size_t total) {
    if (!self) return false;
    if (done == 1 || since.elapsed() >= kProgressMilliseconds) {
      progress_->setMaximum(static_cast<int>(total));
      progress_->setValue(static_cast<int>(done));
      QCoreApplication::processEvents();
      since.restart();
      if (!self) return false;
    }
    return !cancel_asked_;
  };
  SetRunning(true);
  if (inputs_.running) inputs_.running(true);
  const search::BacktestResult result =
      search::RunBacktest(evaluator, c, type, top_k, chance, progress);
  if (!self) return;
  if (inputs_.running) inputs_.running(false);
  SetRunning(false);
  Fill(result, c.result_kind, c.sx_ini);
  if (finished_) finished_(result);
}

void BacktestPage::SetCommandsEnabled(bool enabled) {
  for (QWidget* w : {static_cast<QWidget*>(command6_), static_cast<QWidget*>(command8_),
                     static_cast<QWidget*>(text4_), static_cast<QWidget*>(option7_[0]),
                     static_cast<QWidget*>(option7_[1])}) {
    w->setEnabled(enabled && !running_);
  }
}

void BacktestPage::ClearResult(const QString& why) {
  grid_->SetRows(1);
  summary_->setText(why);
}

void BacktestPage::SetRunning(bool running) {
  running_ = running;
  cancel_asked_ = false;
  command6_->setEnabled(!running);
  command8_->setEnabled(!running);
  text4_->setEnabled(!running);
  for (QRadioButton* option : option7_) option->setEnabled(!running);
  progress_->setRange(0, 0);  // busy until the first count comes
  progress_->setVisible(running);
  cancel_->setVisible(running);
}

QString BacktestPage::SummaryText(const search::BacktestSummary& s) {
  if (s.targets == 0) return QString::fromUtf8("检索起止期数内没有可以检验的期");
  const QString unmatched =
      s.unmatched == 0 ? QString()
                       : QString::fromUtf8("（其中%1期的检索没有匹配的期）").arg(s.unmatched);
  return QString::fromUtf8(
             "检验%1期%2，平均命中%3，平均随机期望%4，平均差d̄=%5，95%区间[%6, %7]：%8")
      .arg(s.targets)
      .arg(unmatched, Decimals(s.mean_hits, 3), Decimals(s.mean_chance, 3),
           Decimals(s.mean_difference, 3), Decimals(s.low, 3), Decimals(s.high, 3),
           QString::fromStdString(search::VerdictText(s.verdict)));
}

void BacktestPage::Fill(const search::BacktestResult& r, store::Kind kind, int sx_ini) {
  WaitCursor wait;
  grid_->setVisible(false);
  // The statistics row only follows rows that were tested.
  const int statistics_rows = r.rows.empty() ? 0 : 1;
  grid_->SetRows(static_cast<int>(r.rows.size()) + 1 + statistics_rows);
  grid_->SetCols(5);
  for (int col = 0; col < 5; ++col) {
    grid_->SetText(0, col, QString::fromUtf8(kHeadings[col]));
    grid_->SetColWidthTwips(col, col == 0 ? 1100 : 900);
  }
  for (std::size_t i = 0; i < r.rows.size(); ++i) {
    const search::BacktestRow& b = r.rows[i];
    const int row = static_cast<int>(i) + 1;
    QStringList top;
    for (std::int64_t v : b.top) top << ValueText(v, kind, sx_ini);
    grid_->SetText(row, 0, QString::number(b.issue));
    grid_->SetText(row, 1, top.join(' '));
    grid_->SetText(row, 2, QString::number(b.hits));
    grid_->SetText(row, 3, Decimals(b.chance));
    grid_->SetText(row, 4, QString::number(b.matched));
  }
  const search::BacktestSummary& s = r.summary;
  if (statistics_rows > 0) {
    const int last = grid_->Rows() - 1;
    const QString interval =
        QString::fromUtf8("d̄=%1 [%2, %3] %4")
            .arg(Decimals(s.mean_difference, 3), Decimals(s.low, 3), Decimals(s.high, 3),
                 QString::fromStdString(search::VerdictText(s.verdict)));
    grid_->SetText(last, 0, QString::fromUtf8("T=%1").arg(s.targets));
    grid_->SetText(last, 1, interval);
    grid_->SetText(last, 2, Decimals(s.mean_hits, 3));
    grid_->SetText(last, 3, Decimals(s.mean_chance, 3));
    // However narrow the column ends up, the whole interval and verdict show on pointing.
    grid_->item(last - 1, 1)->setToolTip(interval);
  }
  grid_->setVisible(true);
  grid_->resizeColumnToContents(1);  // the values and the summary's interval and verdict
  if (statistics_rows > 0) {
    // The fit above measures only the rows in view, and the statistics row is below them.
    const int needed = grid_->fontMetrics().horizontalAdvance(grid_->Text(grid_->Rows() - 1, 1));
    grid_->setColumnWidth(1, std::max(grid_->columnWidth(1), needed + 12));
  }
  grid_->ShowLastRow();
  const QString cancelled = QString::fromUtf8("已取消，只检验了%1期。").arg(r.rows.size());
  summary_->setText((r.cancelled ? cancelled : QString()) + SummaryText(s));
}

}  // namespace brivo
