// The history model's commands on a real history file, without a window: appending, importing,
// cutting back, deleting, clearing, compacting and the online update, each followed by what the
// grid and the searches see.

#include "model/history_session.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QNetworkProxy>

#include "acquire/update_sources.h"
#include "platform/qt/qt_page_fetcher.h"
#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/loopback_http_server.h"
#include "testing/other_connection.h"
#include "testing/saved_sources.h"
#include "testing/search_statements.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

std::vector<acquire::ParsedDraw> RealDraws(std::int32_t first, std::int32_t last) {
  std::vector<acquire::ParsedDraw> draws;
  for (const testing::TestDraw& d : testing::RealHistory()) {
    if (d.issue >= first && d.issue <= last) draws.push_back({d.issue, d.numbers, 0});
  }
  return draws;
}

class HistorySessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session_.Open().ok());
    session_.zodiac().ComputeCodes(1, false);
  }
  std::vector<HistoryGridRow> Rows() {
    std::vector<HistoryGridRow> rows;
    EXPECT_TRUE(session_.HistoryRows(&rows).ok());
    return rows;
  }
  // The issues a fixed-position search on the previous draw's blue number `blue` matches.
  std::vector<std::int64_t> SearchBlue(int blue) {
    search::SearchCriteria c;
    c.free_mode = false;
    c.selected[7] = true;
    c.pattern[7] = static_cast<std::int16_t>(blue);
    c.start_issue = 0;
    c.end_issue = 9999999;
    search::SearchResult result;
    const Status s = session_.RunPositionSearch(c, &result);
    EXPECT_TRUE(s.ok()) << s.ToString();
    std::vector<std::int64_t> issues;
    for (const search::MatchedDraw& d : result.matched) issues.push_back(d.issue);
    return issues;
  }
  // The same answer worked out from the draws themselves.
  static std::vector<std::int64_t> FollowingBlue(const std::vector<acquire::ParsedDraw>& draws,
                                                 int blue) {
    std::vector<std::int64_t> issues;
    for (std::size_t k = 1; k < draws.size(); ++k) {
      if (draws[k - 1].numbers[6] == blue) issues.push_back(draws[k].issue);
    }
    return issues;
  }

  testing::TempDir dir_;
  HistorySession session_{dir_.path().string()};
};

TEST_F(HistorySessionTest, TypedDrawsAreReadBackInAnyOrderOfCalls) {
  const std::vector<acquire::ParsedDraw> draws = RealDraws(2003001, 2003003);
  for (const acquire::ParsedDraw& d : draws) {
    ASSERT_TRUE(session_.AppendDraw(d.issue, d.numbers, 1).ok());
  }
  const std::vector<HistoryGridRow> rows = Rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2][0], "2003003");
  EXPECT_EQ(rows[2][7], std::to_string(draws[2].numbers[6]));
  // The default start issue and the pattern records do not depend on what was read before.
  std::int64_t start = 0;
  PatternValues earlier{}, previous{};
  ASSERT_TRUE(session_.PatternRecord(search::Basis::kEarlier, 3, store::Kind::kHm, &earlier).ok());
  ASSERT_TRUE(session_.DefaultStartIssue(2, &start).ok());
  ASSERT_TRUE(
      session_.PatternRecord(search::Basis::kPreceding, 3, store::Kind::kHm, &previous).ok());
  EXPECT_EQ(start, 2003003);
  EXPECT_EQ(earlier[1], draws[0].numbers[0]);
  EXPECT_EQ(previous[7], draws[2].numbers[6]);
  EXPECT_EQ(session_.NewestIssue(), 2003003);
  std::int64_t newest = 0;
  ASSERT_TRUE(session_.ReadProposedIssue(&newest).ok());
  EXPECT_EQ(newest, 2003003);
  EXPECT_EQ(session_.proposed_issue(), 2003004);
  // A record further back than the history reaches is none.
  EXPECT_FALSE(session_.PatternRecord(search::Basis::kEarlier, 4, store::Kind::kHm, &earlier).ok());
}

TEST_F(HistorySessionTest, ImportThenSearch) {
  const std::vector<acquire::ParsedDraw> draws = RealDraws(2010001, 2010150);
  ASSERT_TRUE(session_.Import(draws, 1).ok());
  EXPECT_EQ(Rows().size(), draws.size());
  for (int blue : {1, 8, 16}) EXPECT_EQ(SearchBlue(blue), FollowingBlue(draws, blue)) << blue;
}

TEST_F(HistorySessionTest, TruncateThenSearch) {
  ASSERT_TRUE(session_.Import(RealDraws(2010001, 2010150), 1).ok());
  std::vector<acquire::ParsedDraw> kept;
  ASSERT_TRUE(session_.StoredDraws(&kept).ok());
  kept.resize(100);
  ASSERT_TRUE(session_.WriteScratchFile(kept).ok());
  ASSERT_TRUE(session_.RebuildFromScratchFile(1).ok());
  EXPECT_EQ(Rows().size(), 100u);
  EXPECT_EQ(session_.NewestIssue(), kept.back().issue);
  EXPECT_EQ(SearchBlue(5), FollowingBlue(kept, 5));
}

TEST_F(HistorySessionTest, DeleteCompactAndClear) {
  ASSERT_TRUE(session_.Import(RealDraws(2010001, 2010020), 1).ok());
  ASSERT_TRUE(session_.DeleteNewest().ok());
  Status reopened;
  EXPECT_TRUE(session_.Compact(&reopened).ok());
  ASSERT_TRUE(reopened.ok());
  EXPECT_EQ(session_.NewestIssue(), 2010019);
  ASSERT_TRUE(session_.Clear().ok());
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(session_.NewestIssue(), 0);
  PatternValues values{};
  EXPECT_EQ(session_.PatternRecord(search::Basis::kPreceding, 1, store::Kind::kHm, &values).code(),
            Status::Code::kNotFound);
  EXPECT_TRUE(session_.DeleteNewest().ok());  // nothing to delete
}

