// The family back-test from the page: the history read once, the settings run on worker threads
// while the window answers, the rows shown sorted by p with the family's summary above them.

#include "app/family_page.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <thread>

#include "app/flex_grid.h"
#include "app/grid_double_click.h"
#include "platform/qt/wait_cursor.h"

namespace brivo {
namespace {

constexpr int kColumns = 15;
const char* const kHeadings[kColumns] = {"序号",     "搜索类型", "结果类型", "检索位",   "检索期",
                                         "结果统计", "检验期数", "平均命中", "随机期望", "差值",
                                         "95%区间",  "z",        "p",        "校正p",    "结论"};

QString BasisName(const search::SearchCriteria& c) {
  return c.basis == search::Basis::kPreceding ? QString::fromUtf8("上期")
                                              : QString::fromUtf8("前%1期").arg(c.Distance());
}

// A verdict needs enough targets and differences that vary.
bool HasEvidence(const search::FamilyRow& row) {
  return row.verdict != search::Verdict::kTooFew && row.verdict != search::Verdict::kNoSpread;
}

// What a column sorts by: a number, or the text shown.
double SortKey(const search::FamilyRow& row, int column) {
  const search::BacktestSummary& s = row.summary;
  switch (column) {
    case 1:
      return static_cast<double>(row.setting.search_kind);
    case 2:
      return static_cast<double>(row.setting.result_kind);
    case 3:
      return row.setting.free_mode ? 1 : 0;
    case 4:
      return row.setting.basis == search::Basis::kPreceding ? 1 : row.setting.Distance();
    case 5:
      return static_cast<double>(row.setting.result_scope);
    case 6:
      return static_cast<double>(s.targets);
    case 7:
      return s.mean_hits;
    case 8:
      return s.mean_chance;
    case 9:
      return s.mean_difference;
    case 10:
      return s.low;
    case 11:
      return row.z;
    case 12:
      return row.p;
    case 13:
      return row.adjusted_p;
    case 14:
      return static_cast<double>(row.verdict);
    default:
      return static_cast<double>(row.index);
  }
}

}  // namespace

FamilyPage::FamilyPage(const AnalysisInputs& inputs, QWidget* parent)
    : QWidget(parent), inputs_(inputs) {
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  summary_ = new QLabel(QString::fromUtf8("在“回测检验”页点击“全部设置回测”，逐一回测每个设置"));
  summary_->setObjectName("FamilySummary");
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  progress_ = new QProgressBar;
  progress_->setObjectName("FamilyProgress");
  cancel_ = new QPushButton(QString::fromUtf8("取消"));
  cancel_->setObjectName("FamilyCancel");
  bar->addWidget(summary_, 1);
  bar->addWidget(progress_);
  bar->addWidget(cancel_);
  layout->addLayout(bar);
  grid_ = new FlexGrid;
  grid_->setObjectName("MSFlexGrid6");
  grid_->setToolTip(QString::fromUtf8("单击标题按该列排序，鼠标双击列表可以将列表导出到EXCEL"));
  layout->addWidget(grid_, 1);
  SetRunning(false);

  connect(cancel_, &QPushButton::clicked, this, [this] { cancel_asked_ = true; });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { SortBy(column); });
  OnDoubleClick(grid_, [this] {
    if (inputs_.export_grid) inputs_.export_grid(grid_, exports::kFamilyWorkbook);
  });
}

