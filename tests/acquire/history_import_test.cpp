// Replacing the history from draw lines, the scratch file, the input box answers and the checks
// of a typed draw.

#include "acquire/history_import.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "acquire/draw_line.h"
#include "acquire/manual_entry.h"
#include "acquire/truncation.h"
#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo::acquire {
namespace {

using ::testing::ElementsAre;

std::vector<std::int32_t> IssuesOf(const ParsedLines& parsed) {
  std::vector<std::int32_t> issues;
  for (const ParsedDraw& d : parsed.draws) issues.push_back(d.issue);
  return issues;
}

TEST(ParseDrawLinesTest, IssuesCountOnOnlyOverCompleteDraws) {
  const ParsedLines parsed = ParseDrawLines(
      {
          "01 02 03 04 05 06 07",          // no issue: the one before the first + 1
          "2007001 05 12 17 23 28 31 09",  //
          "2007002 05 12",                 // short: skipped, uses no issue
          "",                              //
          "01 02 03 04 05 06 07",          // 2007002
          "0000000 01 02 03 04 05 06 07",  // issue 0: skipped
          "2007005 01 02 03 04 05 06 17",  // blue out of range
      },
      2006153);
  EXPECT_THAT(IssuesOf(parsed), ElementsAre(2006154, 2007001, 2007002));
  EXPECT_EQ(parsed.lines_read, 7);
  EXPECT_EQ(parsed.lines_skipped, 4);
}

class ReplaceHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path = dir_.File("QolvexSSQ.mdb");
    ASSERT_TRUE(testing::BuildHistory(path, testing::RealHistory(5)).ok());
    ASSERT_TRUE(store::OpenHistoryDatabase(path, &db_).ok());
    ASSERT_TRUE(db_->OpenTable(store::kHistoryTable, &table_).ok());
    tables_.ComputeCodes(1, false);
    context_.zodiac = &tables_;
    context_.memory = &memory_;
  }
  std::vector<std::string> Column(const char* name) {
    std::vector<std::string> values = testing::HistoryColumn(*db_, name);
    for (std::string& v : values) {
      if (v == "<null>") v.clear();
    }
    return values;
  }

  testing::TempDir dir_;
  std::unique_ptr<Database> db_;
  std::unique_ptr<Recordset> table_;
  store::ZodiacTables tables_;
  store::PrecedingMemory memory_;
  AppendContext context_;
};

TEST_F(ReplaceHistoryTest, RebuildListsReachTwoDrawsBack) {
  const std::vector<ParsedDraw> draws = {{2007001, {1, 2, 3, 4, 5, 6, 7}},
                                         {2007002, {8, 9, 10, 11, 12, 13, 14}},
                                         {2007003, {15, 16, 17, 18, 19, 20, 1}}};
  ASSERT_TRUE(ReplaceHistory(*db_, *table_, context_, draws, EarlierLists::kTwoBefore).ok());
  EXPECT_THAT(Column("SQQH"), ElementsAre("2007001", "2007002", "2007003"));
  EXPECT_THAT(Column("txtHisLst"),
              ElementsAre("", "01 02 03 04 05 06 07 ", "08 09 10 11 12 13 14 "));
  EXPECT_THAT(Column("txtHisPreLst"), ElementsAre("", "", "01 02 03 04 05 06 07 "));
  EXPECT_THAT(Column("L1AP"), ElementsAre("0", "0", "1"));
  EXPECT_EQ(tables_.reference_year(), 2006);  // 2007003 is before the Spring Festival
}

TEST_F(ReplaceHistoryTest, AFailingDrawLeavesTheOldHistoryAndMemory) {
  memory_.last[1][store::Kind::kHm] = 21;
  const std::vector<ParsedDraw> draws = {{2007001, {1, 2, 3, 4, 5, 6, 7}},
                                         {INT32_MAX, {1, 2, 3, 4, 5, 6, 7}}};  // QQH overflows
  EXPECT_FALSE(ReplaceHistory(*db_, *table_, context_, draws, EarlierLists::kUnset).ok());
  EXPECT_EQ(Column("SQQH").size(), 5u);
  EXPECT_EQ(Column("SQQH").front(), "2003001");
  EXPECT_EQ(memory_.last[1][store::Kind::kHm], 21);
  // The table recordset still works afterwards.
  ASSERT_TRUE(table_->MoveLast().ok());
  EXPECT_EQ(table_->RecordCount(), 5);
}

