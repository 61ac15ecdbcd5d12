// The searches in memory against their statements on the real history: random criteria over
// both searches, every kind, mode, basis, scope, offset, pool and k, from a fixed seed, one after
// the other on the same file. After each search the matched draws, the ranking and every value of
// Lishi and Carcu in the file must be what the statements leave in a copy of it.

#include "search/evaluator.h"

#include <gtest/gtest.h>

#include <random>

#include "search/combination_search.h"
#include "search/search_run.h"
#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/search_statements.h"
#include "testing/temp_dir.h"

namespace brivo::search {
namespace {

class EvaluatorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new testing::TempDir;
    const std::string path = folder_->File(store::kHistoryFileName);
    const std::vector<testing::TestDraw> real = testing::RealHistory();
    ASSERT_TRUE(testing::BuildHistory(path, real).ok());
    ASSERT_TRUE(store::OpenHistoryDatabase(path, &db_).ok());
    // Without its oldest draw, as dropping the oldest years leaves it: the draw that is now the
    // oldest still keeps the lists of the one that went.
    const std::string drop =
        "DELETE FROM [Lishi] WHERE [SQQH] = " + std::to_string(real.front().issue);
    ASSERT_TRUE(db_->Execute(drop).ok());
    HistoryDraws draws;
    ASSERT_TRUE(ReadHistoryDraws(*db_, &draws).ok());
    evaluator_ = new Evaluator(std::move(draws));
    statements_ = new testing::StatementSearches(path);
  }
  static void TearDownTestSuite() {
    delete statements_;
    delete evaluator_;
    db_.reset();
    delete folder_;
  }

  static testing::TempDir* folder_;
  static std::unique_ptr<Database> db_;
  static Evaluator* evaluator_;
  static testing::StatementSearches* statements_;
};

testing::TempDir* EvaluatorTest::folder_ = nullptr;
std::unique_ptr<Database> EvaluatorTest::db_;
Evaluator* EvaluatorTest::evaluator_ = nullptr;
testing::StatementSearches* EvaluatorTest::statements_ = nullptr;

int Pick(std::mt19937& random, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random);
}

// Criteria of every sort: patterns mostly taken from a stored draw (so that draws match), now and
// then a value outside the kind's range or all zeros; ranges now and then empty or beyond the
// history.
SearchCriteria RandomCriteria(std::mt19937& random, const HistoryDraws& draws) {
  SearchCriteria c;
  c.free_mode = Pick(random, 0, 1) == 1;
  c.basis = Pick(random, 0, 1) == 1 ? Basis::kEarlier : Basis::kPreceding;
  c.look_back = Pick(random, 0, 9);
  c.search_kind = store::kKinds[static_cast<std::size_t>(Pick(random, 0, 5))];
  c.result_kind = store::kKinds[static_cast<std::size_t>(Pick(random, 0, 5))];
  c.result_scope = static_cast<ResultScope>(Pick(random, 0, 2));
  c.count_blue = Pick(random, 0, 1) == 1;
  c.sx_ini = Pick(random, 0, 1);
  c.ds_ini = Pick(random, 0, 1);
  c.red_pool_only = Pick(random, 0, 1) == 1;
  c.combination_size = Pick(random, 0, 7);
  const int last = static_cast<int>(draws.size()) - 1;
  const auto& source = draws.values[static_cast<std::size_t>(Pick(random, 0, last))];
  const int selecting = Pick(random, 0, 3);  // 0: none, 1: all, otherwise each by chance
  for (int i = 1; i <= 7; ++i) {
    c.selected[i] = selecting == 1 || (selecting > 1 && Pick(random, 0, 2) == 0);
    const int from = Pick(random, 0, 9) == 0 ? Pick(random, 1, 7) : i;
    c.pattern[i] = source[from][c.search_kind];
    if (Pick(random, 0, 19) == 0) c.pattern[i] = static_cast<std::int16_t>(Pick(random, -1, 40));
  }
  // Zeros: the filler the refills give the oldest draws, which only they match.
  if (Pick(random, 0, 11) == 0) c.pattern.fill(0);
  const int a = Pick(random, 0, last), b = Pick(random, 0, last);
  c.start_issue =
      draws.issues[static_cast<std::size_t>(Pick(random, 0, 5) == 0 ? b : std::min(a, b))];
  c.end_issue = draws.issues[static_cast<std::size_t>(std::max(a, b))];
  if (Pick(random, 0, 5) == 0) c.start_issue = 0;
  if (Pick(random, 0, 9) == 0) c.end_issue = 2099999;
  return c;
}

void ExpectSameResult(const SearchResult& in_memory, const SearchResult& statements) {
  ASSERT_EQ(in_memory.matched.size(), statements.matched.size());
  for (std::size_t i = 0; i < statements.matched.size(); ++i) {
    const MatchedDraw& m = in_memory.matched[i];
    const MatchedDraw& s = statements.matched[i];
    ASSERT_EQ(m.issue, s.issue) << "matched draw " << i;
    EXPECT_EQ(m.values, s.values) << "issue " << s.issue;
    EXPECT_EQ(m.pattern_side_list, s.pattern_side_list) << "issue " << s.issue;
  }
  ASSERT_EQ(in_memory.ranking.size(), statements.ranking.size());
  for (std::size_t i = 0; i < statements.ranking.size(); ++i) {
    EXPECT_EQ(in_memory.ranking[i].value, statements.ranking[i].value) << "rank " << i + 1;
    EXPECT_EQ(in_memory.ranking[i].count, statements.ranking[i].count) << "rank " << i + 1;
  }
  EXPECT_EQ(in_memory.total, statements.total);
}

// Under the sanitizers the statements run eight times slower: fewer trials there.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kTrials = 16;
#else
constexpr int kTrials = 40;
#endif

TEST_F(EvaluatorTest, LeavesWhatTheStatementsLeaveOnTheRealHistory) {
  std::mt19937 random(15015);
  const HistoryDraws& draws = evaluator_->draws();
  ASSERT_GT(draws.size(), 3000u);
  std::size_t matched_somewhere = 0;
  for (int trial = 0; trial < kTrials; ++trial) {
    const SearchType type = trial % 2 == 0 ? SearchType::kPosition : SearchType::kCombination;
    const SearchCriteria c = RandomCriteria(random, draws);
    SearchResult statements, in_memory;
    const Status s = statements_->Run(c, type, &statements);
    ASSERT_TRUE(s.ok()) << s.ToString();
    const Status run = RunSearch(*db_, *evaluator_, c, type, &in_memory);
    ASSERT_TRUE(run.ok()) << run.ToString();
    SCOPED_TRACE(::testing::Message()
                 << "trial " << trial << (c.free_mode ? " free" : " fixed")
                 << (c.basis == Basis::kEarlier ? " earlier N=" : " previous N=") << c.look_back
                 << " kind " << store::KindIndex(c.search_kind) << " result "
                 << store::KindIndex(c.result_kind) << "/" << static_cast<int>(c.result_scope)
                 << (c.count_blue ? " blue" : "") << " k=" << c.combination_size);
    ExpectSameResult(in_memory, statements);
    ASSERT_EQ(
        testing::FirstDifference(statements_->Tables(), testing::ReadHistoryTables(db_->path())),
        "");
    matched_somewhere += statements.matched.empty() ? 0 : 1;
  }
  // The criteria must reach matches often, or the comparison proves little.
  EXPECT_GT(matched_somewhere * 3, static_cast<std::size_t>(kTrials));
}

}  // namespace
}  // namespace brivo::search
