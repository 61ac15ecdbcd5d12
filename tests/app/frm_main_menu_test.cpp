// The settings menu: zodiac and segment offsets, the zodiac coding, the kept years and the help
// pages.

#include "app/frm_main_fixture.h"

namespace brivo {
namespace {

class FrmMainMenuTest : public FrmMainTest {
 protected:
  QAction* Item(const char* name) { return Find<QAction>(name); }
  // Types a draw: two digits a box, the blue last.
  void TypeDraw(const std::array<const char*, 7>& numbers) {
    for (int i = 1; i <= 7; ++i) {
      QTest::keyClicks(Find<QLineEdit>(QString("MaskEdBox1(%1)").arg(i).toUtf8().constData()),
                       numbers[static_cast<std::size_t>(i - 1)]);
    }
  }
  std::int64_t NewestValue(const char* column) {
    std::unique_ptr<Recordset> rs;
    EXPECT_TRUE(window_->database()->OpenSnapshot(store::kHistoryQuery, &rs).ok());
    std::int64_t v = -1;
    EXPECT_TRUE(rs->MoveLast().ok());
    EXPECT_TRUE(rs->GetInt(column, &v).ok());
    return v;
  }
};

TEST_F(FrmMainMenuTest, ZodiacOffsetByOrderCodesTheNewDraws) {
  History({{2012001, {1, 2, 3, 4, 5, 6, 7}}});  // zodiac year 2011 (兔, index 3)
  settings_->Set("SxSetup", "True");
  Open();
  Item("mnuSxcs(0)")->trigger();
  EXPECT_EQ(Stored("SxIni"), "0");
  EXPECT_TRUE(Item("mnuSxcs(0)")->isChecked());
  EXPECT_FALSE(Item("mnuSxcs(1)")->isChecked());
  // In 2012 (龙, index 4) by order: 05 is 鼠 (code 0), 06 is 猪 (code 11).
  Find<QLineEdit>("Text1")->setText("2012050");
  TypeDraw({"05", "06", "01", "02", "03", "04", "07"});
  EXPECT_EQ(NewestValue("L1B"), 0);
  EXPECT_EQ(NewestValue("L2B"), 11);
  Item("mnuSxcs(1)")->trigger();
  TypeDraw({"05", "06", "01", "02", "03", "04", "07"});
  EXPECT_EQ(NewestValue("L1B"), 1);
  EXPECT_EQ(NewestValue("L2B"), 12);
}

TEST_F(FrmMainMenuTest, ZodiacCodingTakesEffectAtTheNextOffsetChoice) {
  History({{2012060, {1, 2, 3, 4, 5, 6, 7}}});
  settings_->Set("SxSetup", "True");
  Open();
  Item("mnuSxsetup(1)")->trigger();
  EXPECT_EQ(Stored("SxSetup"), "False");
  EXPECT_TRUE(Item("mnuSxsetup(1)")->isChecked());
  EXPECT_FALSE(Item("mnuSxsetup(0)")->isChecked());
  TypeDraw({"05", "06", "01", "02", "03", "04", "07"});
  EXPECT_EQ(NewestValue("L1B"), 1);  // still by order: 鼠 with offset 1
  Item("mnuSxcs(1)")->trigger();     // recomputes the codes, now by age
  TypeDraw({"05", "06", "01", "02", "03", "04", "07"});
  EXPECT_EQ(NewestValue("L1B"), 5);  // by age in the reference year: ((5 - 1) mod 12) + 1
}

TEST_F(FrmMainMenuTest, SegmentOffsetAppliesToRedAndBlue) {
  History({{2012060, {1, 2, 3, 4, 5, 6, 7}}});
  Open();
  Item("mnuDscs(0)")->trigger();
  EXPECT_EQ(Stored("DsIni"), "0");
  EXPECT_TRUE(Item("mnuDscs(0)")->isChecked());
  TypeDraw({"33", "01", "02", "03", "04", "05", "16"});
  EXPECT_EQ(NewestValue("L1H"), 10);
  EXPECT_EQ(NewestValue("L2H"), 0);
  EXPECT_EQ(NewestValue("L7H"), 7);
}

TEST_F(FrmMainMenuTest, KeptYearsAsksAgainUntilTheAnswerFits) {
  History({});
  Open();
  prompts_.answers = {std::string("1"), std::string("17"), std::string("abc"), std::string(" 16 ")};
  window_->mnuSetDay_Click();
  EXPECT_EQ(Stored("IniSerchDay"), "16");
  ASSERT_EQ(prompts_.shown.size(), 7u);
  EXPECT_EQ(prompts_.shown[0].title, "设置年数");
  EXPECT_EQ(prompts_.shown[1].title, "输入有误");
  EXPECT_EQ(prompts_.shown[1].text,
            "为了保证时效性和提高计算效率，软件只能统计16年以内的数据，请输入2到16中的自然数。");
  prompts_.answers = {std::nullopt};
  window_->mnuSetDay_Click();
  EXPECT_EQ(Stored("IniSerchDay"), "16");
}

TEST_F(FrmMainMenuTest, HelpItemsOpenTheShippedPages) {
  History({});
  Open();
  for (const char* item : {"mnuFrontPage", "mnuDescrb", "numYanshiDown"}) Item(item)->trigger();
  ASSERT_EQ(launcher_.addresses.size(), 3u);
  const char* const pages[3] = {"index.html", "commands.html", "walkthrough.html"};
  for (int i = 0; i < 3; ++i) {
    const QUrl url(QString::fromStdString(launcher_.addresses[static_cast<std::size_t>(i)]));
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_TRUE(url.toLocalFile().endsWith(pages[i]));
    EXPECT_TRUE(std::filesystem::exists(url.toLocalFile().toStdString())) << pages[i];
  }
}

}  // namespace
}  // namespace brivo
