// The online update over a source of year pages: which years are read, which draws are appended
// under which issues, the kept-years deletion, and failures that leave the history as it was.

#include "acquire/online_update.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "acquire/update_fixture.h"

namespace brivo::acquire {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Years of draws held in memory, each draw under its issue, as a source gives them.
class YearPages final : public DrawSource {
 public:
  std::string Name() const override { return "memory"; }
  const std::string& Base() const override { return base_; }
  Status YearDraws(int year, std::int32_t, std::vector<SourcedDraw>* draws) override {
    requested.push_back(year);
    draws->clear();
    if (failing_from > 0 && static_cast<int>(requested.size()) >= failing_from) {
      return Status::IoError("connection refused");
    }
    auto it = pages.find(year);
    if (it != pages.end()) *draws = it->second;
    return Status::Ok();
  }
  // `count` draws, the j-th draw of the year (1-based) holding red 1 = j % 27 + 7.
  void AddYear(int year, int count) {
    std::vector<SourcedDraw> draws;
    for (int j = 1; j <= count; ++j) {
      draws.push_back({year * 1000 + j, {j % 27 + 7, 2, 3, 4, 5, 6, j % 16 + 1}});
    }
    pages[year] = draws;
  }
  std::map<int, std::vector<SourcedDraw>> pages;
  std::vector<int> requested;
  int failing_from = 0;  // the request from which on every fetch fails

 private:
  std::string base_ = "memory:";
};

class OnlineUpdateTest : public UpdateFixture {
 protected:
  Status Update(int current_year, int kept_years = 6, bool delete_old_history = true) {
    OnlineUpdateRequest request;
    request.current_year = current_year;
    request.kept_years = kept_years;
    request.delete_old_history = delete_old_history;
    return RunUpdate({&pages_}, request);
  }
  std::vector<std::int64_t> Column(const char* name) {
    return testing::HistoryIntColumn(*db_, name);
  }

