// Deleting the whole history, compacting its file, telling file kinds apart and reading the
// history grid, on real history files.

#include "store/history_ops.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/draw_record.h"
#include "store/history_db.h"
#include "testing/temp_dir.h"

namespace brivo::store {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

namespace fs = std::filesystem;

struct Draw {
  std::int32_t issue = 0;
  DrawNumbers numbers{};
};

// The first count draws of a history file of the test data, in the file's order.
std::vector<Draw> ReadDraws(const std::string& name, std::size_t count) {
  std::ifstream in(testing::TestDataFile(name));
  std::vector<Draw> draws;
  std::string line;
  while (draws.size() < count && std::getline(in, line)) {
    std::istringstream fields(line);
    Draw draw;
    fields >> draw.issue;
    for (int& n : draw.numbers) fields >> n;
    if (fields) draws.push_back(draw);
  }
  EXPECT_EQ(draws.size(), count) << name;
  return draws;
}

class HistoryOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.path().string();
    history_ = ProgramFile(folder_, kHistoryFileName);
    compacted_ = ProgramFile(folder_, kCompactFileName);
    Open();
  }

  void Open() {
    Status s = OpenHistoryDatabase(history_, &db_);
    ASSERT_TRUE(s.ok()) << s.ToString();
    ASSERT_TRUE(db_->OpenTable(kHistoryTable, &table_).ok());
  }

  void Close() {
    table_.reset();
    db_->Close();
  }

  void Append(const std::vector<Draw>& draws) {
    Database::Transaction transaction(*db_);
    for (const Draw& d : draws) {
      tables_.SetZodiacYear(ZodiacTables::ZodiacYearOf(d.issue));
      tables_.ComputeCodes(1, false);
      DrawToAppend draw;
      draw.issue = d.issue;
      draw.own = ValuesOf(d.numbers, tables_, 1);
      draw.before = ListsOf(draw.own);
      ASSERT_TRUE(AppendDraw(*table_, draw, &memory_).ok()) << d.issue;
    }
    ASSERT_TRUE(transaction.Commit().ok());
  }

  std::vector<std::int64_t> Issues() {
    std::unique_ptr<Recordset> rs;
    EXPECT_TRUE(db_->OpenSnapshot(kHistoryQuery, &rs).ok());
    std::vector<std::int64_t> issues;
    for (; rs && !rs->IsEof(); (void)rs->MoveNext()) {
      std::int64_t issue = 0;
      EXPECT_TRUE(rs->GetInt("SQQH", &issue).ok());
      issues.push_back(issue);
    }
    return issues;
  }

  // The names in the program folder.
  std::vector<std::string> Files() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
  std::string folder_;
  std::string history_;
  std::string compacted_;
  std::unique_ptr<Database> db_;
  std::unique_ptr<Recordset> table_;
  ZodiacTables tables_;
  PrecedingMemory memory_;
};

TEST_F(HistoryOpsTest, DeleteAllEmptiesTheHistory) {
  Append(ReadDraws("ssq_history_sorted.txt", 5));
  Status s = DeleteAll(*table_);
  ASSERT_TRUE(s.ok()) << s.ToString();
  EXPECT_THAT(Issues(), IsEmpty());
  EXPECT_TRUE(DeleteAll(*table_).ok());  // now on an empty table
  // The table goes on appending after being emptied.
  Append(ReadDraws("ssq_history_sorted.txt", 1));
  EXPECT_THAT(Issues(), ElementsAre(2003001));
}

TEST_F(HistoryOpsTest, DeleteAllStopsAtTheFirstFailingDelete) {
  Append(ReadDraws("ssq_history_sorted.txt", 3));
  std::unique_ptr<Recordset> snapshot;
  ASSERT_TRUE(db_->OpenSnapshot(kHistoryQuery, &snapshot).ok());
  EXPECT_EQ(DeleteAll(*snapshot).code(), Status::Code::kReadOnly);
  EXPECT_EQ(Issues().size(), 3u);
}

