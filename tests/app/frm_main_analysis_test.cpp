// The analysis pages in the window: the back-test judges only on enough evidence.

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

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

}  // namespace
}  // namespace brivo
