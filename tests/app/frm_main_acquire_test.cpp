// Keeping the history through the window: typing a draw, importing a text file, deleting the
// newest draw, clearing, and both truncations with their rebuild.

#include <QStatusBar>

#include "acquire/draw_line.h"
#include "app/frm_main_fixture.h"

namespace brivo {
namespace {

using testing::RealHistory;
using testing::TestDraw;

class FrmMainHistoryTest : public FrmMainTest {
 protected:
  QLineEdit* Box(int i) {
    return Find<QLineEdit>(QString("MaskEdBox1(%1)").arg(i).toUtf8().constData());
  }
  // Types the draw as a user does: two digits into each box, red ones first.
  void TypeDraw(const std::vector<const char*>& numbers) {
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      QTest::keyClicks(Box(static_cast<int>(i) + 1), numbers[i]);
    }
  }
  std::vector<std::int64_t> Issues() {
    std::unique_ptr<Recordset> rs;
    EXPECT_TRUE(window_->database()->OpenSnapshot(store::kHistoryQuery, &rs).ok());
    std::vector<std::int64_t> issues;
    for (; rs && !rs->IsEof(); (void)rs->MoveNext()) {
      std::int64_t issue = 0;
      EXPECT_TRUE(rs->GetInt("SQQH", &issue).ok());
      issues.push_back(issue);
    }
    return issues;
  }
  // A column of every row, in issue order ("<null>" for NULL).
  std::vector<std::string> Column(const char* name) {
    return testing::HistoryColumn(*window_->database(), name);
  }
  std::string WriteFile(const char* name, const std::string& bytes) {
    const std::string path = dir_.File(name);
    testing::WriteFileBytes(path, bytes);
    return path;
  }
  // Answers the import's confirmation and file dialog.
  void Import(const std::string& path) {
    prompts_.answers = {std::string("ok"), path};
    window_->cmdRdLst_Click();
  }
  QString Hint() { return window_->statusBar()->currentMessage(); }
  FlexGrid* Grid() { return Find<FlexGrid>("MSFlexGrid1"); }
};

TEST_F(FrmMainHistoryTest, TypedDrawIsStoredUnderTheProposedIssue) {
  History(RealHistory(5));
  Open();
  TypeDraw({"03", "11", "17", "24", "28", "32", "09"});
  EXPECT_EQ(Issues().back(), 2003006);
  EXPECT_EQ(Column("txtHisLst").back(), "04 06 15 17 30 31 16 ");  // the lists of 2003005
  EXPECT_EQ(TextOf("Text1"), "2003007");
  EXPECT_EQ(Grid()->Text(6, 0), "2003006");
  EXPECT_EQ(Grid()->Text(6, 7), "9");
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(Box(i)->text(), "") << i;
  EXPECT_TRUE(Box(1)->hasFocus() || !window_->isActiveWindow());
  EXPECT_EQ(Pattern()[7], 9);
}

TEST_F(FrmMainHistoryTest, EditingTheBlueBoxAfterAStoreWaitsForAKey) {
  History(RealHistory(5));
  Open();
  TypeDraw({"03", "11", "17", "24", "28", "32", "09"});
  ASSERT_EQ(Issues().size(), 6u);
  Box(7)->setText("12");  // a change without a key: the flag is still set
  EXPECT_EQ(Issues().size(), 6u);
  Box(7)->clear();
  TypeDraw({"01", "02", "03", "04", "05", "06", "12"});
  EXPECT_EQ(Issues().size(), 7u);
}

TEST_F(FrmMainHistoryTest, BadEntriesAreNotStoredAndStayInTheBoxes) {
  History(RealHistory(5));
  Open();
  struct Case {
    const char* name;
    std::vector<const char*> numbers;
  };
  const Case cases[] = {
      {"red above 33", {"34", "11", "17", "24", "28", "32", "09"}},
      {"red 00", {"00", "11", "17", "24", "28", "32", "09"}},
      {"blue above 16", {"03", "11", "17", "24", "28", "32", "17"}},
      {"repeated red", {"03", "11", "11", "24", "28", "32", "09"}},
      {"blue completed first", {"", "", "", "", "", "", "09"}},
  };
  for (const Case& c : cases) {
    for (int i = 1; i <= 7; ++i) Box(i)->clear();
    TypeDraw(c.numbers);
    EXPECT_EQ(Issues().size(), 5u) << c.name;
    EXPECT_EQ(Box(7)->text(), c.numbers[6]) << c.name;
    EXPECT_FALSE(Hint().isEmpty()) << c.name;
  }
}

TEST_F(FrmMainHistoryTest, TheIssueBoxDecidesAcrossAYearsEnd) {
  History({{2016152, {1, 2, 3, 4, 5, 6, 7}}, {2016153, {1, 2, 3, 4, 5, 6, 7}}});
  Open();
  EXPECT_EQ(TextOf("Text1"), "2016154");
  Find<QLineEdit>("Text1")->setText("2017001");
  TypeDraw({"03", "11", "17", "24", "28", "32", "09"});
  EXPECT_EQ(Issues().back(), 2017001);
  EXPECT_EQ(TextOf("Text1"), "2017002");
  for (const char* bad : {"2017001", "201700", "abc", "20170012"}) {
    Find<QLineEdit>("Text1")->setText(bad);
    TypeDraw({"01", "02", "03", "04", "05", "06", "07"});
    EXPECT_EQ(Issues().size(), 3u) << bad;
    for (int i = 1; i <= 7; ++i) Box(i)->clear();
  }
}

TEST_F(FrmMainHistoryTest, FirstDrawOfAnEmptyHistoryGetsTheCurrentYear) {
  History({});
  Open();
  TypeDraw({"03", "11", "17", "24", "28", "32", "09"});
  EXPECT_EQ(Issues(), std::vector<std::int64_t>{2026001});
  EXPECT_EQ(Column("txtHisLst"), std::vector<std::string>{"<null>"});
  EXPECT_EQ(TextOf("Text1"), "2026002");
}

TEST_F(FrmMainHistoryTest, ImportReplacesTheHistory) {
  History(RealHistory(40));
  Open();
  const std::string file = WriteFile("draws.TXT",
                                     "2007001 05 12 17 23 28 31 09\r\n"
                                     "2007002,01,02,03,04,05,06,07\r\n"
                                     "03 11 17 24 28 32 09\n");
  Import(file);
  EXPECT_EQ(Issues(), (std::vector<std::int64_t>{2007001, 2007002, 2007003}));
  EXPECT_EQ(TextOf("Text1"), "2007004");
  EXPECT_EQ(Column("L2A")[1], "2");
  EXPECT_EQ(Column("txtHisLst"),
            (std::vector<std::string>{"", "05 12 17 23 28 31 09 ", "01 02 03 04 05 06 07 "}));
  EXPECT_EQ(Column("L1AS")[0], "0");  // the memory starts from zero
  EXPECT_EQ(Grid()->Rows(), 4);
  EXPECT_EQ(prompts_.shown[0].title, "读入历史");
  EXPECT_EQ(prompts_.shown[1].kind, "open");
}

TEST_F(FrmMainHistoryTest, ShortLinesAreSkippedAndUseNoIssue) {
  History(RealHistory(3));
  Open();
  Import(WriteFile("d.txt",
                   "\xEF\xBB\xBF"
                   "2007001 05 12 17 23 28 31 09\r"
                   "2007002 05 12 17\r"
                   "\r"
                   "01 02 03 04 05 06 07\r"
                   "2007009 05 12 17 23 28 34 09\r"));
  EXPECT_EQ(Issues(), (std::vector<std::int64_t>{2007001, 2007002}));
  EXPECT_TRUE(Hint().contains("5")) << Hint().toStdString();
}

TEST_F(FrmMainHistoryTest, AFileListedNewestFirstIsAppendedOldestFirst) {
  const std::vector<TestDraw> draws = RealHistory(30);
  std::string oldest_first;
  std::string newest_first;
  for (const TestDraw& d : draws) {
    const std::string line = acquire::FormatDrawLine(d.issue, d.numbers) + "\r\n";
    oldest_first += line;
    newest_first = line + newest_first;
  }
  History(RealHistory(3));
  Open();
  const char* const compared[] = {"SQQH", "L1A", "L7B", "txtHisLst", "txtHisLstSx", "L3HS"};
  Import(WriteFile("oldest-first.txt", oldest_first));
  std::vector<std::vector<std::string>> expected;
  for (const char* c : compared) expected.push_back(Column(c));
  Import(WriteFile("newest-first.txt", newest_first));
  for (std::size_t i = 0; i < std::size(compared); ++i) {
    EXPECT_EQ(Column(compared[i]), expected[i]) << compared[i];
  }
  EXPECT_EQ(Column("txtHisLst")[1], "10 11 12 13 26 28 11 ");  // 2003002 follows 2003001
  EXPECT_EQ(TextOf("Text1"), "2003031");
  EXPECT_TRUE(Hint().contains(QString::fromUtf8("从新到旧"))) << Hint().toStdString();
}

TEST_F(FrmMainHistoryTest, AFileOutOfOrderOrWithARepeatedIssueIsRefusedNamingTheLine) {
  const std::pair<const char*, const char*> files[] = {
      {"2007001 05 12 17 23 28 31 09\r\n"
       "2007003 01 02 03 04 05 06 07\r\n"
       "bad line\r\n"
       "2007002 01 02 03 04 05 06 07\r\n",
       "文件第4行的期号2007002与第2行的期号2007003顺序不符"},
      {"2007003 05 12 17 23 28 31 09\r\n"
       "2007002 01 02 03 04 05 06 07\r\n"
       "2007002 01 02 03 04 05 06 08\r\n",
       "文件第3行的期号2007002与第2行的期号2007002顺序不符"},
  };
  History(RealHistory(10));
  Open();
  for (const auto& [bytes, message] : files) {
    prompts_.shown.clear();
    Import(WriteFile("shuffled.txt", bytes));
    ASSERT_EQ(prompts_.shown.back().kind, "warn");
    EXPECT_EQ(prompts_.shown.back().text.rfind(message, 0), 0u) << prompts_.shown.back().text;
    EXPECT_EQ(Issues().size(), 10u);
  }
}

TEST_F(FrmMainHistoryTest, ImportsThatCannotBeDoneLeaveTheHistoryAlone) {
  History(RealHistory(10));
  Open();
  const std::string folder = dir_.File("folder.txt");
  std::filesystem::create_directories(folder);
  const std::vector<std::pair<const char*, std::string>> files = {
      {"missing", dir_.File("none.txt")},
      {"a folder", folder},
      {"no valid line", WriteFile("junk.txt", "hello\r\n2007001 01 02\r\n")},
      {"not a txt name", WriteFile("draws.csv", "2007001 05 12 17 23 28 31 09\r\n")},
  };
  for (const auto& [name, path] : files) {
    prompts_.shown.clear();
    Import(path);
    EXPECT_EQ(Issues().size(), 10u) << name;
  }
  prompts_.answers = {std::nullopt};  // the confirmation cancelled
  window_->cmdRdLst_Click();
  EXPECT_EQ(Issues().size(), 10u);
}

TEST_F(FrmMainHistoryTest, DeletingTheNewestDraw) {
  History(RealHistory(3));
  Open();
  std::vector<std::string> seen;
  window_->database()->set_observer([&](std::string_view sql) { seen.emplace_back(sql); });
  window_->Command3_Click();
  EXPECT_EQ(Issues(), (std::vector<std::int64_t>{2003001, 2003002}));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0], "SELECT * FROM lishi ORDER BY SQQH");
  EXPECT_EQ(TextOf("Text1"), "2003003");  // the deleted issue is proposed again
  EXPECT_TRUE(std::filesystem::exists(dir_.File("QolvexSSQTmp.mdb")));
  window_->Command3_Click();
  window_->Command3_Click();
  EXPECT_TRUE(Issues().empty());
  EXPECT_EQ(TextOf("Text1"), "2003002");
  EXPECT_EQ(TextOf("Text3(1)"), "0");
  EXPECT_EQ(Grid()->Rows(), 1);
  window_->Command3_Click();  // harmless on an empty history
  EXPECT_TRUE(Issues().empty());
}

