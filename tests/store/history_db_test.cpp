// The history database file on disk: creation, refusal of foreign files, appending draw records
// and the statements the searches run on them.

#include "store/history_db.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "store/draw_record.h"
#include "testing/history_builder.h"
#include "testing/temp_dir.h"

namespace brivo::store {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

TEST(OpenHistoryTest, MissingFileIsCreatedWithBothTables) {
  TempDir dir;
  const std::string path = ProgramFile(dir.path().string(), kHistoryFileName);
  std::unique_ptr<Database> db;
  Status s = OpenHistoryDatabase(path, &db);
  ASSERT_TRUE(s.ok()) << s.ToString();
  std::vector<std::string> columns;
  ASSERT_TRUE(db->TableColumns("lishi", &columns).ok());
  for (const char* c : {"SQQH", "QQH", "L1A", "L7HS", "L4EP", "txtHisLst", "txtHisLstDs",
                        "txtHisPreLst", "txtHisPreLstHm", "intTh", "txtHisP6", "bolOk"}) {
    EXPECT_THAT(columns, ::testing::Contains(c));
  }
  EXPECT_EQ(LishiColumns().size(), 2u + 126u + 14u + 3u);
  ASSERT_TRUE(db->TableColumns("Carcu", &columns).ok());
  EXPECT_THAT(columns, ElementsAre("Nmb", "Count"));
  std::unique_ptr<Recordset> index;
  ASSERT_TRUE(db->OpenSnapshot("SELECT name FROM sqlite_schema WHERE type = 'index' AND "
                               "tbl_name = 'LishiData'",
                               &index)
                  .ok());
  EXPECT_EQ(index->RecordCount(), 1);
  db->Close();
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_THAT(entry.path().filename().string(), ::testing::StartsWith(kHistoryFileName));
    EXPECT_THAT(entry.path().filename().string(), ::testing::Not(::testing::EndsWith("creating")));
  }
}

// A history kept as one table, as files were before, is moved into its parts when opened; when
// the move cannot be made (here a table of a part's name is in the way) it stays one table, and
// the program works on it all the same.
TEST(OpenHistoryTest, AHistoryInOneTableIsMovedIntoItsPartsOrKeptAsItIs) {
  const char* const compared[] = {"SQQH", "L1B", "L7HS", "txtHisLstSx", "txtHisPreLst", "intTh"};
  for (const bool in_the_way : {false, true}) {
    SCOPED_TRACE(in_the_way ? "move fails" : "move works");
    TempDir dir;
    const std::string path = ProgramFile(dir.path().string(), kHistoryFileName);
    ASSERT_TRUE(testing::BuildHistory(path, testing::RealHistory(40)).ok());
    std::vector<std::vector<std::string>> before;
    {
      std::unique_ptr<Database> db;
      ASSERT_TRUE(OpenHistoryDatabase(path, &db).ok());
      for (const char* c : compared) before.push_back(testing::HistoryColumn(*db, c));
    }
    ASSERT_TRUE(testing::KeepInOneTable(path).ok());
    if (in_the_way) {
      std::unique_ptr<Database> raw;
      ASSERT_TRUE(Database::Open(path, &raw).ok());
      ASSERT_TRUE(raw->Execute("CREATE TABLE LishiMark (x INTEGER)").ok());
    }
    std::unique_ptr<Database> db;
    ASSERT_TRUE(OpenHistoryDatabase(path, &db).ok());
    std::unique_ptr<Recordset> kind;
    ASSERT_TRUE(
        db->OpenSnapshot("SELECT type FROM sqlite_schema WHERE name = 'Lishi'", &kind).ok());
    std::string type;
    ASSERT_TRUE(kind->GetText("type", &type).ok());
    EXPECT_EQ(type, in_the_way ? "table" : "view");
    for (std::size_t i = 0; i < std::size(compared); ++i) {
      EXPECT_EQ(testing::HistoryColumn(*db, compared[i]), before[i]) << compared[i];
    }
    ASSERT_TRUE(db->Execute("UPDATE [Lishi] SET [intTh]=1 WHERE [txtHisLst] <> \"\"").ok());
    // Every draw but the first has the list of the draw before.
    const std::vector<std::string> marks = testing::HistoryColumn(*db, "intTh");
    EXPECT_EQ(std::count(marks.begin(), marks.end(), "1"), 39);
  }
}