  YearPages pages_;
};

TEST_F(OnlineUpdateTest, AppendsTheDrawsAfterTheNewestStoredOne) {
  std::vector<testing::TestDraw> draws;
  for (int j = 1; j <= 50; ++j) draws.push_back({2016000 + j, {j % 33 + 1, 2, 3, 4, 5, 6, 7}});
  Build(draws);
  pages_.AddYear(2016, 60);
  ASSERT_TRUE(Update(2016).ok());
  EXPECT_THAT(pages_.requested, ElementsAre(2016));
  EXPECT_EQ(result_.appended, 10);
  const auto issues = Column("SQQH");
  ASSERT_EQ(issues.size(), 60u);
  EXPECT_EQ(issues[50], 2016051);
  EXPECT_EQ(Column("QQH")[50], 2016052);
  EXPECT_EQ(Column("L1A")[50], 51 % 27 + 7);
  EXPECT_EQ(Column("L7A")[59], 60 % 16 + 1);
  // A second run right after appends nothing.
  ASSERT_TRUE(Update(2016).ok());
  EXPECT_EQ(result_.appended, 0);
  EXPECT_EQ(Column("SQQH").size(), 60u);
}

// Every year from the newest stored one, even before 2013: skipping years would leave a gap.
TEST_F(OnlineUpdateTest, YearsFromTheNewestStoredYearWithoutAGap) {
  Build({{2010100, {1, 2, 3, 4, 5, 6, 7}}, {2011001, {1, 2, 3, 4, 5, 6, 7}}});
  pages_.AddYear(2011, 2);
  pages_.AddYear(2012, 1);
  pages_.AddYear(2013, 1);
  ASSERT_TRUE(Update(2013, 16).ok());
  EXPECT_THAT(pages_.requested, ElementsAre(2011, 2012, 2013));
  EXPECT_THAT(Column("SQQH"), ElementsAre(2010100, 2011001, 2011002, 2012001, 2013001));
}

TEST_F(OnlineUpdateTest, EmptyHistoryReadsTheKeptYears) {
  Build({});
  for (int year = 2010; year <= 2016; ++year) pages_.AddYear(year, 2);
  ASSERT_TRUE(Update(2016, 6).ok());
  EXPECT_THAT(pages_.requested, ElementsAre(2010, 2011, 2012, 2013, 2014, 2015, 2016));
  EXPECT_EQ(Column("SQQH").size(), 14u);
  EXPECT_EQ(Column("SQQH").front(), 2010001);
}

TEST_F(OnlineUpdateTest, AHistoryOlderThanTheKeptYearsIsFetchedAgain) {
  Build({{2008001, {1, 2, 3, 4, 5, 6, 7}}, {2016001, {1, 2, 3, 4, 5, 6, 7}}});
  for (int year = 2012; year <= 2016; ++year) pages_.AddYear(year, 1);
  ASSERT_TRUE(Update(2016, 4).ok());
  EXPECT_TRUE(result_.history_deleted);
  EXPECT_THAT(Column("SQQH"), ElementsAre(2012001, 2013001, 2014001, 2015001, 2016001));
}

TEST_F(OnlineUpdateTest, AKeptOldHistoryIsOnlyAppendedTo) {
  Build({{2008001, {1, 2, 3, 4, 5, 6, 7}}, {2016001, {1, 2, 3, 4, 5, 6, 7}}});
  pages_.AddYear(2016, 2);
  ASSERT_TRUE(Update(2016, 4, /*delete_old_history=*/false).ok());
  EXPECT_FALSE(result_.history_deleted);
  EXPECT_THAT(Column("SQQH"), ElementsAre(2008001, 2016001, 2016002));
}

// Issues come from the source; a draw left out is a failure, never a shifted year.
TEST_F(OnlineUpdateTest, AYearThatSkipsAnIssueStopsBeforeIt) {
  Build({{2015150, {1, 2, 3, 4, 5, 6, 7}}});
  pages_.AddYear(2015, 152);
  pages_.AddYear(2016, 5);
  pages_.pages[2016].erase(pages_.pages[2016].begin() + 2);  // 2016003
  EXPECT_FALSE(Update(2016).ok());
  EXPECT_EQ(result_.stopped_at, 2016001);
  ASSERT_EQ(result_.failures.size(), 1u);
  EXPECT_EQ(result_.failures[0].detail, "issue 2016003 is missing (2016004 follows)");
  EXPECT_THAT(Column("SQQH"), ElementsAre(2015150, 2015151, 2015152));
}

TEST_F(OnlineUpdateTest, AnInvalidDrawIsAFailureOfItsYear) {
  Build({{2015152, {1, 2, 3, 4, 5, 6, 7}}});
  pages_.AddYear(2015, 152);
  pages_.AddYear(2016, 3);
  pages_.pages[2016][1].numbers[3] = pages_.pages[2016][1].numbers[4];  // a red number twice
  EXPECT_FALSE(Update(2016).ok());
  EXPECT_EQ(result_.stopped_at, 2016001);
  EXPECT_THAT(Column("SQQH"), ElementsAre(2015152));
}

TEST_F(OnlineUpdateTest, APastYearWithoutDrawsIsAFailure) {
  Build({{2014152, {1, 2, 3, 4, 5, 6, 7}}});
  pages_.AddYear(2014, 152);
  pages_.AddYear(2016, 3);
  EXPECT_FALSE(Update(2016).ok());
  EXPECT_EQ(result_.stopped_at, 2015001);
  ASSERT_EQ(result_.failures.size(), 1u);
  EXPECT_EQ(result_.failures[0].detail, "no draw of 2015");
  EXPECT_THAT(pages_.requested, ElementsAre(2014, 2015));
}

// The years appended before a failed one are kept; the history stays without a gap.
TEST_F(OnlineUpdateTest, AFailedYearKeepsTheCompleteYearsBeforeIt) {
  Build({{2015150, {1, 2, 3, 4, 5, 6, 7}}});
  pages_.AddYear(2015, 152);
  pages_.AddYear(2016, 5);
  pages_.failing_from = 2;  // 2015 comes, then the server is gone
  EXPECT_FALSE(Update(2017).ok());
  EXPECT_EQ(result_.stopped_at, 2016001);
  EXPECT_EQ(result_.appended, 2);
  EXPECT_THAT(pages_.requested, ElementsAre(2015, 2016));
  EXPECT_THAT(Column("SQQH"), ElementsAre(2015150, 2015151, 2015152));
}

TEST_F(OnlineUpdateTest, NothingFetchedLeavesTheHistoryExactlyAsItWas) {
  Build({{2008001, {1, 2, 3, 4, 5, 6, 7}}, {2015150, {1, 2, 3, 4, 5, 6, 7}}});
  memory_.last[1][store::Kind::kHm] = 9;
  pages_.failing_from = 1;
  EXPECT_FALSE(Update(2016, 4).ok());
  EXPECT_EQ(result_.stopped_at, 2012001);  // the deletion was undone with the rest
  EXPECT_FALSE(result_.history_deleted);
  EXPECT_THAT(Column("SQQH"), ElementsAre(2008001, 2015150));
  EXPECT_EQ(memory_.last[1][store::Kind::kHm], 9);
}

TEST_F(OnlineUpdateTest, AYearWithoutDrawsIsNoFailure) {
  Build({{2016153, {1, 2, 3, 4, 5, 6, 7}}});
  pages_.AddYear(2016, 153);
  ASSERT_TRUE(Update(2017).ok());
  EXPECT_THAT(pages_.requested, ElementsAre(2016, 2017));
  EXPECT_EQ(result_.appended, 0);
}

TEST(DrawRowsOfTest, OnlyBodiesOfTheDrawRowShape) {
  const std::vector<std::string> bodies = {
      "010203040506 07",           // 15 characters: too short
      "010203040506 07  ",         // 17: a draw
      "010203040506 07 1234",      // 20: a draw
      "010203040506 07 12345",     // 21: no row
      "0102030405060 07 ",         // 13th is no blank
      "343536373839 07  ",         // reds out of range: kept as a garbled row
      "开奖号码 010203040506 07",  // longer than 20 with the text
  };
  const auto rows = DrawRowsOf(bodies);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (store::DrawNumbers{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(rows[1], (store::DrawNumbers{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(rows[2], store::DrawNumbers{});
  EXPECT_EQ(DrawRowsOf(std::vector<std::string>(400, "010203040506 07  ")).size(), 365u);
}

}  // namespace
}  // namespace brivo::acquire