TEST_F(FrmMainHistoryTest, ClearingAsksFirst) {
  History(RealHistory(5));
  Open();
  prompts_.answers = {std::nullopt};
  window_->mnuClear_Click();
  EXPECT_EQ(Issues().size(), 5u);
  EXPECT_EQ(prompts_.shown.back().text, "确定要清空所有的历史号码吗？");
  EXPECT_EQ(prompts_.shown.back().title, "确认清空");
  prompts_.answers = {std::string("ok")};
  window_->mnuClear_Click();
  EXPECT_TRUE(Issues().empty());
  EXPECT_EQ(TextOf("Text1"), "2003006");
  prompts_.answers = {std::string("ok")};
  window_->mnuClear_Click();  // harmless on an empty history
}

TEST_F(FrmMainHistoryTest, TruncateToAnIssueRebuildsTheKeptDraws) {
  std::vector<TestDraw> draws;
  for (int i = 1; i <= 30; ++i) draws.push_back({2014000 + i, {i % 33 + 1, 2, 3, 4, 5, 6, 7}});
  History(draws);
  Open();
  prompts_.answers = {std::string(" 2014016 "), std::string("ok")};
  window_->mnuDlzd_Click();
  const std::vector<std::int64_t> issues = Issues();
  ASSERT_EQ(issues.size(), 16u);
  EXPECT_EQ(issues.back(), 2014016);
  EXPECT_EQ(TextOf("Text1"), "2014017");
  EXPECT_EQ(prompts_.shown[0].title, "删除期数");
  // Rebuilt lists: the draw before, and the draw two before.
  const std::vector<std::string> before = Column("txtHisLst");
  const std::vector<std::string> two_before = Column("txtHisPreLst");
  EXPECT_EQ(before[0], "");
  EXPECT_EQ(two_before[0], "");
  EXPECT_EQ(two_before[1], "");
  EXPECT_EQ(two_before[2], before[1]);
  EXPECT_EQ(before[2], "03 02 03 04 05 06 07 ");
  EXPECT_EQ(Column("txtHisPreLstHm")[5], "1X05 1X02 1X03 1X04 2X05 1X06 1X07 ");
  EXPECT_TRUE(std::filesystem::exists(dir_.File("lsbf.txt")));
}

