#include "app/analysis_tabs.h"

#include <QPointer>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "app/backtest_page.h"
#include "app/chart_page.h"
#include "app/family_page.h"
#include "app/omission_page.h"

namespace brivo {

AnalysisTabs::AnalysisTabs(AnalysisInputs inputs, QWidget* parent)
    : QWidget(parent), inputs_(std::move(inputs)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  tab_strip_ = new QTabBar;
  tab_strip_->setObjectName("TabStrip2");
  for (const char* caption : {"检索结果", "遗漏统计", "回测检验", "图表", "全部回测"}) {
    tab_strip_->addTab(QString::fromUtf8(caption));
  }
  tab_strip_->setExpanding(false);
  layout->addWidget(tab_strip_);

  pages_ = new QStackedWidget;
  results_ = new QWidget;
  omission_ = new OmissionPage(inputs_);
  backtest_ = new BacktestPage(inputs_);
  chart_ = new ChartPage(inputs_);
  family_ = new FamilyPage(inputs_);
  pages_->addWidget(results_);
  // A page taller than the room left on a laptop's screen (the charts) scrolls, rather than
  // making the whole window taller than the screen.
  for (QWidget* page : {static_cast<QWidget*>(omission_), static_cast<QWidget*>(backtest_),
                        static_cast<QWidget*>(chart_), static_cast<QWidget*>(family_)}) {
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page);
    pages_->addWidget(scroll);
  }
  layout->addWidget(pages_, 1);

  connect(tab_strip_, &QTabBar::currentChanged, pages_, &QStackedWidget::setCurrentIndex);
  backtest_->SetFinished([this](const search::BacktestResult& r) { chart_->ShowBacktest(r); });
  family_->SetFinished([this](const search::FamilyResult& r) { chart_->ShowFamily(r); });
  // The family runs on its own page; the back-test page waits meanwhile.
  backtest_->SetFamilyAsked(
      [this](const search::SearchCriteria& c, search::SearchType type, int top_k) {
        tab_strip_->setCurrentIndex(kFamily);
        backtest_->setEnabled(false);
        const QPointer<AnalysisTabs> self(this);
        family_->Run(c, type, top_k);
        if (self) backtest_->setEnabled(true);
      });
}

void AnalysisTabs::SetResultsPage(QWidget* page) {
  if (page == nullptr || page == results_) return;
  pages_->insertWidget(kResults, page);
  pages_->removeWidget(results_);
  delete results_;
  results_ = page;
  pages_->setCurrentIndex(tab_strip_->currentIndex());
}

void AnalysisTabs::SetCommandsEnabled(bool enabled) {
  omission_->SetCommandsEnabled(enabled);
  backtest_->SetCommandsEnabled(enabled);
}

void AnalysisTabs::ShowRanking(const search::SearchCriteria& c,
                               const search::SearchResult& result) {
  chart_->ShowRanking(c, result);
}

}  // namespace brivo