TEST_F(HistorySessionTest, UpdateThenSearch) {
  testing::LoopbackHttpServer server;
  ASSERT_TRUE(server.Start());
  server.SetHandler([](const std::string& target) {
    testing::LoopbackHttpServer::Response r;
    if (target == "/ssq_asc.txt") {
      r.body = testing::SavedSsqAscFile();
      r.content_type = "text/plain";
    } else {
      r.status = 404;
    }
    return r;
  });
  ASSERT_TRUE(session_.Import(RealDraws(2020001, 2022100), 1).ok());
  QtPageFetcher fetcher(2000);
  auto source = acquire::MakeDrawSource({"17500", server.BaseUrl()}, fetcher);
  acquire::OnlineUpdateRequest request;
  request.current_year = 2023;
  acquire::OnlineUpdateResult result;
  ASSERT_TRUE(session_.UpdateOnline({source.get()}, request, 1, &result).ok());
  EXPECT_EQ(session_.NewestIssue(), 2023038);
  const std::vector<acquire::ParsedDraw> all = RealDraws(2020001, 2023038);
  EXPECT_EQ(Rows().size(), all.size());
  EXPECT_EQ(SearchBlue(9), FollowingBlue(all, 9));
}

// Another program's connection to the same file: the session notices its commits, and only its.
TEST_F(HistorySessionTest, ChangesOfAnotherConnectionAreNoticedAndReadAnew) {
  ASSERT_TRUE(session_.Import(RealDraws(2003001, 2003004), 1).ok());
  EXPECT_FALSE(session_.ChangedElsewhere());  // its own commits are no outside change
  testing::OtherConnection other(session_.HistoryPath());
  ASSERT_EQ(other.Exec("DELETE FROM Lishi WHERE SQQH = 2003004"), SQLITE_OK);
  EXPECT_TRUE(session_.ChangedElsewhere());
  EXPECT_FALSE(session_.ChangedElsewhere());
  EXPECT_EQ(session_.NewestIssue(), 2003003);
}

// Another program commits a change of a draw, then the session searches without being told of
// it: the search answers on the file as it now is and leaves in it what the statements leave.
TEST_F(HistorySessionTest, ASearchAfterAnotherProgramsCommitRunsOnTheFileAsItIs) {
  ASSERT_TRUE(session_.Import(RealDraws(2003001, 2003060), 1).ok());
  testing::OtherConnection other(session_.HistoryPath());
  const std::string blue = store::ColumnName(7, store::Kind::kHm, store::kOwn);
  ASSERT_EQ(other.Exec("UPDATE Lishi SET " + blue + " = 16 WHERE SQQH = 2003010"), SQLITE_OK);
  search::SearchCriteria c;
  c.free_mode = false;
  c.selected[7] = true;
  c.pattern[7] = 16;
  c.start_issue = 2003001;
  c.end_issue = 2003060;
  testing::StatementSearches statements(session_.HistoryPath());
  search::SearchResult expected, found;
  ASSERT_TRUE(statements.Run(c, search::SearchType::kPosition, &expected).ok());
  ASSERT_TRUE(session_.RunPositionSearch(c, &found).ok());
  ASSERT_EQ(found.matched.size(), expected.matched.size());
  bool following = false;
  for (const search::MatchedDraw& d : found.matched) following = following || d.issue == 2003011;
  EXPECT_TRUE(following);
  EXPECT_EQ(testing::FirstDifference(statements.Tables(),
                                     testing::ReadHistoryTables(session_.HistoryPath())),
            "");
}

TEST(HistorySessionFileTest, RepeatedIssuesAreNamedAndTheFileLeftAsItIs) {
  testing::TempDir dir;
  const std::string path = store::ProgramFile(dir.path().string(), store::kHistoryFileName);
  ASSERT_TRUE(testing::BuildHistory(path, testing::RealHistory(4)).ok());
  {
    testing::OtherConnection other(path);
    for (int copy = 0; copy < 2; ++copy) {
      ASSERT_EQ(other.Exec("INSERT INTO Lishi (SQQH) VALUES (2003002), (2003004)"), SQLITE_OK);
    }
  }
  HistorySession session(dir.path().string());
  ASSERT_TRUE(session.Open().ok());
  EXPECT_EQ(session.repeated_issues(), (std::vector<std::int64_t>{2003002, 2003004}));
  testing::OtherConnection other(path);
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM sqlite_schema WHERE name = 'LishiIssue'"), "0");
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM Lishi"), "8");
}

TEST_F(HistorySessionTest, NoIssueCanBeStoredTwice) {
  ASSERT_TRUE(session_.Import(RealDraws(2003001, 2003002), 1).ok());
  EXPECT_TRUE(session_.repeated_issues().empty());
  testing::OtherConnection other(session_.HistoryPath());
  EXPECT_NE(other.Exec("INSERT INTO Lishi (SQQH) VALUES (2003002)"), SQLITE_OK);
  ASSERT_EQ(other.Exec("INSERT INTO Lishi (SQQH) VALUES (2003003)"), SQLITE_OK);
  EXPECT_FALSE(session_.AppendDraw(2003003, RealDraws(2003003, 2003003)[0].numbers, 1).ok());
  EXPECT_EQ(other.Text("SELECT COUNT(*) FROM Lishi WHERE SQQH = 2003003"), "1");
}

}  // namespace
}  // namespace brivo

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // Whatever the environment says, the tests talk to 127.0.0.1 directly.
  QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