TEST_F(HistoryOpsTest, CompactionKeepsEveryRemainingRowInASmallerFile) {
  const std::vector<Draw> draws = ReadDraws("ssq_history_sorted.txt", 200);
  Append(draws);
  ASSERT_TRUE(
      db_->Execute("DELETE FROM [Lishi] WHERE [SQQH] < " + std::to_string(draws[100].issue)).ok());
  const std::vector<std::int64_t> kept = Issues();
  ASSERT_EQ(kept.size(), 100u);
  Close();
  const std::uintmax_t size_before = fs::file_size(history_);
  WriteFileBytes(compacted_, "an older compacted copy");

  Status s = CompactHistoryFiles(folder_);
  ASSERT_TRUE(s.ok()) << s.ToString();
  EXPECT_LT(fs::file_size(history_), size_before);
  // The history is a copy of the compacted file, which stays beside it.
  const std::string copy = ReadFileBytes(compacted_);
  EXPECT_EQ(copy.compare(0, 16, std::string("SQLite format 3\0", 16)), 0);
  EXPECT_EQ(ReadFileBytes(history_), copy);
  EXPECT_THAT(Files(), ElementsAre(kHistoryFileName, kCompactFileName));

  Open();
  EXPECT_EQ(Issues(), kept);
}

TEST_F(HistoryOpsTest, EmptyLogAndItsIndexAreRemovedWithTheOldFile) {
  Append(ReadDraws("ssq_history_sorted.txt", 3));
  Close();
  WriteFileBytes(history_ + "-wal", "");
  WriteFileBytes(history_ + "-shm", std::string(32768, '\x7f'));
  Status s = CompactHistoryFiles(folder_);
  ASSERT_TRUE(s.ok()) << s.ToString();
  EXPECT_THAT(Files(), ElementsAre(kHistoryFileName, kCompactFileName));
  Open();
  EXPECT_THAT(Issues(), ElementsAre(2003001, 2003002, 2003003));
}

// Each failure leaves the history byte for byte as it was.
class CompactionFailureTest : public HistoryOpsTest {
 protected:
  void SetUp() override {
    HistoryOpsTest::SetUp();
    Append(ReadDraws("ssq_history_sorted.txt", 200));
    Close();
  }

  void ExpectHistoryUnchanged(const std::string& before) {
    EXPECT_EQ(ReadFileBytes(history_), before);
    EXPECT_FALSE(fs::exists(history_ + ".new"));
    EXPECT_FALSE(fs::exists(history_ + "-shm"));
  }
};

TEST_F(CompactionFailureTest, OlderCopyThatCannotBeDeleted) {
  const std::string before = ReadFileBytes(history_);
  ASSERT_TRUE(fs::create_directory(compacted_));
  WriteFileBytes(compacted_ + "/inside", "x");
  Status s = CompactHistoryFiles(folder_);
  EXPECT_FALSE(s.ok());
  EXPECT_THAT(s.message(), ::testing::HasSubstr(kCompactFileName));
  ExpectHistoryUnchanged(before);
  EXPECT_TRUE(fs::exists(compacted_ + "/inside"));
}

TEST_F(CompactionFailureTest, DamagedHistoryIsNotCopied) {
  std::string bytes = ReadFileBytes(history_);
  const std::size_t page = 4096;
  ASSERT_GT(bytes.size(), 8 * page);
  const std::size_t middle = bytes.size() / 2 / page * page;
  for (std::size_t i = middle; i < middle + page; ++i) bytes[i] = '\x55';
  WriteFileBytes(history_, bytes);
  WriteFileBytes(compacted_, "an older compacted copy");

  Status s = CompactHistoryFiles(folder_);
  EXPECT_EQ(s.code(), Status::Code::kCorruption) << s.ToString();
  ExpectHistoryUnchanged(bytes);
  EXPECT_FALSE(fs::exists(compacted_));
}

