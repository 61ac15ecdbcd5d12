// The analysis tabs on a real history file: each button fills its grid and summary, a heading
// re-sorts the omission table, a double click exports, and the charts hold what was shown; in the
// window, 保存图表 writes both charts as one image.

#include "app/analysis_tabs.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/chart_page.h"
#include "app/chart_plot.h"
#include "app/family_page.h"
#include "app/flex_grid.h"
#include "app/frm_main_fixture.h"
#include "search/chance.h"
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

  ChartPlot* chart = Find<ChartPlot>("BacktestChart");
  ASSERT_EQ(chart->graphCount(), 3);  // the running difference and the band's two edges
  EXPECT_EQ(chart->graph(0)->dataCount(), static_cast<int>(kDraws));  // t = 0 and each target
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
  ChartPlot* chart = Find<ChartPlot>("RankingChart");
  ASSERT_EQ(chart->plottableCount(), 2);  // the bars and the even spread
  const auto* bars = qobject_cast<QCPBars*>(chart->plottable(0));
  ASSERT_NE(bars, nullptr);
  EXPECT_EQ(bars->dataCount(), static_cast<int>(result.ranking.size()));
  EXPECT_EQ(bars->data()->at(0)->value, static_cast<double>(result.ranking[0].count));
  EXPECT_EQ(chart->bar_labels().size(), static_cast<int>(result.ranking.size()));
  // The twelve animals stand side by side under a wide chart and upright under a narrow one.
  tabs_->tab_strip()->setCurrentIndex(AnalysisTabs::kChart);
  for (const auto& [width, upright] : {std::pair(1200, false), std::pair(250, true)}) {
    chart->resize(width, 300);
    EXPECT_EQ(chart->xAxis->tickLabelRotation() != 0, upright) << width;
  }
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

  // The chart's bins hold every setting whose differences vary, under m · 0.5 · φ(z).
  const std::vector<QString> verdicts = Column(grid, 14);
  const auto m = static_cast<double>(
      649 - 1 -
      std::count(verdicts.begin(), verdicts.end(), QString::fromUtf8("差值没有波动，不作判断")));
  ChartPlot* chart = tabs_->chart_page()->family_plot();
  ASSERT_EQ(chart->plottableCount(), 2);
  const auto* bins = qobject_cast<QCPBars*>(chart->plottable(0));
  double binned = 0;
  for (int b = 0; b < bins->dataCount(); ++b) binned += bins->data()->at(b)->value;
  EXPECT_EQ(binned, m);
  double peak = 0;
  for (int i = 0; i < chart->graph(0)->dataCount(); ++i) {
    peak = std::max(peak, chart->graph(0)->data()->at(i)->value);
  }
  EXPECT_NEAR(peak, m * 0.5 / std::sqrt(2 * std::numbers::pi), 1e-9);

  QHeaderView* header = grid->horizontalHeader();
  const int x = header->sectionViewportPosition(0) + header->sectionSize(0) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  EXPECT_EQ(grid->Text(1, 0), "1");
  EXPECT_EQ(grid->Text(648, 0), "648");
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_EQ(exported_.size(), 1u);
  EXPECT_EQ(exported_[0], std::make_pair(std::string("MSFlexGrid6"), std::string("Quanbu.xls")));
}

// The window's 图表 page after a search and a back-test on the real history.
class ChartPageTest : public FrmMainTest {
 protected:
  void SetUp() override {
    History(testing::RealHistory(kDraws));
    Open();
    window_->Command1_Click();  // every draw of the range
    Find<QTabBar>("TabStrip2")->setCurrentIndex(AnalysisTabs::kBacktest);
    QTest::mouseClick(Find<QPushButton>("Command6"), Qt::LeftButton);
    Find<QTabBar>("TabStrip2")->setCurrentIndex(AnalysisTabs::kChart);
  }
  // The tooltip shown with the mouse at `key` of the chart, halfway up its value axis.
  QString TipAt(ChartPlot* chart, double key) {
    chart->replot();
    const QCPRange up = chart->yAxis->range();
    const QPointF at(chart->xAxis->coordToPixel(key), chart->yAxis->coordToPixel(up.center()));
    QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(chart, &move);
    return QToolTip::text();
  }
};

