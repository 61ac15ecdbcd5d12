// The analysis pages in the window: the back-test judges only on enough evidence and keeps no
// rows of an earlier run under a refusal; an empty page exports nothing; the truncations say why
// they refuse an answer.

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>
#include <tuple>

#include "app/frm_main_fixture.h"

namespace brivo {
namespace {

using testing::RealHistory;

class FrmMainAnalysisTest : public FrmMainTest {
 protected:
  void SetUp() override {
    History(RealHistory(40));  // 2003001 .. 2003040
    Open();
  }
  void Backtest(const char* start) {
    Find<QLineEdit>("Text3(0)")->setText(start);
    Find<QPushButton>("Command6")->click();
  }
  FlexGrid* Rows() { return Find<FlexGrid>("MSFlexGrid5"); }
  QString Summary() { return Find<QLabel>("BacktestSummary")->text(); }
};

TEST_F(FrmMainAnalysisTest, TheBacktestJudgesOnlyThirtyTargetsOrMore) {
  struct Case {
    const char* name;
    const char* start;
    const char* verdict;  // a regular expression the summary ends with
  };
  const Case cases[] = {
      {"two targets", "2003039", "检验期数不足30期，不作判断$"},
      {"thirty-nine targets", "2003002", "(显著高于随机|显著低于随机|与随机没有显著差别)$"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Backtest(c.start);
    const QRegularExpression verdict(QString::fromUtf8(c.verdict));
    EXPECT_TRUE(Summary().contains(verdict)) << Summary().toStdString();
    const int last = Rows()->Rows() - 1;
    EXPECT_TRUE(Rows()->Text(last, 1).contains(verdict));
    // The statistics row shows whole, also below the rows in view.
    EXPECT_GE(Rows()->columnWidth(1),
              Rows()->fontMetrics().horizontalAdvance(Rows()->Text(last, 1)));
    // The targets without a matched draw are counted in T and named in the summary.
    int unmatched = 0;
    for (int row = 1; row < last; ++row) unmatched += Rows()->Text(row, 4) == "0" ? 1 : 0;
    ASSERT_GT(unmatched, 0);  // the first target has no draw of the range before it
    EXPECT_TRUE(Summary().contains(QString::fromUtf8("其中%1期的检索没有匹配的期").arg(unmatched)))
        << Summary().toStdString();
  }
}

TEST_F(FrmMainAnalysisTest, NothingToTestShowsNoStatisticsRow) {
  Backtest("2003002");
  ASSERT_GT(Rows()->Rows(), 2);
  Find<QLineEdit>("Text3(1)")->setText("2003001");
  Backtest("2003001");  // one draw in range, and it has no draw before it
  EXPECT_EQ(Rows()->Rows(), 1);
  EXPECT_EQ(Summary(), QString::fromUtf8("检索起止期数内没有可以检验的期"));
}

TEST_F(FrmMainAnalysisTest, AnEmptyPageExportsNothing) {
  for (const auto& [page, name, file] :
       {std::tuple{1, "MSFlexGrid4", "Yilou.xls"}, std::tuple{2, "MSFlexGrid5", "Huice.xls"}}) {
    SCOPED_TRACE(name);
    const std::string earlier = dir_.File(file);
    testing::WriteFileBytes(earlier, "an earlier workbook");
    Find<QTabBar>("TabStrip2")->setCurrentIndex(page);
    window_->statusBar()->clearMessage();
    QTest::mouseDClick(Find<FlexGrid>(name)->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(testing::ReadFileBytes(earlier), "an earlier workbook");
    EXPECT_TRUE(launcher_.files.empty());
    EXPECT_EQ(window_->statusBar()->currentMessage(), QString::fromUtf8("没有可导出的内容"));
  }
}

TEST_F(FrmMainAnalysisTest, AnInvalidTopKLeavesNoEarlierRows) {
  Backtest("2003002");
  ASSERT_GT(Rows()->Rows(), 2);
  Find<QLineEdit>("Text4")->setText("abc");
  Find<QPushButton>("Command6")->click();
  EXPECT_EQ(Rows()->Rows(), 1);
  EXPECT_EQ(Summary(), QString::fromUtf8("前K名“abc”不是1到99之间的整数，没有回测"));
}

TEST_F(FrmMainAnalysisTest, TruncationsSayWhyTheyRefuseAnAnswer) {
  struct Case {
    void (FrmMain::*command)();
    const char* answer;
    std::string message;
  };
  const Case cases[] = {
      {&FrmMain::mnuDlzd_Click, "abc", "“abc”不是正整数，没有删除历史号码。"},
      {&FrmMain::mnuDlzd_Click, "0", "“0”不是正整数，没有删除历史号码。"},
      {&FrmMain::mnuDlzd_Click, "-1", "“-1”不是正整数，没有删除历史号码。"},
      {&FrmMain::mnuDlzd_Click, "2003041",
       "第2003041期在最新一期之后（最新一期是第2003040期），没有删除历史号码。"},
      {&FrmMain::mnuEszhzd_Click, "abc", "“abc”不是正整数，没有删除历史号码。"},
      {&FrmMain::mnuEszhzd_Click, "0", "“0”不是正整数，没有删除历史号码。"},
      {&FrmMain::mnuEszhzd_Click, "-1", "“-1”不是正整数，没有删除历史号码。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    prompts_.shown.clear();
    prompts_.answers = {std::string(c.answer)};
    (window_.get()->*c.command)();
    EXPECT_EQ(prompts_.TakeWarnings(), std::vector<std::string>{c.message});
    EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), 41);
  }
}

// While the back-test or the family back-test runs (each lets the window answer), nothing changes
// the history or the criteria under it: a delete clicked then is not done.
TEST_F(FrmMainAnalysisTest, ABacktestKeepsTheHistoryAndTheCriteriaStill) {
  const char* const changing[] = {"Command3",  "cmdRdLst", "Command21",     "Command1",
                                  "Command4",  "Command5", "Option4(1)",    "Option1(0)",
                                  "Check1(1)", "Text3(0)", "MaskEdBox1(1)", "MaskEdBox2",
                                  "Combo1",    "Command6", "Command8"};
  for (const char* run : {"Command6", "Command8"}) {
    SCOPED_TRACE(run);
    std::vector<std::string> enabled_while_running;
    QTimer::singleShot(0, window_.get(), [&] {
      for (const char* name : changing) {
        if (Find<QWidget>(name)->isEnabled()) enabled_while_running.push_back(name);
      }
      Find<QPushButton>("Command3")->click();
    });
    Find<QLineEdit>("Text3(0)")->setText("2003002");
    Find<QPushButton>(run)->click();
    EXPECT_TRUE(enabled_while_running.empty()) << enabled_while_running.front();
    EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), 41);
    for (const char* name : changing) EXPECT_TRUE(Find<QWidget>(name)->isEnabled()) << name;
  }
}

}  // namespace
}  // namespace brivo
