// Kills the real window with SIGKILL at many points of each command that writes the history,
// then opens what is left: the file must pass SQLite's integrity check and hold the whole old
// history or the whole new one, and the same command run again must work.

#include <gtest/gtest.h>
#include <sqlite3.h>
#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>

#include "store/history_db.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace brivo {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::string>;

constexpr std::size_t kHistoryDraws = 3000;
// Kill points per command: this many spread evenly over its steps, and as many again at the
// steps where the kind of write or the file written changes (the phases of the command).
int EvenKillPoints() {
  const char* points = std::getenv("BRIVO_CRASH_POINTS");
  return points != nullptr ? std::max(2, std::atoi(points)) : 10;
}

struct DriverRun {
  int status = 0;
  std::string output;
#ifdef _WIN32
  bool Killed() const { return false; }
  bool Exited() const { return false; }
#else
  bool Killed() const { return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL; }
  bool Exited() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
#endif
  std::int64_t Steps() const {
    const std::size_t at = output.find("steps ");
    return at == std::string::npos ? -1 : std::stoll(output.substr(at + 6));
  }
  bool Warned() const { return output.find("warn: ") != std::string::npos; }
};

// Runs the driver with its output (both streams) captured.
DriverRun RunDriver(const std::vector<std::string>& args, const std::vector<std::string>& env) {
#ifdef _WIN32
  ADD_FAILURE() << "no driver is killed on Windows (" << args.size() << " arguments, " << env.size()
                << " settings)";
  return {};
#else
  std::vector<std::string> environment = env;
  for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_text = {BRIVO_CRASH_DRIVER};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);

  int pipe_fds[2];
  EXPECT_EQ(::pipe(pipe_fds), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  pid_t pid = 0;
  DriverRun run;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  EXPECT_EQ(spawned, 0) << BRIVO_CRASH_DRIVER;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) {
    run.output.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipe_fds[0]);
  if (spawned == 0) ::waitpid(pid, &run.status, 0);
  return run;
#endif
}

// Every row of the history, all columns but the row id and the search's scratch columns, after
// the program's own open has found the file sound; empty with a test failure when it is not.
Rows HistoryRows(const std::string& folder) {
  const std::string path = store::ProgramFile(folder, store::kHistoryFileName);
  {
    std::unique_ptr<Database> db;
    Status s = store::OpenHistoryDatabase(path, &db);
    EXPECT_TRUE(s.ok()) << s.ToString();
    if (!s.ok()) return {};
  }
  sqlite3* db = nullptr;
  Rows rows;
  EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  auto each_row = [db](const char* sql, const std::function<void(sqlite3_stmt*)>& take) {
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), SQLITE_OK) << sql;
    while (sqlite3_step(statement) == SQLITE_ROW) take(statement);
    sqlite3_finalize(statement);
  };
  Rows integrity;
  each_row("PRAGMA integrity_check", [&](sqlite3_stmt* st) {
    integrity.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  });
  EXPECT_EQ(integrity, Rows{"ok"}) << path;
  each_row("SELECT * FROM Lishi ORDER BY SQQH", [&](sqlite3_stmt* st) {
    std::string row;
    for (int c = 0; c < sqlite3_column_count(st); ++c) {
      const std::string name = sqlite3_column_name(st, c);
      if (name == "ID" || name == "intTh" || name == "bolOk" || name == "txtHisP6") continue;
      const unsigned char* text = sqlite3_column_text(st, c);
      row += text != nullptr ? reinterpret_cast<const char*>(text) : "<null>";
      row += '|';
    }
    rows.push_back(row);
  });
  sqlite3_close(db);
  return rows;
}

// Where two histories part, for a failure message that does not list thousands of rows.
std::string FirstDifference(const Rows& actual, const Rows& expected) {
  std::size_t i = 0;
  while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
  if (i == actual.size() && i == expected.size()) return "";
  auto row = [](const Rows& rows, std::size_t k) {
    return k < rows.size() ? rows[k].substr(0, 120) : std::string("(none)");
  };
  return std::to_string(actual.size()) + " rows against " + std::to_string(expected.size()) +
         "; row " + std::to_string(i) + " is " + row(actual, i) + " instead of " + row(expected, i);
}

// The steps to kill at: spread evenly, and on both sides of every change of phase.
std::set<std::int64_t> KillPoints(const std::vector<std::string>& trace) {
  const auto steps = static_cast<std::int64_t>(trace.size());
  const int even = EvenKillPoints();
  std::set<std::int64_t> points;
  for (int i = 0; i < even && steps > 0; ++i) points.insert(1 + i * (steps - 1) / (even - 1));
  std::vector<std::int64_t> changes;
  for (std::int64_t i = 1; i < steps; ++i) {
    if (trace[static_cast<std::size_t>(i)] != trace[static_cast<std::size_t>(i - 1)]) {
      changes.push_back(i + 1);
    }
  }
  const std::size_t taken = std::min<std::size_t>(changes.size(), static_cast<std::size_t>(even));
  for (std::size_t k = 0; k < taken; ++k) {
    const std::int64_t change = changes[k * changes.size() / taken];
    points.insert(change - 1);
    points.insert(change);
  }
  return points;
}

class CrashConsistencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no SIGKILL, by which these tests end the window at a chosen "
                    "write and tell that end from a crash";
