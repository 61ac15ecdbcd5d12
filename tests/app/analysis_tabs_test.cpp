// The analysis tabs on a real history file: each button fills its grid and summary, a heading
// re-sorts the omission table, a double click exports, and the charts hold what was shown.

#include "app/analysis_tabs.h"

#include <gtest/gtest.h>

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/family_page.h"
#include "app/flex_grid.h"
#include "search/evaluator.h"
#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

constexpr std::size_t kDraws = 120;

class AnalysisTabsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<testing::TestDraw> draws = testing::RealHistory(kDraws);
    const std::string path = dir_.File(store::kHistoryFileName);
    ASSERT_TRUE(testing::BuildHistory(path, draws).ok());
    ASSERT_TRUE(store::OpenHistoryDatabase(path, &db_).ok());
    zodiac_.SetZodiacYear(2026);
    zodiac_.ComputeCodes(1, false);
    // Fixed position, the number at red 1 of the draw before; the ranking of the zodiac.
    criteria_.free_mode = false;
    criteria_.result_kind = store::Kind::kSx;
    criteria_.selected[1] = true;
    criteria_.start_issue = draws.front().issue;
    criteria_.end_issue = draws.back().issue;

    AnalysisInputs inputs;
    inputs.criteria = [this] { return std::optional(criteria_); };
    inputs.draws = [this](search::HistoryDraws* out) {
      return search::ReadHistoryDraws(*db_, out);
    };
    inputs.zodiac = &zodiac_;
    inputs.export_grid = [this](FlexGrid* grid, const char* file) {
      exported_.emplace_back(grid->objectName().toStdString(), file);
    };
    tabs_ = std::make_unique<AnalysisTabs>(std::move(inputs));
    tabs_->resize(900, 600);
    tabs_->show();  // clicks reach only widgets that are shown
  }
  template <typename W>
  W* Find(const char* name) {
    W* widget = tabs_->findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Press(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
  // The column's texts of the data rows.
  static std::vector<QString> Column(FlexGrid* grid, int col) {
    std::vector<QString> texts;
    for (int row = 1; row < grid->Rows(); ++row) texts.push_back(grid->Text(row, col));
    return texts;
  }
  static std::vector<int> Numbers(const std::vector<QString>& texts) {
    std::vector<int> numbers;
    for (const QString& text : texts) numbers.push_back(text.toInt());
    return numbers;
  }

  testing::TempDir dir_;
  std::unique_ptr<Database> db_;
  store::ZodiacTables zodiac_;
  search::SearchCriteria criteria_;
  std::vector<std::pair<std::string, std::string>> exported_;
  std::unique_ptr<AnalysisTabs> tabs_;
};

TEST_F(AnalysisTabsTest, TabsAndTheResultsPage) {
  auto* strip = Find<QTabBar>("TabStrip2");
  ASSERT_EQ(strip->count(), 5);
  EXPECT_EQ(strip->tabText(0), QString::fromUtf8("检索结果"));
  EXPECT_EQ(strip->tabText(3), QString::fromUtf8("图表"));
  EXPECT_EQ(strip->tabText(4), QString::fromUtf8("全部回测"));
  auto* results = new QLabel("grids");
  tabs_->SetResultsPage(results);
  EXPECT_TRUE(results->isVisible());
  strip->setCurrentIndex(AnalysisTabs::kOmission);
  EXPECT_FALSE(results->isVisible());
  EXPECT_TRUE(Find<QPushButton>("Command5")->isVisible());
}

TEST_F(AnalysisTabsTest, OmissionButtonFillsTheTableSortedByCurrentGap) {
  tabs_->tab_strip()->setCurrentIndex(AnalysisTabs::kOmission);
  EXPECT_EQ(Find<QPushButton>("Command5")->text(), QString::fromUtf8("遗漏统计(&M)"));
  Press("Command5");
  auto* grid = Find<FlexGrid>("MSFlexGrid4");
  ASSERT_EQ(grid->Rows(), 13);  // the twelve animals
  const std::vector<QString> headings = {"值",       "出现次数", "理论次数", "理论偏差",
                                         "当前遗漏", "上次遗漏", "最大遗漏", "平均遗漏"};
  for (int col = 0; col < 8; ++col) EXPECT_EQ(grid->Text(0, col), headings[col]);
  const std::vector<QString> names = Column(grid, 0);
  for (const std::string& animal : store::kAnimalNames) {
    EXPECT_EQ(std::count(names.begin(), names.end(), QString::fromStdString(animal)), 1);
  }
  const std::vector<int> gaps = Numbers(Column(grid, 4));
  EXPECT_TRUE(std::is_sorted(gaps.rbegin(), gaps.rend()));
  EXPECT_TRUE(grid->Text(1, 2).contains(QRegularExpression("^[0-9]+\\.[0-9]{2}$")));
  EXPECT_TRUE(grid->isVisible());
  EXPECT_FALSE(Find<QLabel>("OmissionSummary")->text().isEmpty());
}

TEST_F(AnalysisTabsTest, AHeadingClickSortsByItsColumn) {
  tabs_->tab_strip()->setCurrentIndex(AnalysisTabs::kOmission);
  Press("Command5");
  auto* grid = Find<FlexGrid>("MSFlexGrid4");
  const std::vector<int> before = Numbers(Column(grid, 1));
  ASSERT_FALSE(std::is_sorted(before.rbegin(), before.rend()));
  QHeaderView* header = grid->horizontalHeader();
  const int x = header->sectionViewportPosition(1) + header->sectionSize(1) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  const std::vector<int> counts = Numbers(Column(grid, 1));
  ASSERT_EQ(counts.size(), 12u);
  EXPECT_TRUE(std::is_sorted(counts.rbegin(), counts.rend()));

  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_EQ(exported_.size(), 1u);
  EXPECT_EQ(exported_[0], std::make_pair(std::string("MSFlexGrid4"), std::string("Yilou.xls")));
}

TEST_F(AnalysisTabsTest, BacktestButtonFillsTheRowsSummaryAndChart) {
  tabs_->tab_strip()->setCurrentIndex(AnalysisTabs::kBacktest);
  EXPECT_EQ(Find<QPushButton>("Command6")->text(), QString::fromUtf8("回测检验(&B)"));
  EXPECT_TRUE(Find<QRadioButton>("Option7(0)")->isChecked());
  Find<QRadioButton>("Option7(1)")->setChecked(true);  // 组合检索, pairs of positions
  Press("Command6");
  auto* grid = Find<FlexGrid>("MSFlexGrid5");
  // Every draw but the first is a target: its rows, the heading and the summary.
  ASSERT_EQ(grid->Rows(), static_cast<int>(kDraws) + 1);
  const std::vector<QString> headings = {"期号", "前K名", "命中", "随机期望", "匹配期数"};
  for (int col = 0; col < 5; ++col) EXPECT_EQ(grid->Text(0, col), headings[col]);
  EXPECT_EQ(grid->Text(1, 0).toLongLong(), criteria_.start_issue + 1);
  EXPECT_EQ(grid->Text(kDraws - 1, 1).split(' ').size(), 6);  // K = 6 animals
  const QString verdicts = QString::fromUtf8("显著高于随机|显著低于随机|与随机没有显著差别");
  const QRegularExpression verdict("(" + verdicts + ")$");
  EXPECT_EQ(grid->Text(grid->Rows() - 1, 0), QString("T=%1").arg(kDraws - 1));
  EXPECT_TRUE(grid->Text(grid->Rows() - 1, 1).contains(verdict));
  auto* summary = Find<QLabel>("BacktestSummary");
  EXPECT_TRUE(summary->text().contains(verdict)) << summary->text().toStdString();
  EXPECT_TRUE(grid->isVisible());
  EXPECT_FALSE(Find<QPushButton>("BacktestCancel")->isVisible());

  QChart* chart = Find<QChartView>("BacktestChart")->chart();
  ASSERT_EQ(chart->series().size(), 2);
  EXPECT_EQ(static_cast<QLineSeries*>(chart->series()[0])->count(), static_cast<int>(kDraws) - 1);
}

TEST_F(AnalysisTabsTest, CancelStopsTheBacktestAndShowsWhatWasDone) {
  tabs_->tab_strip()->setCurrentIndex(AnalysisTabs::kBacktest);
  auto* cancel = Find<QPushButton>("BacktestCancel");
  // The click waits for the window's first turn to answer, after the first target.
  QTimer::singleShot(0, cancel, [cancel] { QTest::mouseClick(cancel, Qt::LeftButton); });
  Press("Command6");
  auto* grid = Find<FlexGrid>("MSFlexGrid5");
  ASSERT_EQ(grid->Rows(), 3);  // the heading, the one target, the summary
  EXPECT_EQ(grid->Text(2, 0), QString("T=1"));
  EXPECT_TRUE(Find<QLabel>("BacktestSummary")->text().startsWith(QString::fromUtf8("已取消")));
  EXPECT_FALSE(cancel->isVisible());
  EXPECT_TRUE(Find<QPushButton>("Command6")->isEnabled());
}

TEST_F(AnalysisTabsTest, TheRankingChartHoldsTheLastSearch) {
  search::HistoryDraws draws;
  ASSERT_TRUE(search::ReadHistoryDraws(*db_, &draws).ok());
  search::Evaluator evaluator(std::move(draws));
  const search::SearchResult result = evaluator.Evaluate(criteria_, search::SearchType::kPosition);
  tabs_->ShowRanking(criteria_, result);
  QChart* chart = Find<QChartView>("RankingChart")->chart();
  ASSERT_EQ(chart->series().size(), 2);  // the bars and the even spread
  const auto* bars = static_cast<QBarSeries*>(chart->series()[0]);
  ASSERT_EQ(bars->barSets().size(), 1);
  EXPECT_EQ(bars->barSets()[0]->count(), static_cast<int>(result.ranking.size()));
  EXPECT_EQ(bars->barSets()[0]->at(0), static_cast<double>(result.ranking[0].count));
}

// 全部设置回测 runs the family of the window's position search, shows its rows sorted by p with
// the family's summary, and each row is the single back-test of its setting.
TEST_F(AnalysisTabsTest, FamilyButtonBacktestsEverySetting) {
  tabs_->tab_strip()->setCurrentIndex(AnalysisTabs::kBacktest);
  Find<QLineEdit>("Text4")->setText("3");
  Press("Command8");
  EXPECT_EQ(tabs_->tab_strip()->currentIndex(), AnalysisTabs::kFamily);
  auto* grid = Find<FlexGrid>("MSFlexGrid6");
  ASSERT_EQ(grid->Rows(), 649);
  EXPECT_EQ(grid->Text(0, 13), QString::fromUtf8("校正p"));
  std::vector<double> p;
  for (const QString& text : Column(grid, 12)) p.push_back(text.toDouble());
  EXPECT_TRUE(std::is_sorted(p.begin(), p.end()));
  const QRegularExpression summary(
      QString::fromUtf8("^共648个设置，检验119期。未校正p<0.05的有[0-9]+个（纯属随机时约32个）；"
                        "校正后显著高于随机的[0-9]+个，显著低于随机的[0-9]+个。$"));
  EXPECT_TRUE(Find<QLabel>("FamilySummary")->text().contains(summary))
      << Find<QLabel>("FamilySummary")->text().toStdString();
  EXPECT_TRUE(Find<QPushButton>("Command6")->isEnabled());

  // The row with the smallest p against the single back-test of its setting.
  const std::size_t index = grid->Text(1, 0).toULongLong() - 1;
  const search::SearchCriteria setting = search::FamilySettings(criteria_)[index];
  search::HistoryDraws draws;
  ASSERT_TRUE(search::ReadHistoryDraws(*db_, &draws).ok());
  search::Evaluator evaluator(std::move(draws));
  search::ChanceModel chance(zodiac_, {1, 1});
  const search::BacktestSummary single =
      search::RunBacktest(evaluator, setting, search::SearchType::kPosition, 3, chance, nullptr)
          .summary;
  EXPECT_EQ(grid->Text(1, 1), KindName(setting.search_kind));
  EXPECT_EQ(grid->Text(1, 6).toULongLong(), single.targets);
  EXPECT_EQ(grid->Text(1, 7), Decimals(single.mean_hits, 3));
  EXPECT_EQ(grid->Text(1, 9), Decimals(single.mean_difference, 3));

  QHeaderView* header = grid->horizontalHeader();
  const int x = header->sectionViewportPosition(0) + header->sectionSize(0) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  EXPECT_EQ(grid->Text(1, 0), "1");
  EXPECT_EQ(grid->Text(648, 0), "648");
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_EQ(exported_.size(), 1u);
  EXPECT_EQ(exported_[0], std::make_pair(std::string("MSFlexGrid6"), std::string("Quanbu.xls")));
}

}  // namespace
}  // namespace brivo