TEST_F(ChartPageTest, TheChartsHoldTheRankingAndTheDifferenceInsideItsBand) {
  FlexGrid* ranking = Find<FlexGrid>("MSFlexGrid3");
  ChartPlot* bar_chart = Find<ChartPlot>("RankingChart");
  const auto* bars = qobject_cast<QCPBars*>(bar_chart->plottable(0));
  ASSERT_NE(bars, nullptr);
  ASSERT_EQ(bars->dataCount(), ranking->Rows() - 1);
  for (int i = 0; i < bars->dataCount(); ++i) {
    EXPECT_EQ(bar_chart->bar_labels()[i], ranking->Text(i + 1, 1)) << i;
    EXPECT_EQ(bars->data()->at(i)->value, ranking->Text(i + 1, 2).toDouble()) << i;
  }
  EXPECT_TRUE(
      TipAt(bar_chart, 1)
          .contains(ranking->Text(1, 1) + QString::fromUtf8("：出现") + ranking->Text(1, 2)))
      << QToolTip::text().toStdString();

  // The same back-test run here: Σ(h − c) and the sample deviation s of h − c.
  const std::optional<search::SearchCriteria> c = window_->ReadCriteria();
  ASSERT_TRUE(c.has_value());
  search::HistoryDraws draws;
  ASSERT_TRUE(search::ReadHistoryDraws(*window_->database(), &draws).ok());
  search::Evaluator evaluator(std::move(draws));
  search::ChanceModel chance(window_->zodiac(), {c->sx_ini, c->ds_ini});
  const search::BacktestResult r =
      search::RunBacktest(evaluator, *c, search::SearchType::kPosition, 6, chance, nullptr);
  const auto targets = static_cast<double>(r.rows.size());
  ASSERT_GT(targets, 2);
  double sum = 0;
  for (const search::BacktestRow& row : r.rows) sum += row.hits - row.chance;
  double squares = 0;
  for (const search::BacktestRow& row : r.rows) {
    squares += std::pow(row.hits - row.chance - sum / targets, 2);
  }
  const double band = 1.96 * std::sqrt(squares / (targets - 1)) * std::sqrt(targets);
  ChartPlot* line_chart = Find<ChartPlot>("BacktestChart");
  ASSERT_EQ(line_chart->graphCount(), 3);
  const double expected_ends[3] = {sum, band, -band};
  for (int g = 0; g < 3; ++g) {
    const QCPGraphDataContainer& data = *line_chart->graph(g)->data();
    ASSERT_EQ(data.size(), static_cast<int>(r.rows.size()) + 1);
    EXPECT_EQ(data.at(0)->value, 0) << g;
    EXPECT_NEAR(data.at(data.size() - 1)->value, expected_ends[g], 1e-9) << g;
  }
  EXPECT_TRUE(TipAt(line_chart, targets).contains(QString::number(r.rows.back().issue)))
      << QToolTip::text().toStdString();
}

struct SaveCase {
  const char* name;
  const char* answer;  // the file dialog's answer in the program folder; null for Cancel
  bool written;
};

class ChartSaveTest : public ChartPageTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(ChartSaveTest, SavesBothChartsAsOnePngOrTellsWhyNot) {
  const std::string path = GetParam().answer ? dir_.File(GetParam().answer) : std::string();
  prompts_.answers = {GetParam().answer ? std::optional(path) : std::nullopt};
  EXPECT_EQ(Find<QPushButton>("Command7")->text(), QString::fromUtf8("保存图表(&P)"));
  QTest::mouseClick(Find<QPushButton>("Command7"), Qt::LeftButton);
  ASSERT_FALSE(prompts_.shown.empty());
  EXPECT_EQ(prompts_.shown[0].kind, "save");
  EXPECT_EQ(prompts_.shown[0].text, store::ProgramFile(dir_.path().string(), "Tubiao.png"));
  const std::vector<std::string> warnings = prompts_.TakeWarnings();
  if (GetParam().written) {
    EXPECT_TRUE(warnings.empty());
    const QImage saved(QString::fromStdString(path), "PNG");
    EXPECT_EQ(saved.size(), QSize(ChartPage::kImageWidth, 2 * ChartPage::kImageChartHeight));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32),
              window_->findChild<ChartPage*>()->Image());
  } else {
    EXPECT_FALSE(std::filesystem::exists(dir_.File("Tubiao.png")));
    ASSERT_EQ(warnings.size(), GetParam().answer ? 1u : 0u);
    if (!warnings.empty()) {
      EXPECT_EQ(warnings[0].rfind("无法写入文件 " + path + "\n无法读写文件", 0), 0u) << warnings[0];
    }
  }
  // Nothing but the history, its settings and the image: no half-written file is left.
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, ChartSaveTest,
                         ::testing::Values(SaveCase{"Saved", "Tubiao.png", true},
                                           SaveCase{"Cancelled", nullptr, false},
                                           SaveCase{"FolderMissing", "missing/Tubiao.png", false}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brivo
