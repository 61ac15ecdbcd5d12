// The omission table: read the criteria and the history, count, show; a heading re-sorts.

#include "app/omission_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/flex_grid.h"
#include "app/grid_double_click.h"
#include "platform/qt/wait_cursor.h"
#include "search/chance.h"

namespace brivo {
namespace {

const char* const kHeadings[8] = {"值",       "出现次数", "理论次数", "理论偏差",
                                  "当前遗漏", "上次遗漏", "最大遗漏", "平均遗漏"};

}  // namespace

OmissionPage::OmissionPage(const AnalysisInputs& inputs, QWidget* parent)
    : QWidget(parent), inputs_(inputs) {
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  command5_ = new QPushButton(QString::fromUtf8("遗漏统计(&M)"));
  command5_->setObjectName("Command5");
  command5_->setToolTip(QString::fromUtf8("按结果类别、结果范围和检索起止期数统计每个值的遗漏"));
  summary_ = new QLabel;
  summary_->setObjectName("OmissionSummary");
  bar->addWidget(command5_);
  bar->addWidget(summary_, 1);
  layout->addLayout(bar);
  grid_ = new FlexGrid;
  grid_->setObjectName("MSFlexGrid4");
  grid_->setToolTip(QString::fromUtf8("单击标题按该列排序，鼠标双击列表可以将列表导出到EXCEL"));
  layout->addWidget(grid_, 1);

  connect(command5_, &QPushButton::clicked, this, [this] { Command5_Click(); });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { SortBy(column); });
  OnDoubleClick(grid_, [this] {
    if (inputs_.export_grid) inputs_.export_grid(grid_, exports::kOmissionWorkbook);
  });
}

void OmissionPage::Command5_Click() {
  const std::optional<search::SearchCriteria> c = inputs_.criteria();
  if (!c) {
    // The window has said why; no table of another range stays under it.
    rows_.clear();
    summary_->clear();
    Fill();
    return;
  }
  WaitCursor wait;
  search::HistoryDraws all;
  if (Status s = inputs_.draws(&all); !s.ok()) {
    inputs_.Fail("读取历史号码失败，遗漏统计没有完成。", s, summary_);
    return;
  }
  const search::HistoryDraws range = search::DrawsInRange(all, c->start_issue, c->end_issue);
  search::ChanceModel chance(*inputs_.zodiac, {c->sx_ini, c->ds_ini});
  rows_ = search::OmissionTable(range, c->result_kind, c->result_scope, chance);
  kind_ = c->result_kind;
  sx_ini_ = c->sx_ini;
  summary_->setText(QString::fromUtf8("%1期（%2～%3），%4，%5")
                        .arg(range.size())
                        .arg(c->start_issue)
                        .arg(c->end_issue)
                        .arg(KindName(kind_), ScopeName(c->result_scope)));
  Fill();
}

void OmissionPage::SetCommandsEnabled(bool enabled) { command5_->setEnabled(enabled); }

void OmissionPage::SortBy(int column) {
  if (column < 0 || column > 7 || rows_.empty()) return;
  WaitCursor wait;
  search::SortOmissionRows(&rows_, static_cast<search::OmissionColumn>(column));
  Fill();
}

void OmissionPage::Fill() {
  grid_->setVisible(false);
  grid_->SetRows(static_cast<int>(rows_.size()) + 1);
  grid_->SetCols(8);
  for (int col = 0; col < 8; ++col) {
    grid_->SetText(0, col, QString::fromUtf8(kHeadings[col]));
    grid_->SetColWidthTwips(col, 900);
  }
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    const search::OmissionRow& o = rows_[r];
    const int row = static_cast<int>(r) + 1;
    grid_->SetText(row, 0, ValueText(o.value, kind_, sx_ini_));
    grid_->SetText(row, 1, QString::number(o.appearances));
    grid_->SetText(row, 2, Decimals(o.expected));
    grid_->SetText(row, 3, Decimals(o.deviation));
    grid_->SetText(row, 4, QString::number(o.current_gap));
    grid_->SetText(row, 5, o.last_gap ? QString::number(*o.last_gap) : QString());
    grid_->SetText(row, 6, QString::number(o.longest_gap));
    grid_->SetText(row, 7, Decimals(o.mean_gap));
  }
  grid_->setVisible(true);
}

}  // namespace brivo