TEST(ScratchFileTest, RoundTripsThroughTheLineRules) {
  testing::TempDir dir;
  const std::string path = dir.File("lsbf.txt");
  const std::vector<ParsedDraw> draws = {{2003001, {26, 28, 11, 13, 10, 12, 11}},
                                         {2003002, {4, 9, 19, 20, 21, 26, 12}}};
  ASSERT_TRUE(WriteScratchFile(path, draws).ok());
  EXPECT_EQ(testing::ReadFileBytes(path),
            "2003001 26 28 11 13 10 12 11 \r\n2003002 04 09 19 20 21 26 12 \r\n");
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadTextLines(path, &lines).ok());
  const ParsedLines parsed = ParseDrawLines(lines, 0);
  ASSERT_EQ(parsed.draws.size(), 2u);
  EXPECT_EQ(parsed.draws[0].numbers, draws[0].numbers);
  EXPECT_FALSE(WriteScratchFile(dir.path().string(), draws).ok());
}

TEST(ParsePositiveAnswerTest, DigitsOnly) {
  const std::pair<std::optional<std::string>, std::int32_t> cases[] = {
      {"2014016", 2014016},
      {"  3 ", 3},
      {"0", 0},
      {"", 0},
      {std::nullopt, 0},
      {"abc", 0},
      {"2014016abc", 0},
      {"1.5", 0},
      {"-3", 0},
      {"+3", 0},
      {"99999999999", 0},
      {"2147483647", 2147483647},
  };
  for (const auto& [answer, expected] : cases) {
    EXPECT_EQ(ParsePositiveAnswer(answer), expected) << answer.value_or("<cancel>");
  }
}

TEST(CheckManualEntryTest, AcceptsOnlyACompleteValidDraw) {
  using Boxes = std::array<std::string, 7>;
  const Boxes good = {"03", "11", "17", "24", "28", "32", "09"};
  std::string problem;
  auto draw = CheckManualEntry(good, " 2007001 ", 2006153, &problem);
  ASSERT_TRUE(draw.has_value());
  EXPECT_EQ(draw->issue, 2007001);
  EXPECT_EQ(draw->numbers[6], 9);

  struct Case {
    const char* name;
    Boxes boxes;
    const char* issue;
  };
  const Case bad[] = {
      {"incomplete red", {"3_", "11", "17", "24", "28", "32", "09"}, "2007001"},
      {"empty red", {"__", "11", "17", "24", "28", "32", "09"}, "2007001"},
      {"red 34", {"34", "11", "17", "24", "28", "32", "09"}, "2007001"},
      {"blue 17", {"03", "11", "17", "24", "28", "32", "17"}, "2007001"},
      {"blue 00", {"03", "11", "17", "24", "28", "32", "00"}, "2007001"},
      {"repeated red", {"03", "11", "17", "24", "28", "03", "09"}, "2007001"},
      {"issue not above the newest", good, "2006153"},
      {"six-digit issue", good, "200700"},
      {"letters", good, "2007a01"},
  };
  for (const Case& c : bad) {
    problem.clear();
    EXPECT_FALSE(CheckManualEntry(c.boxes, c.issue, 2006153, &problem).has_value()) << c.name;
    EXPECT_FALSE(problem.empty()) << c.name;
  }
  // A blue equal to a red is a draw like any other.
  EXPECT_TRUE(CheckManualEntry({"12", "05", "06", "07", "08", "09", "12"}, "2007001", 0, &problem));
}

}  // namespace
}  // namespace brivo::acquire
