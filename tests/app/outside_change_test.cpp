// Another program (an SQLite tool with its own connection) changes the history file while the
// window is open: the next command notices, shows the history as it now is, and a command that
// would change the history does not run on what the window showed before.

#include <QPushButton>
#include <QStatusBar>

#include "app/frm_main_fixture.h"
#include "testing/other_connection.h"

namespace brivo {
namespace {

class OutsideChangeTest : public FrmMainTest {
 protected:
  void SetUp() override {
    draws_ = testing::RealHistory(6);  // 2003001 .. 2003006
    History(draws_);
    Open();
    other_ = std::make_unique<testing::OtherConnection>(HistoryPath());
    Click("Option1(0)");  // 固定位: the pattern boxes show the newest draw's numbers
  }
  FlexGrid* Grid() { return Find<FlexGrid>("MSFlexGrid1"); }
  QString Newest(int col) { return Grid()->Text(Grid()->Rows() - 1, col); }
  QLineEdit* Box(int i) {
    return Find<QLineEdit>(QString("MaskEdBox1(%1)").arg(i).toUtf8().constData());
  }
  void TypeDraw() {
    for (int i = 1; i <= 6; ++i) QTest::keyClicks(Box(i), QString::number(i + 10));
    QTest::keyClicks(Box(7), "07");
  }
  // The user types the blue number again once the window shows the history anew.
  void RetypeBlue() {
    Box(7)->clear();
    QTest::keyClicks(Box(7), "07");
  }
  bool Told() {
    return window_->statusBar()->currentMessage().startsWith(
        QString::fromUtf8("历史号码已被其他程序改动"));
  }
  // Read through a connection of its own: a compaction replaces the file the first one has open.
  std::string Stored(const std::string& sql) {
    return testing::OtherConnection(HistoryPath()).Text(sql);
  }

  std::vector<testing::TestDraw> draws_;
  // Opened once the history file exists (opening creates a missing file).
  std::unique_ptr<testing::OtherConnection> other_;
};

TEST_F(OutsideChangeTest, AChangedValueIsShownAndSearched) {
  ASSERT_EQ(other_->Exec("UPDATE Lishi SET L7A = 9 WHERE SQQH = 2003006"), SQLITE_OK);
  ASSERT_NE(Newest(7).toInt(), 9);  // nothing asked yet
  Find<QPushButton>("Command1")->click();
  EXPECT_TRUE(Told());
  EXPECT_EQ(Newest(7).toInt(), 9);
  EXPECT_EQ(TextOf("Text2(7)"), "9");  // the automatic pattern
}

TEST_F(OutsideChangeTest, ADrawTypedAfterTheNewestWasDeletedFollowsTheDrawNowNewest) {
  ASSERT_EQ(other_->Exec("DELETE FROM Lishi WHERE SQQH = 2003006"), SQLITE_OK);
  TypeDraw();
  EXPECT_TRUE(Told());
  EXPECT_EQ(Stored("SELECT COUNT(*) FROM Lishi"), "5");  // nothing stored
  EXPECT_EQ(Grid()->Rows(), 6);
  EXPECT_EQ(TextOf("Text1"), "2003006");
  RetypeBlue();
  EXPECT_EQ(Stored("SELECT MAX(SQQH) FROM Lishi"), "2003006");
  // Its lists are those of 2003005, the draw now before it.
  std::string before;
  for (int n : draws_[4].numbers) before += (n < 10 ? "0" : "") + std::to_string(n) + " ";
  EXPECT_EQ(Stored("SELECT txtHisLst FROM Lishi WHERE SQQH = 2003006"), before);
}

TEST_F(OutsideChangeTest, AnIssueInsertedElsewhereIsNeverStoredTwice) {
  ASSERT_EQ(other_->Exec("INSERT INTO Lishi (SQQH, QQH, L1A, L2A, L3A, L4A, L5A, L6A, L7A) "
                         "VALUES (2003007, 2003008, 1, 2, 3, 4, 5, 6, 7)"),
            SQLITE_OK);
  Find<QLineEdit>("Text1")->setText("2003007");
  TypeDraw();
  EXPECT_TRUE(Told());
  EXPECT_EQ(TextOf("Text1"), "2003008");
  Find<QLineEdit>("Text1")->setText("2003007");
  RetypeBlue();
  EXPECT_EQ(Stored("SELECT COUNT(*) FROM Lishi WHERE SQQH = 2003007"), "1");
  // Not even a tool can store it twice.
  EXPECT_NE(other_->Exec("INSERT INTO Lishi (SQQH) VALUES (2003007)"), SQLITE_OK);
}

TEST_F(OutsideChangeTest, DeletingTheNewestDeletesOnlyTheDrawShownNewest) {
  ASSERT_EQ(other_->Exec("DELETE FROM Lishi WHERE SQQH = 2003006"), SQLITE_OK);
  Find<QPushButton>("Command3")->click();
  EXPECT_TRUE(Told());
  EXPECT_EQ(Stored("SELECT MAX(SQQH) FROM Lishi"), "2003005");
  EXPECT_EQ(Newest(0), "2003005");
  Find<QPushButton>("Command3")->click();  // now on what the window shows
  EXPECT_EQ(Stored("SELECT MAX(SQQH) FROM Lishi"), "2003004");
}

}  // namespace
}  // namespace brivo
