// The issue range 起..止 of the window: set over the whole history after an import, and refused
// in one message by every command that uses it when it holds no draw.

#include <QPushButton>

#include "app/frm_main_fixture.h"

namespace brivo {
namespace {

using testing::RealHistory;
using testing::TestDraw;

class FrmMainRangeTest : public FrmMainTest {
 protected:
  // The draws as lines of a history text file.
  std::string WriteDrawFile(const std::vector<TestDraw>& draws) {
    std::string text;
    for (const TestDraw& d : draws) {
      text += std::to_string(d.issue);
      for (int n : d.numbers) text += (n < 10 ? " 0" : " ") + std::to_string(n);
      text += "\n";
    }
    const std::string path = dir_.File("draws.txt");
    testing::WriteFileBytes(path, text);
    return path;
  }
  void SetRange(const char* start, const char* end) {
    Find<QLineEdit>("Text3(0)")->setText(start);
    Find<QLineEdit>("Text3(1)")->setText(end);
  }
};

TEST_F(FrmMainRangeTest, AFirstImportSearchesTheWholeHistory) {
  Open();  // an empty history: 起 shows its placeholder
  const std::vector<TestDraw> draws = RealHistory(3);
  ImportFile(WriteDrawFile(draws));
  EXPECT_EQ(TextOf("Text3(0)"), QString::number(draws[1].issue));  // oldest + 1 on 上期
  EXPECT_EQ(TextOf("Text3(1)"), QString::number(draws[2].issue));
}

TEST_F(FrmMainRangeTest, EveryCommandOfTheRangeRefusesOneWithoutDraws) {
  History(RealHistory(5));  // 2003001 .. 2003005
  Open();
  Find<QPushButton>("Command5")->click();  // an omission table over the whole history
  ASSERT_GT(Find<FlexGrid>("MSFlexGrid4")->Rows(), 1);
  struct Case {
    const char* name;
    const char* start;
    const char* end;
    std::string message;
  };
  const Case cases[] = {
      {"start after end", "2003004", "2003002",
       "检索起期数2003004在止期数2003002之后，请改正检索起止期数。"},
      {"no draw between", "2010001", "2010100",
       "检索起止期数2010001～2010100内没有一期开奖号码，请改正检索起止期数。"},
  };
  for (const Case& c : cases) {
    for (const char* command : {"Command1", "Command2", "Command5", "Command6"}) {
      SCOPED_TRACE(std::string(c.name) + " " + command);
      SetRange(c.start, c.end);
      prompts_.shown.clear();
      Find<QPushButton>(command)->click();
      EXPECT_EQ(prompts_.TakeWarnings(), std::vector<std::string>{c.message});
    }
    EXPECT_EQ(Find<FlexGrid>("MSFlexGrid4")->Rows(), 1) << c.name;  // no table of the old range
  }
}

}  // namespace
}  // namespace brivo
