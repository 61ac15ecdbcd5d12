// The main window on Qt's offscreen platform, driven by its controls' names: start-up, the
// settings, the option handlers, the history grid and compaction.

#include "app/frm_main.h"

#include <QStatusBar>

#include "app/frm_main_fixture.h"

namespace brivo {
namespace {

using testing::RealHistory;
using testing::TestDraw;

TEST_F(FrmMainTest, FirstRunWithoutSettings) {
  const std::vector<TestDraw> draws = RealHistory(60);
  History(draws);
  FrmMain& w = Open();
  EXPECT_EQ(w.windowTitle(), QString::fromUtf8("双色球Brivo"));
  EXPECT_TRUE(Checked("Option1(1)"));
  EXPECT_TRUE(Checked("Option1(3)"));
  EXPECT_FALSE(Checked("Option1(0)"));
  EXPECT_FALSE(Checked("Option1(2)"));
  EXPECT_TRUE(Find<QCheckBox>("Check2")->isVisibleTo(&w));
  EXPECT_TRUE(Find<QCheckBox>("Check2")->isChecked());
  EXPECT_TRUE(Checked("Option5(0)"));
  EXPECT_TRUE(Checked("Option6(0)"));
  EXPECT_TRUE(Checked("Option3(0)"));
  EXPECT_TRUE(Checked("Option4(0)"));
  EXPECT_EQ(TextOf("MaskEdBox2"), "2");
  EXPECT_EQ(Find<QComboBox>("Combo1")->currentText(), "2");
  EXPECT_EQ(Find<QComboBox>("Combo1")->count(), 6);
  for (const char* menu : {"mnuSxcs", "mnuDscs", "mnuSxsetup"}) {
    EXPECT_TRUE(Find<QAction>((std::string(menu) + "(1)").c_str())->isChecked()) << menu;
    EXPECT_FALSE(Find<QAction>((std::string(menu) + "(0)").c_str())->isChecked()) << menu;
  }
  EXPECT_EQ(Find<QTabBar>("TabStrip1")->currentIndex(), 0);
  // The handlers run at start-up only show what was read: nothing is stored.
  for (const char* key :
       {"bolZyw", "bolSq", "intLei", "intXianshiLei", "intConsqSort", "bolZhpm"}) {
    EXPECT_EQ(Stored(key), "<missing>") << key;
  }
  // The history, the proposed issue, the range and the pattern of the newest draw.
  EXPECT_EQ(TextOf("Text1").toInt(), draws.back().issue + 1);
  EXPECT_EQ(TextOf("Text3(0)").toInt(), draws.front().issue + 1);
  EXPECT_EQ(TextOf("Text3(1)").toInt(), draws.back().issue);
  for (int i = 1; i <= 7; ++i) {
    const QString box = QString("Text2(%1)").arg(i);
    EXPECT_EQ(TextOf(box.toUtf8().constData()), QString::number(Number(draws, 1, i)));
    EXPECT_EQ(Pattern()[static_cast<std::size_t>(i)], Number(draws, 1, i));
  }
  auto* grid = Find<FlexGrid>("MSFlexGrid1");
  EXPECT_EQ(grid->Rows(), 61);
  EXPECT_EQ(grid->Cols(), 8);
  EXPECT_EQ(grid->Text(0, 0), QString::fromUtf8("期号"));
  EXPECT_EQ(grid->Text(0, 1), QString::fromUtf8("红1球"));
  EXPECT_EQ(grid->Text(0, 7), QString::fromUtf8("蓝球"));
  // 2003001 was drawn 10 11 12 13 26 28 + 11; shown as stored, without leading zeros.
  EXPECT_EQ(grid->Text(1, 0), "2003001");
  EXPECT_EQ(grid->Text(1, 1), "10");
  EXPECT_EQ(grid->Text(1, 7), "11");
  EXPECT_EQ(grid->ColWidthTwips(0) / 10, 82);
  EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(FrmMainTest, OptionsSurviveClosingAndReopening) {
  History(RealHistory(20));
  Open();
  Click("Option1(0)");
  Click("Option1(2)");
  Click("Option3(2)");
  Click("Option4(3)");
  Click("Option5(2)");
  Click("Option6(1)");
  EXPECT_EQ(Stored("bolZyw"), "False");
  EXPECT_EQ(Stored("bolSq"), "False");
  EXPECT_EQ(Stored("intXianshiLei"), "3");
  EXPECT_EQ(window_->state().result_letter, 'F');
  FrmMain& again = Open();
  EXPECT_TRUE(Checked("Option1(0)"));
  EXPECT_TRUE(Checked("Option1(2)"));
  EXPECT_TRUE(Checked("Option3(2)"));
  EXPECT_TRUE(Checked("Option4(3)"));
  EXPECT_TRUE(Checked("Option5(2)"));
  EXPECT_TRUE(Checked("Option6(1)"));
  EXPECT_FALSE(Find<QCheckBox>("Check2")->isVisibleTo(&again));
}

TEST_F(FrmMainTest, EarlierBasisTakesTheNthNewestDraw) {
  const std::vector<TestDraw> draws = RealHistory(30);
  History(draws);
  settings_->Set("bolSq", "False");
  settings_->Set("intPreQi", "3");
  Open();
  EXPECT_EQ(TextOf("Text3(0)"), "2003004");
  for (int i = 1; i <= 7; ++i) {
    EXPECT_EQ(Pattern()[static_cast<std::size_t>(i)], Number(draws, 3, i)) << i;
  }
}

TEST_F(FrmMainTest, LookBackDistanceBoxStoresAndRefreshes) {
  const std::vector<TestDraw> draws = RealHistory(30);
  History(draws);
  Open();
  Click("Option1(2)");
  Find<QLineEdit>("MaskEdBox2")->setText("5");
  window_->MaskEdBox2_LostFocus();
  EXPECT_EQ(Stored("intPreQi"), "5");
  EXPECT_EQ(TextOf("Text3(0)"), "2003006");
  EXPECT_EQ(Pattern()[1], Number(draws, 5, 1));
  // On the previous-draw basis the digit is stored, but the newest draw stays the pattern.
  Click("Option1(3)");
  Find<QLineEdit>("MaskEdBox2")->setText("4");
  window_->MaskEdBox2_LostFocus();
  EXPECT_EQ(Stored("intPreQi"), "4");
  EXPECT_EQ(TextOf("Text3(0)"), "2003002");
  EXPECT_EQ(Pattern()[1], Number(draws, 1, 1));
  // An empty box or 0 keeps the distance.
  for (const char* bad : {"", "0"}) {
    Find<QLineEdit>("MaskEdBox2")->setText(bad);
    window_->MaskEdBox2_LostFocus();
    EXPECT_EQ(Stored("intPreQi"), "4") << bad;
    EXPECT_EQ(TextOf("MaskEdBox2"), "4") << bad;
  }
}

TEST_F(FrmMainTest, ZodiacKindShowsAnimalNames) {
  History(RealHistory(10));
  settings_->Set("intLei", "1");
  Open();
  for (int i = 1; i <= 7; ++i) {
    const QString text = TextOf(QString("Text2(%1)").arg(i).toUtf8().constData());
    EXPECT_EQ(text.size(), 1) << text.toStdString();
    EXPECT_FALSE(text.at(0).isDigit());
  }
  Click("Option3(0)");
  EXPECT_EQ(TextOf("Text2(1)"), QString::number(RealHistory(10).back().numbers[0]));
}

TEST_F(FrmMainTest, FixedModeHidesTheCountBlueBoxAndFreeModeShowsItUnchanged) {
  History(RealHistory(5));
  FrmMain& w = Open();
  auto* check2 = Find<QCheckBox>("Check2");
  check2->setChecked(false);
  Click("Option1(0)");
  EXPECT_FALSE(check2->isVisibleTo(&w));
  EXPECT_EQ(Stored("bolZyw"), "False");
  Click("Option1(1)");
  EXPECT_TRUE(check2->isVisibleTo(&w));
  EXPECT_FALSE(check2->isChecked());
  window_->Check2_LostFocus();
  EXPECT_EQ(Stored("intIdfTm"), "0");
}

TEST_F(FrmMainTest, ManualTabAndTypedPatternValues) {
  const std::vector<TestDraw> draws = RealHistory(10);
  History(draws);
  Open();
  auto* box = Find<QLineEdit>("Text22(1)");
  QTest::keyClicks(box, "a-3b");
  EXPECT_EQ(box->text(), "-3");
  Find<QLineEdit>("Text22(2)")->setText("x");
  Find<QLineEdit>("Text22(3)")->setText("40000");
  auto* tabs = Find<QTabBar>("TabStrip1");
  tabs->setCurrentIndex(1);
  EXPECT_TRUE(window_->state().manual_tab);
  EXPECT_EQ(Pattern()[1], -3);
  EXPECT_EQ(Pattern()[2], Number(draws, 1, 2));  // not an integer: kept
  EXPECT_EQ(Pattern()[3], Number(draws, 1, 3));  // beyond 16 bits: kept
  tabs->setCurrentIndex(0);
  EXPECT_FALSE(window_->state().manual_tab);
  EXPECT_EQ(Pattern()[1], Number(draws, 1, 1));
  // With animal names in the automatic boxes the pattern record is read again.
  Click("Option3(1)");
  const std::int16_t code = Pattern()[1];
  tabs->setCurrentIndex(1);
  tabs->setCurrentIndex(0);
  EXPECT_EQ(Pattern()[1], code);
}

TEST_F(FrmMainTest, TheAutomaticTabShowsThePatternRecordAsItIsWhenShownAgain) {
  const std::vector<TestDraw> draws = RealHistory(10);
  History(draws);
  Open();
  auto* tabs = Find<QTabBar>("TabStrip1");
  auto shown_and_searched = [this](int position) {
    const QString box = QString("Text2(%1)").arg(position);
    EXPECT_EQ(TextOf(box.toUtf8().constData()).toInt(), Pattern()[position]) << position;
    return Pattern()[position];
  };
  // A draw typed while the manual tab is shown becomes the pattern record.
  tabs->setCurrentIndex(1);
  const char* const typed[] = {"03", "11", "17", "24", "28", "32", "09"};
  for (int i = 1; i <= 7; ++i) {
    QTest::keyClicks(Find<QLineEdit>(QString("MaskEdBox1(%1)").arg(i).toUtf8().constData()),
                     typed[i - 1]);
  }
  tabs->setCurrentIndex(0);
  EXPECT_EQ(shown_and_searched(1), 3);
  EXPECT_EQ(shown_and_searched(7), 9);
  // Another kind chosen there: the units digits of the typed draw.
  tabs->setCurrentIndex(1);
  Click("Option3(3)");
  tabs->setCurrentIndex(0);
  EXPECT_EQ(shown_and_searched(2), 1);
  EXPECT_EQ(shown_and_searched(4), 4);
  // Another basis chosen there: 前2期 takes the newest stored draw of the real history.
  tabs->setCurrentIndex(1);
  Click("Option1(2)");
  tabs->setCurrentIndex(0);
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(shown_and_searched(i), Number(draws, 1, i) % 10);
}

TEST_F(FrmMainTest, AManualBoxThatHoldsNoNumberShowsTheValueSearched) {
  History(RealHistory(10));
  Open();
  Find<QTabBar>("TabStrip1")->setCurrentIndex(1);
  auto* box = Find<QLineEdit>("Text22(2)");
  box->setText("7");
  window_->Text22_LostFocus(2);
  for (const char* bad : {"99999", "5-3", "-"}) {
    box->setText(bad);
    window_->Text22_LostFocus(2);
    EXPECT_EQ(box->text(), "7") << bad;
    EXPECT_EQ(Pattern()[2], 7) << bad;
    EXPECT_TRUE(window_->statusBar()->currentMessage().contains(QString::fromUtf8(bad))) << bad;
  }
  box->setText("-3");
  window_->Text22_LostFocus(2);
  EXPECT_EQ(Pattern()[2], -3);
}

TEST_F(FrmMainTest, SwitchingTheSearchModeLeavesTheFramesWhereTheyAre) {
  History(RealHistory(5));
  Open();
  auto frames = [this] {
    std::vector<QRect> places;
    for (const char* control : {"Text3(0)", "Option1(3)", "Option1(0)", "Option2(5)"}) {
      const QWidget* frame = Find<QWidget>(control)->parentWidget();
      places.emplace_back(frame->mapTo(window_.get(), QPoint(0, 0)), frame->size());
    }
    return places;
  };
  Click("Option1(1)");
  QApplication::processEvents();
  const std::vector<QRect> free_mode = frames();
  Click("Option1(0)");
  QApplication::processEvents();
  EXPECT_FALSE(Find<QCheckBox>("Check2")->isVisible());
  EXPECT_EQ(frames(), free_mode);
}

TEST_F(FrmMainTest, CombinationSizeBox) {
  History(RealHistory(5));
  Open();
  auto* combo = Find<QComboBox>("Combo1");
  combo->setEditText("4");
  window_->Combo1_LostFocus();
  EXPECT_EQ(Stored("intZhWSetup"), "4");
  for (const char* bad : {"abc", "", "7", "0"}) {
    combo->setEditText(bad);
    window_->Combo1_LostFocus();
    EXPECT_EQ(Stored("intZhWSetup"), "4") << bad;
    EXPECT_EQ(combo->currentText(), "4") << bad;
  }
}

TEST_F(FrmMainTest, CommandsCommitTheFocusedBoxFirst) {
  History(RealHistory(10));
  FrmMain& w = Open();
  w.show();
  QApplication::setActiveWindow(&w);
  auto* combo = Find<QComboBox>("Combo1");
  combo->setFocus();
  combo->setEditText("5");
  // An access key fires the button without taking the focus from the box.
  window_->CommitPendingEdits();
  EXPECT_EQ(Stored("intZhWSetup"), "5");
}

TEST_F(FrmMainTest, SettingsEditedOutsideTheProgramReadAsDefaults) {
  History(RealHistory(10));
  for (const char* bad : {"", "abc", "99999999999", "-5", "17"}) {
    for (const char* key :
         {"bolZyw", "bolSq", "intPreQi", "intLei", "intXianshiLei", "intConsqSort", "intIdfTm",
          "bolZhpm", "intZhWSetup", "SxIni", "DsIni", "SxSetup", "IniSerchDay"}) {
      settings_->Set(key, bad);
    }
    FrmMain& w = Open();
    EXPECT_TRUE(Checked("Option1(1)")) << bad;
    EXPECT_TRUE(Checked("Option3(0)")) << bad;
    EXPECT_EQ(TextOf("MaskEdBox2"), "2") << bad;
    EXPECT_EQ(w.state().IniSerchDay, 6) << bad;
    EXPECT_EQ(w.state().SxIni, 1) << bad;
    EXPECT_EQ(Stored("intLei"), bad);  // what the user wrote stays until they choose again
  }
}

TEST_F(FrmMainTest, EmptyHistory) {
  History({});
  Open();
  EXPECT_EQ(TextOf("Text1"), "2026001");
  EXPECT_EQ(TextOf("Text3(0)"), "2013001");
  EXPECT_EQ(TextOf("Text3(1)"), "2013001");
  EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), 1);
  EXPECT_EQ(Pattern(), (std::array<std::int16_t, 8>{}));
  EXPECT_EQ(window_->state().proposed_issue, 0);
}

TEST_F(FrmMainTest, MissingDatabaseIsCreated) {
  Open();
  EXPECT_TRUE(std::filesystem::exists(HistoryPath()));
  EXPECT_NE(window_->history_table(), nullptr);
  EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(FrmMainTest, LongHistoryScrollsToTheNewestDraw) {
  History(RealHistory(20));
  FrmMain& w = Open();
  w.show();
  EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->TopRow(), 1);
  std::vector<testing::TestDraw> later = RealHistory(220);
  later.erase(later.begin(), later.begin() + 20);
  History(later);  // appends 200 draws: 220 rows
  window_->AddHaoma();
  auto* grid = Find<FlexGrid>("MSFlexGrid1");
  EXPECT_EQ(grid->Rows(), 221);
  EXPECT_GT(grid->TopRow(), 1);
  const int last_row_bottom = grid->rowViewportPosition(grid->rowCount() - 1) + grid->rowHeight(0);
  EXPECT_LE(last_row_bottom, grid->viewport()->height());
}

TEST_F(FrmMainTest, CompactionKeepsEveryRowAndReopensBothRecordsets) {
  History(RealHistory(300));
  const std::string tmp = store::ProgramFile(dir_.path().string(), store::kCompactFileName);
  testing::WriteFileBytes(tmp, "an older copy");
  Open();
  ASSERT_TRUE(window_->CompactDb().ok());
  EXPECT_TRUE(std::filesystem::exists(tmp));
  ASSERT_NE(window_->history_table(), nullptr);
  EXPECT_EQ(window_->history_draws().size(), 300u);
  ASSERT_TRUE(window_->history_table()->MoveLast().ok());
  EXPECT_EQ(window_->history_table()->RecordCount(), 300);
}

TEST_F(FrmMainTest, FailedCompactionKeepsTheHistory) {
  History(RealHistory(50));
  const std::string tmp = store::ProgramFile(dir_.path().string(), store::kCompactFileName);
  std::filesystem::create_directories(tmp + "/blocked");
  Open();
  EXPECT_FALSE(window_->CompactDb().ok());
  EXPECT_EQ(window_->history_draws().size(), 50u);
}

TEST_F(FrmMainTest, UnopenableDatabaseGivesOneMessageAndAnEmptyWindow) {
  const std::string bytes = "2003001 10 11 12 13 26 28 11 \r\n";
  testing::WriteFileBytes(HistoryPath(), bytes);
  Open();  // the offer to keep it under another name is declined
  ASSERT_EQ(prompts_.shown.size(), 1u);
  EXPECT_EQ(prompts_.shown[0].kind, "confirm");
  EXPECT_EQ(Find<FlexGrid>("MSFlexGrid1")->Rows(), 1);
  EXPECT_EQ(TextOf("Text1"), "2026001");
  // Every later command is harmless.
  Click("Option1(0)");
  Click("Option3(1)");
  window_->AddHaoma();
  window_->QihaoXianshi();
  window_->PatternRefresh();
  EXPECT_EQ(testing::ReadFileBytes(HistoryPath()), bytes);
}

TEST_F(FrmMainTest, AccessFileIsKeptUnderAnotherNameWhenTheUserAgrees) {
  std::string access(4096, '\0');
  access.replace(4, 15, "Standard Jet DB");
  testing::WriteFileBytes(HistoryPath(), access);
  prompts_.answers = {std::nullopt};
  Open();
  ASSERT_EQ(prompts_.shown.size(), 1u);
  EXPECT_EQ(prompts_.shown[0].kind, "confirm");
  EXPECT_EQ(testing::ReadFileBytes(HistoryPath()), access);
  EXPECT_EQ(window_->history_table(), nullptr);

  prompts_.answers = {std::string("ok")};
  Open();
  const std::string kept = dir_.File("QolvexSSQ-Access.mdb");
  EXPECT_EQ(testing::ReadFileBytes(kept), access);
  EXPECT_EQ(store::DetectFileKind(HistoryPath()), store::FileKind::kSqlite);
  EXPECT_NE(window_->history_table(), nullptr);
}

TEST_F(FrmMainTest, EarlyJanuaryIssueBelongsToThePreviousZodiacYear) {
  History({{2016001, {1, 2, 3, 4, 5, 6, 7}}, {2016002, {1, 2, 3, 4, 5, 6, 7}}});
  Open();
  EXPECT_EQ(TextOf("Text1"), "2016003");
  EXPECT_EQ(window_->zodiac().reference_year(), 2015);
}

}  // namespace
}  // namespace brivo