TEST(OpenHistoryTest, ForeignFilesAreNeverRepairedIntoAnEmptyHistory) {
  TempDir dir;
  // SQLite files that are not histories: another table, and a Lishi lacking columns.
  const std::pair<const char*, const char*> sqlite_files[] = {
      {"other.db", "CREATE TABLE Other (a INTEGER)"},
      {"partial.db", "CREATE TABLE Lishi (SQQH INTEGER, QQH INTEGER)"},
  };
  std::vector<std::string> paths;
  for (const auto& [name, statement] : sqlite_files) {
    std::unique_ptr<Database> db;
    ASSERT_TRUE(Database::Create(dir.File(name), &db).ok());
    ASSERT_TRUE(db->Execute(statement).ok());
    db->Close();
    paths.push_back(dir.File(name));
  }
  WriteFileBytes(dir.File("text.mdb"), "not a database\r\n");
  paths.push_back(dir.File("text.mdb"));
  for (const std::string& path : paths) {
    const std::string before = ReadFileBytes(path);
    std::unique_ptr<Database> db;
    Status s = OpenHistoryDatabase(path, &db);
    EXPECT_EQ(s.code(), Status::Code::kNotHistory) << path << ": " << s.ToString();
    EXPECT_EQ(ReadFileBytes(path), before) << path;
    EXPECT_FALSE(std::filesystem::exists(path + "-wal")) << path;
  }
}

TEST(OpenHistoryTest, ALogLeftByADeletedHistoryIsKeptApartFromTheNewOne) {
  TempDir dir;
  const std::string path = ProgramFile(dir.path().string(), kHistoryFileName);
  std::string log;
  {
    std::unique_ptr<Database> db;
    ASSERT_TRUE(OpenHistoryDatabase(path, &db).ok());
    ASSERT_TRUE(db->Execute("PRAGMA wal_autocheckpoint=0").ok());
    for (int i = 0; i < 50; ++i) {
      ASSERT_TRUE(db->Execute("INSERT INTO Carcu (Nmb, Count) VALUES (1, 2)").ok());
    }
    // What a crash leaves: the log with changes not yet in the file.
    log = ReadFileBytes(path + "-wal");
    ASSERT_GT(log.size(), 4096u);
  }
  std::filesystem::remove(path);
  WriteFileBytes(path + "-wal", log);
  WriteFileBytes(path + "-wal.orphaned", "an earlier one");
  std::unique_ptr<Database> db;
  Status s = OpenHistoryDatabase(path, &db);
  ASSERT_TRUE(s.ok()) << s.ToString();
  std::unique_ptr<Recordset> rows;
  ASSERT_TRUE(db->OpenSnapshot("SELECT * FROM Carcu", &rows).ok());
  EXPECT_EQ(rows->RecordCount(), 0);
  std::unique_ptr<Recordset> check;
  ASSERT_TRUE(db->OpenSnapshot("PRAGMA integrity_check", &check).ok());
  Value verdict;
  ASSERT_TRUE(check->GetField("integrity_check", &verdict).ok());
  EXPECT_EQ(AsText(verdict), "ok");
  EXPECT_EQ(ReadFileBytes(path + "-wal.orphaned-2"), log);
  EXPECT_EQ(ReadFileBytes(path + "-wal.orphaned"), "an earlier one");
}

TEST(OpenHistoryTest, MissingFolderFailsCleanly) {
  TempDir dir;
  std::unique_ptr<Database> db;
  EXPECT_FALSE(OpenHistoryDatabase(dir.File("no/such/folder/QolvexSSQ.mdb"), &db).ok());
  EXPECT_EQ(db, nullptr);
}

class HistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ProgramFile(dir_.path().string(), kHistoryFileName);
    ASSERT_TRUE(OpenHistoryDatabase(path_, &db_).ok());
    ASSERT_TRUE(db_->OpenTable(kHistoryTable, &table_).ok());
  }

  // Appends a draw the way the import does: lists of the draw before from the previous one.
  Status Append(std::int32_t issue, const DrawNumbers& numbers) {
    tables_.SetZodiacYear(ZodiacTables::ZodiacYearOf(issue));
    tables_.ComputeCodes(1, false);
    DrawToAppend draw;
    draw.issue = issue;
    draw.own = ValuesOf(numbers, tables_, 1);
    draw.before = previous_;
    Status s = AppendDraw(*table_, draw, &memory_);
    if (s.ok()) previous_ = ListsOf(draw.own);
    return s;
  }

  std::vector<std::int64_t> Issues(const std::string& sql) {
    std::unique_ptr<Recordset> rs;
    Status s = db_->OpenSnapshot(sql, &rs);
    EXPECT_TRUE(s.ok()) << s.ToString();
    std::vector<std::int64_t> issues;
    for (; rs && !rs->IsEof(); (void)rs->MoveNext()) {
      std::int64_t issue = 0;
      EXPECT_TRUE(rs->GetInt("SQQH", &issue).ok());
      issues.push_back(issue);
    }
    return issues;
  }

  std::string Text(std::int32_t issue, const std::string& column) {
    std::unique_ptr<Recordset> rs;
    EXPECT_TRUE(
        db_->OpenSnapshot("SELECT * FROM lishi WHERE SQQH = " + std::to_string(issue), &rs).ok());
    Value v;
    EXPECT_TRUE(rs->GetField(column, &v).ok()) << column;
    return IsNull(v) ? "<null>" : AsText(v);
  }

  std::int64_t Int(std::int32_t issue, const std::string& column) {
    std::string text = Text(issue, column);
    return std::stoll(text);
  }

  TempDir dir_;
  std::string path_;
  std::unique_ptr<Database> db_;
  std::unique_ptr<Recordset> table_;
  ZodiacTables tables_;
  PrecedingMemory memory_;
  std::optional<DrawLists> previous_;
};