TEST_F(CompactionFailureTest, LogThatIsNotEmptyIsRefused) {
  const std::string before = ReadFileBytes(history_);
  WriteFileBytes(compacted_, "an older compacted copy");
  WriteFileBytes(history_ + "-wal", "frames of the old file");
  Status s = CompactHistoryFiles(folder_);
  EXPECT_FALSE(s.ok());
  ExpectHistoryUnchanged(before);
  EXPECT_EQ(ReadFileBytes(history_ + "-wal"), "frames of the old file");
  EXPECT_EQ(ReadFileBytes(compacted_), "an older compacted copy");
}

TEST(CompactionTest, MissingHistoryCreatesNothing) {
  TempDir dir;
  EXPECT_EQ(CompactHistoryFiles(dir.path().string()).code(), Status::Code::kNotFound);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(SetAsideHistoryFileTest, TakesTheFirstFreeNameAndMovesTheLogsAlong) {
  TempDir dir;
  const std::string history = dir.File(kHistoryFileName);
  WriteFileBytes(history, "damaged");
  WriteFileBytes(history + "-wal", "log");
  WriteFileBytes(history + "-journal", "journal");
  WriteFileBytes(history + "-shm", "index");
  WriteFileBytes(dir.File("kept.mdb"), "older");
  WriteFileBytes(dir.File("kept-2.mdb-wal"), "a log without its file");
  std::string kept;
  Status s = SetAsideHistoryFile(history, "kept", &kept);
  ASSERT_TRUE(s.ok()) << s.ToString();
  EXPECT_EQ(kept, dir.File("kept-3.mdb"));
  EXPECT_EQ(ReadFileBytes(kept), "damaged");
  EXPECT_EQ(ReadFileBytes(kept + "-wal"), "log");
  EXPECT_EQ(ReadFileBytes(kept + "-journal"), "journal");
  EXPECT_EQ(ReadFileBytes(dir.File("kept.mdb")), "older");
  for (const char* gone : {"", "-wal", "-journal", "-shm"}) {
    EXPECT_FALSE(fs::exists(history + gone)) << gone;
  }
}

TEST(DetectFileKindTest, TellsKindsApartByTheirFirstBytes) {
  TempDir dir;
  {
    std::unique_ptr<Database> db;
    ASSERT_TRUE(OpenHistoryDatabase(dir.File("history.mdb"), &db).ok());
  }
  const std::string jet_padding = std::string("\x00\x01\x00\x00", 4);
  WriteFileBytes(dir.File("jet.mdb"), jet_padding + "Standard Jet DB" + std::string(8, '\0'));
  WriteFileBytes(dir.File("ace.accdb"), jet_padding + "Standard ACE DB" + std::string(8, '\0'));
  WriteFileBytes(dir.File("jet_at_start.mdb"), "Standard Jet DB" + std::string(8, '\0'));
  WriteFileBytes(dir.File("short_sqlite.db"), "SQLite format 3");  // without its NUL
  WriteFileBytes(dir.File("text.txt"), "2003001 10 11 12 13 26 28 11\n");
  WriteFileBytes(dir.File("empty.mdb"), "");
  fs::create_directory(dir.File("folder.mdb"));

  const std::pair<const char*, FileKind> cases[] = {
      {"missing.mdb", FileKind::kMissing},    {"history.mdb", FileKind::kSqlite},
      {"jet.mdb", FileKind::kAccess},         {"ace.accdb", FileKind::kAccess},
      {"jet_at_start.mdb", FileKind::kOther}, {"short_sqlite.db", FileKind::kOther},
      {"text.txt", FileKind::kOther},         {"empty.mdb", FileKind::kOther},
      {"folder.mdb", FileKind::kOther},
  };
  for (const auto& [name, kind] : cases) {
    EXPECT_EQ(DetectFileKind(dir.File(name)), kind) << name;
  }
}

}  // namespace
}  // namespace brivo::store