void FamilyPage::Run(const search::SearchCriteria& base, search::SearchType type, int top_k) {
  if (running_) return;
  search::HistoryDraws all;
  {
    WaitCursor wait;
    if (Status s = inputs_.draws(&all); !s.ok()) {
      inputs_.Fail("读取历史号码失败，全部设置回测没有完成。", s, summary_);
      return;
    }
  }
  // The workers read `all` and the tables from this frame, which outlives them even when the
  // window closes while the run is being waited for.
  const store::ZodiacTables zodiac = *inputs_.zodiac;
  const QPointer<FamilyPage> self(this);
  const search::FamilyProgress progress = [&](std::size_t done, std::size_t total) {
    if (!self) return false;
    progress_->setMaximum(static_cast<int>(total));
    progress_->setValue(static_cast<int>(done));
    QCoreApplication::processEvents();
    return self && !cancel_asked_;
  };
  SetRunning(true);
  if (inputs_.running) inputs_.running(true);
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  const search::FamilyResult result = search::RunFamilyBacktest(
      all, zodiac, search::FamilySettings(base), type, top_k, threads, progress);
  if (!self) return;
  if (inputs_.running) inputs_.running(false);
  SetRunning(false);
  rows_ = result.rows;
  SortBy(12);
  summary_->setText(SummaryText(result));
  if (finished_) finished_(result);
}

void FamilyPage::SetRunning(bool running) {
  running_ = running;
  cancel_asked_ = false;
  progress_->setRange(0, 0);  // busy until the first count comes
  progress_->setVisible(running);
  cancel_->setVisible(running);
}

QString FamilyPage::SummaryText(const search::FamilyResult& r) {
  std::size_t targets = 0, raw = 0, above = 0, below = 0;
  for (const search::FamilyRow& row : r.rows) {
    targets = std::max(targets, row.summary.targets);
    if (!HasEvidence(row)) continue;
    raw += row.p < 0.05 ? 1 : 0;
    above += row.verdict == search::Verdict::kAbove ? 1 : 0;
    below += row.verdict == search::Verdict::kBelow ? 1 : 0;
  }
  const QString cancelled =
      QString::fromUtf8("已取消，%1个设置中只检验了%2个。").arg(r.family_size).arg(r.rows.size());
  const auto by_chance =
      static_cast<long long>(std::llround(0.05 * static_cast<double>(r.rows.size())));
  return (r.cancelled ? cancelled : QString()) +
         QString::fromUtf8(
             "共%1个设置，检验%2期。未校正p<0.05的有%3个（纯属随机时约%4个）；"
             "校正后显著高于随机的%5个，显著低于随机的%6个。")
             .arg(r.rows.size())
             .arg(targets)
             .arg(raw)
             .arg(by_chance)
             .arg(above)
             .arg(below);
}

void FamilyPage::SortBy(int column) {
  if (column < 0 || column >= kColumns) return;
  std::stable_sort(rows_.begin(), rows_.end(),
                   [column](const search::FamilyRow& a, const search::FamilyRow& b) {
                     return SortKey(a, column) < SortKey(b, column);
                   });
  Fill();
}

void FamilyPage::Fill() {
  WaitCursor wait;
  grid_->setVisible(false);
  grid_->SetRows(static_cast<int>(rows_.size()) + 1);
  grid_->SetCols(kColumns);
  for (int col = 0; col < kColumns; ++col) {
    grid_->SetText(0, col, QString::fromUtf8(kHeadings[col]));
  }
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const search::FamilyRow& f = rows_[i];
    const search::BacktestSummary& s = f.summary;
    const int row = static_cast<int>(i) + 1;
    const QString cells[kColumns] = {
        QString::number(f.index + 1),
        KindName(f.setting.search_kind),
        KindName(f.setting.result_kind),
        QString::fromUtf8(f.setting.free_mode ? "自由位" : "固定位"),
        BasisName(f.setting),
        ScopeName(f.setting.result_scope),
        QString::number(s.targets),
        Decimals(s.mean_hits, 3),
        Decimals(s.mean_chance, 3),
        Decimals(s.mean_difference, 3),
        QString("[%1, %2]").arg(Decimals(s.low, 3), Decimals(s.high, 3)),
        Decimals(f.z, 2),
        Decimals(f.p, 4),
        Decimals(f.adjusted_p, 4),
        QString::fromStdString(search::VerdictText(f.verdict))};
    for (int col = 0; col < kColumns; ++col) grid_->SetText(row, col, cells[col]);
  }
  grid_->setVisible(true);
  grid_->resizeColumnsToContents();
}

}  // namespace brivo