TEST_F(HistoryTest, AppendWritesEveryColumnFamily) {
  ASSERT_TRUE(Append(2016152, {3, 11, 17, 24, 28, 32, 9}).ok());
  ASSERT_TRUE(Append(2016153, {1, 2, 3, 4, 5, 6, 7}).ok());
  ASSERT_TRUE(Append(2017001, {12, 5, 6, 7, 8, 9, 12}).ok());

  EXPECT_EQ(Int(2016153, "QQH"), 2016154);  // no roll-over at the year's end
  EXPECT_EQ(Int(2017001, "QQH"), 2017002);
  // Own, preceding (the draw before) and earlier (the one before that) columns.
  EXPECT_EQ(Int(2017001, "L1A"), 12);
  EXPECT_EQ(Int(2017001, "L1AS"), 1);
  EXPECT_EQ(Int(2017001, "L1AP"), 3);
  EXPECT_EQ(Int(2017001, "L7HS"), 4);  // blue 07: segment 3 + 1
  EXPECT_EQ(Int(2017001, "L7HP"), 5);  // blue 09
  EXPECT_EQ(Int(2016152, "L5GS"), 0);  // the memory starts at zero
  EXPECT_EQ(Int(2016152, "L5GP"), 0);
  EXPECT_EQ(Int(2016152, "L5G"), 10);
  // The lists describe the draw before; the first draw has none.
  EXPECT_EQ(Text(2016152, "txtHisLst"), "<null>");
  EXPECT_EQ(Text(2016153, "txtHisLst"), "03 11 17 24 28 32 09 ");
  EXPECT_EQ(Text(2016153, "txtHisLstDs"), "1X1 1X4 1X6 1X8 1X10 1X11 1X5 ");
  EXPECT_EQ(Text(2017001, "txtHisLstTou"), "1X0 2X0 3X0 4X0 5X0 6X0 7X0 ");
  EXPECT_EQ(Text(2017001, "txtHisPreLst"), "<null>");
  EXPECT_EQ(memory_.last[7][Kind::kHm], 12);
  EXPECT_EQ(memory_.second_last[7][Kind::kHm], 7);
}

TEST_F(HistoryTest, ZodiacCodesFollowTheIssuesYear) {
  ASSERT_TRUE(Append(2016016, {1, 2, 3, 4, 5, 6, 1}).ok());
  ASSERT_TRUE(Append(2016017, {1, 2, 3, 4, 5, 6, 1}).ok());
  // By age each draw is read in its own zodiac year, so 01 is code 1 in both.
  EXPECT_EQ(Int(2016016, "L1B"), 1);
  EXPECT_EQ(Int(2016017, "L1B"), 1);
  EXPECT_EQ(Int(2016017, "L2B"), 2);
}

TEST_F(HistoryTest, FailedAppendSavesNothingAndKeepsTheMemory) {
  ASSERT_TRUE(Append(2003001, {10, 11, 12, 13, 26, 28, 11}).ok());
  const PrecedingMemory before = memory_;
  // QQH = SQQH + 1 does not fit a 32-bit issue column.
  EXPECT_FALSE(Append(INT32_MAX, {1, 2, 3, 4, 5, 6, 7}).ok());
  EXPECT_EQ(memory_.last, before.last);
  EXPECT_EQ(memory_.second_last, before.second_last);
  ASSERT_TRUE(Append(2003002, {1, 2, 3, 4, 5, 6, 7}).ok());
  EXPECT_THAT(Issues(kHistoryQuery), ElementsAre(2003001, 2003002));
  EXPECT_EQ(Int(2003002, "L1AS"), 10);
}

TEST_F(HistoryTest, RowsSurviveReopening) {
  ASSERT_TRUE(Append(2003001, {10, 11, 12, 13, 26, 28, 11}).ok());
  ASSERT_TRUE(Append(2003002, {4, 9, 19, 20, 21, 26, 12}).ok());
  table_.reset();
  db_->Close();
  ASSERT_TRUE(OpenHistoryDatabase(path_, &db_).ok());
  EXPECT_THAT(Issues(kHistoryQuery), ElementsAre(2003001, 2003002));
  EXPECT_EQ(Text(2003002, "txtHisLstHm"), "1X10 1X11 1X12 1X13 1X26 1X28 2X11 ");
}