TEST_F(FrmMainHistoryTest, AnswersThatAreNoPositiveNumberChangeNothing) {
  History(RealHistory(8));
  Open();
  for (const char* answer : {"0", "abc", "", "2014016abc", "1.5", "-3"}) {
    prompts_.answers = {std::string(answer)};
    window_->mnuDlzd_Click();
    prompts_.answers = {std::string(answer)};
    window_->mnuEszhzd_Click();
    EXPECT_EQ(Issues().size(), 8u) << answer;
  }
  prompts_.answers = {std::nullopt};
  window_->mnuEszhzd_Click();
  EXPECT_EQ(Issues().size(), 8u);
}

TEST_F(FrmMainHistoryTest, TruncationsRemoveExactlyWhatTheirQuestionNamesAndCancelKeepsAll) {
  const std::vector<TestDraw> draws = {{2016152, {1, 2, 3, 4, 5, 6, 7}},
                                       {2016153, {1, 2, 3, 4, 5, 6, 7}},
                                       {2017001, {1, 2, 3, 4, 5, 6, 7}},
                                       {2017002, {1, 2, 3, 4, 5, 6, 7}}};
  struct Case {
    const char* name;
    void (FrmMain::*command)();
    const char* answer;
    std::string question;
    std::vector<std::int64_t> kept;
  };
  const Case cases[] = {
      {"newest 3 across a year's start",
       &FrmMain::mnuEszhzd_Click,
       "3",
       "将删除最后3期历史号码，删除后最新一期为第2016152期。\n确定要删除吗？",
       {2016152}},
      {"more than are stored",
       &FrmMain::mnuEszhzd_Click,
       "5000",
       "将删除全部4期历史号码，历史将被清空。\n确定要删除吗？",
       {}},
      {"up to an issue",
       &FrmMain::mnuDlzd_Click,
       "2016153",
       "将删除最后2期历史号码，删除后最新一期为第2016153期。\n确定要删除吗？",
       {2016152, 2016153}},
      {"up to a typo below the oldest",
       &FrmMain::mnuDlzd_Click,
       "201615",
       "将删除全部4期历史号码，历史将被清空。\n确定要删除吗？",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    History(draws);
    Open();
    prompts_.shown.clear();
    prompts_.answers = {std::string(c.answer), std::nullopt};
    (window_.get()->*c.command)();
    ASSERT_EQ(prompts_.shown.size(), 2u);
    EXPECT_EQ(prompts_.shown[1].kind, "confirm");
    EXPECT_EQ(prompts_.shown[1].text, c.question);
    EXPECT_EQ(prompts_.shown[1].title, "删除期数");
    EXPECT_EQ(Issues().size(), 4u);  // cancelled
    prompts_.answers = {std::string(c.answer), std::string("ok")};
    (window_.get()->*c.command)();
    EXPECT_EQ(Issues(), c.kept);
    window_.reset();
    std::filesystem::remove(HistoryPath());
  }
}

TEST_F(FrmMainHistoryTest, TruncatingToTheNewestIssueAsksNothing) {
  History(RealHistory(6));
  Open();
  prompts_.answers = {std::string("2003006")};
  window_->mnuDlzd_Click();
  EXPECT_EQ(prompts_.shown.size(), 1u);
  EXPECT_EQ(Issues().size(), 6u);
  EXPECT_EQ(Column("txtHisPreLst")[2], Column("txtHisLst")[1]);  // rebuilt all the same
}

TEST_F(FrmMainHistoryTest, UnwritableScratchFileLeavesTheHistoryWhole) {
  History(RealHistory(12));
  std::filesystem::create_directories(dir_.File("lsbf.txt") + "/x");
  Open();
  prompts_.answers = {std::string("1"), std::string("ok")};
  window_->mnuEszhzd_Click();
  EXPECT_EQ(Issues().size(), 12u);
  EXPECT_EQ(prompts_.shown.back().kind, "warn");
}

TEST_F(FrmMainHistoryTest, ImportingTheRebuildsFileGivesTheSameRows) {
  History(RealHistory(25));
  Open();
  prompts_.answers = {std::string("2003020"), std::string("ok")};
  window_->mnuDlzd_Click();
  ASSERT_EQ(Issues().size(), 20u);
  const char* const compared[] = {"SQQH", "QQH",  "L1A",       "L7B",
                                  "L3HS", "L5GP", "txtHisLst", "txtHisLstSx"};
  std::vector<std::vector<std::string>> rebuilt;
  for (const char* c : compared) rebuilt.push_back(Column(c));
  Import(dir_.File("lsbf.txt"));
  for (std::size_t i = 0; i < std::size(compared); ++i) {
    EXPECT_EQ(Column(compared[i]), rebuilt[i]) << compared[i];
  }
}

}  // namespace
}  // namespace brivo