#endif
    ASSERT_TRUE(testing::BuildHistory(
                    store::ProgramFile(template_.path().string(), store::kHistoryFileName),
                    testing::RealHistory(kHistoryDraws))
                    .ok());
    old_rows_ = HistoryRows(template_.path().string());
    ASSERT_EQ(old_rows_.size(), kHistoryDraws);
  }

  // A fresh program folder holding the old history.
  std::unique_ptr<testing::TempDir> FreshFolder() {
    auto dir = std::make_unique<testing::TempDir>();
    fs::copy(template_.path(), dir->path(), fs::copy_options::recursive);
    return dir;
  }

  // What a command may leave after a kill besides the old history, given the history it leaves
  // when it runs whole.
  using Acceptable = std::function<bool(const Rows& left, const Rows& whole)>;

  // Runs the command whole to learn its steps and its outcome (which must hold `expected_rows`
  // rows), and once more on that outcome; then kills it at each kill point. What is left must be
  // the old history or acceptable, and running the command again on it must work without a
  // warning and give what a run on the old or on the new history gives.
  void KillThroughout(const std::vector<std::string>& command, std::size_t expected_rows,
                      const Acceptable& acceptable) {
    auto whole = FreshFolder();
    const std::string trace_file = scratch_.File("trace.txt");
    std::vector<std::string> args = {whole->path().string()};
    args.insert(args.end(), command.begin(), command.end());
    const DriverRun dry = RunDriver(args, {"BRIVO_STEP_TRACE=" + trace_file});
    ASSERT_TRUE(dry.Exited()) << dry.output;
    ASSERT_FALSE(dry.Warned()) << dry.output;
    const Rows whole_rows = HistoryRows(whole->path().string());
    ASSERT_EQ(whole_rows.size(), expected_rows);
    std::vector<std::string> trace;
    std::ifstream in(trace_file);
    for (std::string line; std::getline(in, line);) trace.push_back(line);
    ASSERT_EQ(static_cast<std::int64_t>(trace.size()), dry.Steps());
    ASSERT_GT(trace.size(), 10u) << "the command wrote almost nothing";
    // The readings depend on the newest draw: a second run on the new history may differ.
    const DriverRun second = RunDriver(args, {});
    ASSERT_TRUE(second.Exited()) << second.output;
    const Rows whole_again = HistoryRows(whole->path().string());

    int kills = 0, old_kept = 0;
    for (const std::int64_t point : KillPoints(trace)) {
      SCOPED_TRACE("killed before step " + std::to_string(point) + " of " +
                   std::to_string(trace.size()) + " (" +
                   trace[static_cast<std::size_t>(point - 1)] + ")");
      auto folder = FreshFolder();
      args[0] = folder->path().string();
      const DriverRun killed = RunDriver(args, {"BRIVO_KILL_AT_STEP=" + std::to_string(point)});
      ASSERT_TRUE(killed.Killed()) << killed.output;
      ++kills;
      const Rows left = HistoryRows(folder->path().string());
      const bool kept_old = left == old_rows_;
      old_kept += kept_old ? 1 : 0;
      ASSERT_TRUE(kept_old || acceptable(left, whole_rows)) << left.size() << " rows left";
      const DriverRun again = RunDriver(args, {});
      ASSERT_TRUE(again.Exited()) << again.output;
      EXPECT_FALSE(again.Warned()) << again.output;
      if (kept_old || left == whole_rows) {
        EXPECT_EQ(FirstDifference(HistoryRows(folder->path().string()),
                                  kept_old ? whole_rows : whole_again),
                  "");
      }
    }
    EXPECT_GT(kills, EvenKillPoints() / 2);
    // Kills early in a command leave the old history.
    EXPECT_GT(old_kept, 0);
  }

  testing::TempDir template_;
  testing::TempDir scratch_;
  Rows old_rows_;
};

bool Same(const Rows& left, const Rows& whole) { return left == whole; }

TEST_F(CrashConsistencyTest, TextImportLeavesTheOldOrTheNewHistory) {
  // The real history in the order the balls were drawn: every row differs from the old one.
  const std::string file = testing::TestDataFile("ssq_history_drawn_order.txt");
  KillThroughout({"import", file}, testing::ReadDrawFile(file).size(), Same);
}

TEST_F(CrashConsistencyTest, TruncationWithRebuildLeavesTheOldOrTheCutHistory) {
  const std::string limit = std::to_string(testing::RealHistory(2000).back().issue);
  KillThroughout({"truncate", limit}, 2000, Same);
}

TEST_F(CrashConsistencyTest, DeletingTheNewestWithCompactionLeavesAWholeHistory) {
  KillThroughout({"erase"}, kHistoryDraws - 1, Same);
}

TEST_F(CrashConsistencyTest, OnlineUpdateLeavesTheOldHistoryOrAPrefixOfTheNew) {
  // The old history reaches back further than the kept years: the update starts it anew from
  // 2020 and reads the real draws up to the newest kept with the tests.
  std::size_t since_2020 = 0;
  for (const testing::TestDraw& d : testing::RealHistory()) since_2020 += d.issue >= 2020000;
  KillThroughout({"update", "2026"}, since_2020, [](const Rows& left, const Rows& whole) {
    return !left.empty() && left.size() <= whole.size() &&
           std::equal(left.begin(), left.end(), whole.begin());
  });
}

TEST_F(CrashConsistencyTest, MovingAHistoryInOneTableIntoItsPartsLeavesItWhole) {
  ASSERT_TRUE(testing::KeepInOneTable(
                  store::ProgramFile(template_.path().string(), store::kHistoryFileName))
                  .ok());
  KillThroughout({"open"}, kHistoryDraws, Same);
}

TEST_F(CrashConsistencyTest, SearchLeavesTheHistoryAsItWas) {
  KillThroughout({"search"}, kHistoryDraws, Same);
}

}  // namespace
}  // namespace brivo