TEST_F(HistoryTest, SnapshotDoesNotSeeDrawsAppendedAfterIt) {
  ASSERT_TRUE(Append(2003001, {10, 11, 12, 13, 26, 28, 11}).ok());
  std::unique_ptr<Recordset> snapshot;
  ASSERT_TRUE(db_->OpenSnapshot(kHistoryQuery, &snapshot).ok());
  ASSERT_TRUE(Append(2003002, {4, 9, 19, 20, 21, 26, 12}).ok());
  ASSERT_TRUE(snapshot->MoveLast().ok());
  EXPECT_EQ(snapshot->RecordCount(), 1);
}

// Every statement form the searches use, with its row effects, on a real history.
class StatementFormsTest : public HistoryTest {
 protected:
  void SetUp() override {
    HistoryTest::SetUp();
    ASSERT_TRUE(Append(2003001, {3, 11, 17, 24, 28, 32, 9}).ok());
    ASSERT_TRUE(Append(2003002, {10, 1, 12, 13, 26, 28, 11}).ok());
    ASSERT_TRUE(Append(2003003, {5, 4, 12, 20, 21, 30, 3}).ok());
    ASSERT_TRUE(Append(2003004, {6, 7, 8, 9, 10, 33, 16}).ok());
    ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [intTh]=5").ok());
    ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [intTh]=0").ok());
  }
};

TEST_F(StatementFormsTest, EqualityOnThePrecedingColumns) {
  ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [intTh]=([intTh] +1) WHERE [L1AS] = 10").ok());
  ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [intTh]=([intTh] +1) WHERE [L7AS] = 11").ok());
  EXPECT_THAT(Issues("SELECT * FROM [lishi] WHERE [SQQH] >= 2003001 AND  [SQQH] <= 2003004 AND "
                     "[intTh] = 2"),
              ElementsAre(2003003));
  EXPECT_THAT(Issues("SELECT * FROM [lishi] WHERE [SQQH] >= 2003004 AND  [SQQH] <= 2003003 AND "
                     "[intTh] = 0"),
              IsEmpty());
}

TEST_F(StatementFormsTest, CombinationFlag) {
  ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [intTh]=([intTh] +1) WHERE [L2AS] = 1").ok());
  ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [bolOk]= FALSE").ok());
  ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [bolOk]= TRUE WHERE [intTh] = 1").ok());
  EXPECT_THAT(Issues("SELECT * FROM [lishi] WHERE [SQQH] >= 2003001 AND  [SQQH] <= 2003004 AND "
                     "[bolOk]= TRUE"),
              ElementsAre(2003003));
}

TEST_F(StatementFormsTest, TallyTableRankedByCount) {
  std::unique_ptr<Recordset> carcu;
  ASSERT_TRUE(db_->OpenTable(kTallyTable, &carcu).ok());
  const std::pair<int, int> rows[] = {{1, 3}, {2, 9}, {3, 0}, {4, 5}};
  for (const auto& [nmb, count] : rows) {
    ASSERT_TRUE(carcu->AddNew().ok());
    ASSERT_TRUE(carcu->SetField("Nmb", std::int64_t{nmb}).ok());
    ASSERT_TRUE(carcu->SetField("Count", std::int64_t{count}).ok());
    ASSERT_TRUE(carcu->Update().ok());
  }
  std::unique_ptr<Recordset> ranking;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT * FROM Carcu ORDER BY Count DESC", &ranking).ok());
  std::vector<std::int64_t> order;
  for (; !ranking->IsEof(); (void)ranking->MoveNext()) {
    std::int64_t nmb = 0;
    ASSERT_TRUE(ranking->GetInt("Nmb", &nmb).ok());
    order.push_back(nmb);
  }
  EXPECT_THAT(order, ElementsAre(2, 4, 1, 3));
}

TEST_F(StatementFormsTest, ShiftPassThroughTheUpdatableSet) {
  // Rewrites L1AS from the own column of the draw before, oldest first, as a search does.
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(db_->OpenUpdatable(kHistoryQuery, &rs).ok());
  std::int64_t before = 0;
  for (; !rs->IsEof(); (void)rs->MoveNext()) {
    std::int64_t own = 0;
    ASSERT_TRUE(rs->GetInt("L1A", &own).ok());
    ASSERT_TRUE(rs->Edit().ok());
    ASSERT_TRUE(rs->SetField("L1AS", before).ok());
    ASSERT_TRUE(rs->Update().ok());
    before = own;
  }
  EXPECT_EQ(Int(2003001, "L1AS"), 0);
  EXPECT_EQ(Int(2003004, "L1AS"), 5);
}

}  // namespace
}  // namespace brivo::store
