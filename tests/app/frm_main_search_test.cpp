// The position search from the window: criteria from the controls, the answer in the grids.

#include <QHeaderView>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>

#include "app/frm_main_fixture.h"

namespace brivo {
namespace {

using testing::TestDraw;

class FrmMainSearchTest : public FrmMainTest {
 protected:
  void Tick(int position) {
    Find<QCheckBox>(QString("Check1(%1)").arg(position).toUtf8().constData())->setChecked(true);
  }
  FlexGrid* Matched() { return Find<FlexGrid>("MSFlexGrid2"); }
  FlexGrid* Ranking() { return Find<FlexGrid>("MSFlexGrid3"); }
};

const std::vector<TestDraw> kDraws = {
    {2003010, {1, 2, 3, 4, 5, 6, 7}},      {2003011, {1, 12, 13, 14, 15, 16, 7}},
    {2003012, {8, 2, 23, 24, 25, 26, 16}}, {2003013, {1, 5, 33, 31, 30, 29, 2}},
    {2003014, {9, 10, 3, 4, 5, 28, 1}},
};

TEST_F(FrmMainSearchTest, FixedModeListsAndRanksTheFollowingDraws) {
  History(kDraws);
  Open();
  Click("Option1(0)");  // 固定位, 上期: the pattern is the newest draw, red 1 is 09
  Find<QLineEdit>("Text3(0)")->setText("2003010");
  Tick(2);  // position 2 of the newest draw: 10
  window_->Command1_Click();
  // No draw follows a draw with 10 at position 2.
  EXPECT_EQ(Matched()->Rows(), 1);
  // Now red 1 = 01 from the manual tab: the draws after 2003010, 2003011 and 2003013.
  Find<QTabBar>("TabStrip1")->setCurrentIndex(1);
  Find<QLineEdit>("Text22(1)")->setText("1");
  window_->Text22_LostFocus(1);
  Find<QCheckBox>("Check11(1)")->setChecked(true);
  window_->Command1_Click();
  ASSERT_EQ(Matched()->Rows(), 4);
  EXPECT_EQ(Matched()->Text(1, 0), "2003011");
  EXPECT_EQ(Matched()->Text(3, 0), "2003014");
  EXPECT_EQ(Matched()->Text(0, 8), QString::fromUtf8("上期开奖"));
  EXPECT_EQ(Matched()->Text(3, 8), "01 05 33 31 30 29 02 ");
  EXPECT_EQ(Matched()->Text(0, 1), QString::fromUtf8("红1球"));
  EXPECT_EQ(Matched()->Text(0, 7), QString::fromUtf8("蓝球"));
  // The list column is as wide as its heading and lists, its heading at its start.
  EXPECT_GT(Matched()->columnWidth(8),
            Matched()->fontMetrics().horizontalAdvance(Matched()->Text(3, 8)));
  EXPECT_GE(Matched()->columnWidth(8), Matched()->horizontalHeader()->sectionSizeHint(8));
  EXPECT_TRUE(Matched()->horizontalHeaderItem(8)->textAlignment() & Qt::AlignLeft);
  // Three draws in 红蓝 make 21 numbers; 01 and 16 came twice each, 02 once.
  EXPECT_EQ(Ranking()->Text(0, 0), QString::fromUtf8("序号"));
  EXPECT_EQ(Ranking()->Text(0, 3), QString::fromUtf8("百分比"));
  ASSERT_EQ(Ranking()->Rows(), 34);
  const char* const expected[3][4] = {
      {"1", "1", "2", "9.524%"}, {"2", "16", "2", "9.524%"}, {"3", "2", "1", "4.762%"}};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_EQ(Ranking()->Text(r + 1, c), expected[r][c]) << r << c;
  }
  EXPECT_EQ(Ranking()->Text(33, 2), "0");
  EXPECT_EQ(Ranking()->Text(33, 3), "0.000%");
}

TEST_F(FrmMainSearchTest, ZodiacResultsShowAnimalNamesAndASmallerSearchLeavesNoStaleRows) {
  History(testing::RealHistory(40));
  Open();
  Click("Option4(1)");
  window_->Command1_Click();  // no position: every draw of the range
  const int all = Matched()->Rows();
  EXPECT_EQ(all, 40);  // the range starts one draw after the oldest
  EXPECT_EQ(Ranking()->Rows(), 13);
  const QString animal = Matched()->Text(1, 1);
  EXPECT_EQ(animal.size(), 1);
  EXPECT_FALSE(animal.at(0).isDigit());
  Tick(1);
  Tick(2);
  window_->Command1_Click();
  EXPECT_LT(Matched()->Rows(), all);
  EXPECT_TRUE(Matched()->isVisible());
  EXPECT_TRUE(Ranking()->isVisible());
}

TEST_F(FrmMainSearchTest, EarlierBasisHeadsTheListColumnDifferently) {
  History(testing::RealHistory(20));
  Open();
  Click("Option1(2)");
  window_->Command1_Click();
  EXPECT_EQ(Matched()->Text(0, 8), QString::fromUtf8("前期开奖"));
  // Row 1 is 2003003 (start = oldest + 2): its list is that of 2003001.
  EXPECT_EQ(Matched()->Text(1, 0), "2003003");
  EXPECT_EQ(Matched()->Text(1, 8), "10 11 12 13 26 28 11 ");
}

TEST_F(FrmMainSearchTest, AnIssueBoxThatIsNoNumberRunsNoSearch) {
  History(testing::RealHistory(20));
  Open();
  window_->Command1_Click();
  const int rows = Matched()->Rows();
  std::vector<std::string> seen;
  window_->database()->set_observer([&](std::string_view sql) { seen.emplace_back(sql); });
  Find<QLineEdit>("Text3(1)")->setText("2003x");
  window_->Command1_Click();
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(Matched()->Rows(), rows);
  EXPECT_TRUE(window_->statusBar()->currentMessage().contains(QString::fromUtf8("止")));
}

// The analysis pages sit in the window's result area and take the window's own criteria and
// history: the same controls that drive the searches drive them.
TEST_F(FrmMainSearchTest, TheAnalysisPagesRunOnTheWindowsCriteriaAndHistory) {
  History(testing::RealHistory(80));
  Open();
  auto* tabs = Find<QTabBar>("TabStrip2");
  ASSERT_EQ(tabs->count(), 5);
  EXPECT_EQ(tabs->tabText(0), QString::fromUtf8("检索结果"));
  EXPECT_TRUE(Matched()->isVisibleTo(window_.get()));
  Find<QPushButton>("Command5")->click();
  FlexGrid* omission = Find<FlexGrid>("MSFlexGrid4");
  EXPECT_EQ(omission->Rows(), 34);  // 号码 at 红蓝: every number 1..33, and the headings
  Click("Option1(0)");
  Tick(1);
  Find<QPushButton>("Command6")->click();
  FlexGrid* backtest = Find<FlexGrid>("MSFlexGrid5");
  ASSERT_GT(backtest->Rows(), 2);
  const QString summary =
      backtest->Text(backtest->Rows() - 1, 0) + backtest->Text(backtest->Rows() - 1, 1);
  EXPECT_TRUE(summary.contains(QString::fromUtf8("随机"))) << summary.toStdString();
}

}  // namespace
}  // namespace brivo
