// What the window tells of a failure is Chinese from start to end; the technical text of the
// database goes to the log only.

#include <QPushButton>

#include "app/frm_main_fixture.h"
#include "testing/other_connection.h"

namespace brivo {
namespace {

class FailureLanguageTest : public FrmMainTest {
 protected:
  void SetUp() override {
    History(testing::RealHistory(5));  // 2003001 .. 2003005
    Open();
    other_ = std::make_unique<testing::OtherConnection>(HistoryPath());
  }
  void TypeDraw() {
    for (int i = 1; i <= 7; ++i) {
      QTest::keyClicks(Find<QLineEdit>(QString("MaskEdBox1(%1)").arg(i).toUtf8().constData()),
                       QString("%1").arg(i, 2, 10, QChar('0')));
    }
  }
  // Opened once the history file exists (opening creates a missing file).
  std::unique_ptr<testing::OtherConnection> other_;
};

TEST_F(FailureLanguageTest, AHistoryHeldByAnotherProgram) {
  ASSERT_EQ(other_->Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  TypeDraw();
  EXPECT_EQ(prompts_.TakeWarnings(),
            std::vector<std::string>{"第2003006期的号码没有保存。\n"
                                     "历史数据库正被其他程序使用，请关闭该程序后再试。"});
  other_->Exec("ROLLBACK");
}

TEST_F(FailureLanguageTest, AValueThatIsNoNumber) {
  ASSERT_EQ(other_->Exec("UPDATE Lishi SET L1B = 'x' WHERE SQQH = 2003003"), SQLITE_OK);
  Find<QPushButton>("Command5")->click();
  EXPECT_EQ(prompts_.TakeWarnings(),
            std::vector<std::string>{"读取历史号码失败，遗漏统计没有完成。\n"
                                     "历史数据库中有无法读取的数据（可能被其他程序改动过）。"});
}

}  // namespace
}  // namespace brivo
