// The database engine on real files: opening, refusing foreign files, statements, the observer,
// transactions, the integrity check and compaction.

#include "platform/db/database.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "testing/other_connection.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

using ::testing::ElementsAre;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("history.db");
    ASSERT_TRUE(Database::Create(path_, &db_).ok());
    ASSERT_TRUE(db_->Execute("CREATE TABLE Lishi (SQQH INTEGER, L1A SMALLINT, "
                             "txtHisP6 TEXT COLLATE NOCASE, intTh INTEGER, bolOk BOOLEAN)")
                    .ok());
    for (int i = 1; i <= 5; ++i) {
      std::string row = std::to_string(2003000 + i) + ", " + std::to_string(i) + ", '0" +
                        std::to_string(i) + " 1X0" + std::to_string(i) + " ', 0, 0";
      ASSERT_TRUE(db_->Execute("INSERT INTO Lishi VALUES (" + row + ")").ok());
    }
  }

  // The issues of the rows matching a Jet WHERE clause, in issue order.
  std::vector<std::int64_t> Issues(const std::string& where) {
    std::unique_ptr<Recordset> rs;
    Status s = db_->OpenSnapshot("SELECT * FROM [lishi] WHERE " + where + " ORDER BY SQQH", &rs);
    EXPECT_TRUE(s.ok()) << s.ToString();
    std::vector<std::int64_t> issues;
    for (; rs && !rs->IsEof(); (void)rs->MoveNext()) {
      std::int64_t issue = 0;
      EXPECT_TRUE(rs->GetInt("SQQH", &issue).ok());
      issues.push_back(issue);
    }
    return issues;
  }

  TempDir dir_;
  std::string path_;
  std::unique_ptr<Database> db_;
};

TEST_F(DatabaseTest, RowsSurviveCloseAndReopen) {
  db_->Close();
  EXPECT_FALSE(db_->is_open());
  std::unique_ptr<Database> again;
  ASSERT_TRUE(Database::Open(path_, &again).ok());
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(again->OpenSnapshot("SELECT * FROM lishi ORDER BY SQQH", &rs).ok());
  EXPECT_TRUE(rs->MoveLast().ok());
  EXPECT_EQ(rs->RecordCount(), 5);
}

TEST_F(DatabaseTest, ObserverSeesStatementsAsWritten) {
  std::vector<std::string> seen;
  db_->set_observer([&](std::string_view sql) { seen.emplace_back(sql); });
  ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [bolOk]= FALSE").ok());
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT * FROM lishi ORDER BY SQQH", &rs).ok());
  ASSERT_TRUE(db_->OpenUpdatable("SELECT * FROM lishi ORDER BY SQQH", &rs).ok());
  EXPECT_THAT(seen,
              ElementsAre("UPDATE [Lishi] SET [bolOk]= FALSE", "SELECT * FROM lishi ORDER BY SQQH",
                          "SELECT * FROM lishi ORDER BY SQQH"));
}

TEST_F(DatabaseTest, ExecuteReportsRowsAffected) {
  std::int64_t rows = -1;
  ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [intTh]=([intTh] +1) WHERE [L1A] = 3", &rows).ok());
  EXPECT_EQ(rows, 1);
  EXPECT_THAT(Issues("[intTh] = 1"), ElementsAre(2003003));
}

TEST_F(DatabaseTest, DoubleQuotedTextIsAStringEvenWhenAColumnHasThatName) {
  ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [txtHisP6]= \"txtHisP6\" WHERE [L1A] = 2").ok());
  EXPECT_THAT(Issues("[txtHisP6] = \"TXTHISP6\""), ElementsAre(2003002));
}

// A snapshot keeps the file as it was when it was taken, also when another program commits a
// change of a column and this program then commits a change of its own.
TEST_F(DatabaseTest, SnapshotKeepsItsValuesThroughAnotherProgramsCommitAndThenOurs) {
  ASSERT_TRUE(db_->UseWriteAheadLog().ok());
  std::unique_ptr<Recordset> snapshot;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT * FROM Lishi ORDER BY SQQH", &snapshot).ok());
  {
    testing::OtherConnection other(path_);
    ASSERT_EQ(other.Exec("UPDATE Lishi SET intTh = 99 WHERE SQQH = 2003001"), SQLITE_OK);
  }
  ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [bolOk]= TRUE").ok());
  std::int64_t kept = -1;
  ASSERT_TRUE(snapshot->MoveFirst().ok());
  ASSERT_TRUE(snapshot->GetInt("intTh", &kept).ok());
  EXPECT_EQ(kept, 0);
  EXPECT_THAT(Issues("[intTh] = 99"), ElementsAre(2003001));
}

TEST_F(DatabaseTest, FailingStatementsChangeNothing) {
  const std::string before = ReadFileBytes(path_);
  struct Case {
    const char* name;
    const char* sql;
  };
  const Case cases[] = {
      {"unterminated string", "UPDATE [Lishi] SET [intTh]=1 WHERE [txtHisP6] LIKE \"*1X0"},
      {"unterminated bracket", "UPDATE [Lishi SET [intTh]=1"},
      {"two statements", "UPDATE [Lishi] SET [intTh]=1; DELETE FROM Lishi"},
      {"unknown column", "UPDATE [Lishi] SET [intTh]=1 WHERE [L9Z] = 1"},
      {"syntax error", "UPDATE [Lishi] SET WHERE"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(db_->Execute(c.sql).ok()) << c.name;
  }
  EXPECT_THAT(Issues("[intTh] = 0"), ElementsAre(2003001, 2003002, 2003003, 2003004, 2003005));
}

TEST_F(DatabaseTest, ClosedDatabaseRefusesEverythingQuietly) {
  std::unique_ptr<Recordset> table;
  ASSERT_TRUE(db_->OpenTable("Lishi", &table).ok());
  db_->Close();
  EXPECT_FALSE(db_->Execute("UPDATE [Lishi] SET [intTh]=0").ok());
  std::unique_ptr<Recordset> rs;
  EXPECT_FALSE(db_->OpenSnapshot("SELECT * FROM lishi", &rs).ok());
  EXPECT_FALSE(table->MoveLast().ok());
  EXPECT_FALSE(table->AddNew().ok());
  Database::Transaction transaction(*db_);
  EXPECT_FALSE(transaction.status().ok());
}

TEST_F(DatabaseTest, TransactionWithoutCommitRollsBack) {
  {
    Database::Transaction transaction(*db_);
    ASSERT_TRUE(transaction.status().ok());
    ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [intTh]=7").ok());
  }
  EXPECT_THAT(Issues("[intTh] = 7"), ElementsAre());
  {
    Database::Transaction transaction(*db_);
    ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [intTh]=7").ok());
    ASSERT_TRUE(transaction.Commit().ok());
  }
  EXPECT_EQ(Issues("[intTh] = 7").size(), 5u);
}

TEST_F(DatabaseTest, NestedTransactionRollsBackOnlyItsOwnPart) {
  Database::Transaction outer(*db_);
  ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [intTh]=1").ok());
  {
    Database::Transaction inner(*db_);
    ASSERT_TRUE(inner.status().ok());
    ASSERT_TRUE(db_->Execute("UPDATE [Lishi] SET [intTh]=2 WHERE [L1A] = 1").ok());
  }
  ASSERT_TRUE(outer.Commit().ok());
  EXPECT_EQ(Issues("[intTh] = 1").size(), 5u);
}

TEST_F(DatabaseTest, TableRecordsetLosesRowsOfARolledBackTransaction) {
  std::unique_ptr<Recordset> table;
  ASSERT_TRUE(db_->OpenTable("Lishi", &table).ok());
  {
    Database::Transaction transaction(*db_);
    ASSERT_TRUE(table->AddNew().ok());
    ASSERT_TRUE(table->SetField("SQQH", std::int64_t{2003006}).ok());
    ASSERT_TRUE(table->Update().ok());
  }
  ASSERT_TRUE(table->MoveLast().ok());
  EXPECT_EQ(table->RecordCount(), 5);
  std::int64_t issue = 0;
  ASSERT_TRUE(table->GetInt("SQQH", &issue).ok());
  EXPECT_EQ(issue, 2003005);
}

TEST(DatabaseOpenTest, MissingFileIsNotFoundAndNotCreated) {
  TempDir dir;
  std::unique_ptr<Database> db;
  EXPECT_EQ(Database::Open(dir.File("none.db"), &db).code(), Status::Code::kNotFound);
  EXPECT_FALSE(std::filesystem::exists(dir.File("none.db")));
}

TEST(DatabaseOpenTest, ForeignFilesAreRefusedAndLeftByteIdentical) {
  TempDir dir;
  const std::pair<const char*, std::string> files[] = {
      {"text", "2003001 10 11 12 13 26 28 11 \r\n"},
      {"empty", ""},
      {"short header", "SQLite format"},
      {"binary", std::string("\0\x01\x02\xff\xfe", 5) + std::string(5000, 'x')},
  };
  for (const auto& [name, bytes] : files) {
    const std::string path = dir.File(name);
    WriteFileBytes(path, bytes);
    std::unique_ptr<Database> db;
    Status s = Database::Open(path, &db);
    EXPECT_EQ(s.code(), Status::Code::kNotHistory) << name << ": " << s.ToString();
    EXPECT_EQ(db, nullptr) << name;
    EXPECT_EQ(ReadFileBytes(path), bytes) << name;
  }
}

TEST(DatabaseOpenTest, GarbageAfterAnSqliteHeaderIsRefused) {
  TempDir dir;
  const std::string path = dir.File("fake.db");
  std::string bytes = std::string("SQLite format 3", 16) + std::string(8192, '\x7f');
  WriteFileBytes(path, bytes);
  std::unique_ptr<Database> db;
  EXPECT_FALSE(Database::Open(path, &db).ok());
  EXPECT_EQ(ReadFileBytes(path), bytes);
}

class RepairAndCompactTest : public DatabaseTest {
 protected:
  // Overwrites the middle of the file with junk, as a damaged disk block would.
  void DamageFile() {
    db_->Close();
    std::string bytes = ReadFileBytes(path_);
    ASSERT_GT(bytes.size(), 4096u * 2);
    for (std::size_t i = 4096 + 100; i < bytes.size(); ++i) bytes[i] = '\x55';
    WriteFileBytes(path_, bytes);
  }

  void SetUp() override {
    DatabaseTest::SetUp();
    // Enough rows for several pages, so that damage can hit one of them.
    ASSERT_TRUE(db_->Execute("CREATE TABLE Bulk (v TEXT)").ok());
    Database::Transaction transaction(*db_);
    for (int i = 0; i < 200; ++i) {
      ASSERT_TRUE(db_->Execute("INSERT INTO Bulk VALUES ('" + std::string(100, 'a') + "')").ok());
    }
    ASSERT_TRUE(transaction.Commit().ok());
  }
};

TEST_F(RepairAndCompactTest, SoundFilePassesAndCompactsIntoACopy) {
  ASSERT_TRUE(db_->Execute("DELETE FROM Bulk").ok());
  db_->Close();
  EXPECT_TRUE(Database::Repair(path_).ok());
  const std::string copy = dir_.File("copy.db");
  Status s = Database::Compact(path_, copy);
  ASSERT_TRUE(s.ok()) << s.ToString();
  EXPECT_LT(std::filesystem::file_size(copy), std::filesystem::file_size(path_));
  std::unique_ptr<Database> db;
  ASSERT_TRUE(Database::Open(copy, &db).ok());
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(db->OpenSnapshot("SELECT * FROM lishi", &rs).ok());
  EXPECT_EQ(rs->RecordCount(), 5);
}

TEST_F(RepairAndCompactTest, CompactRefusesAnExistingDestination) {
  db_->Close();
  const std::string copy = dir_.File("copy.db");
  WriteFileBytes(copy, "keep me");
  EXPECT_FALSE(Database::Compact(path_, copy).ok());
  EXPECT_EQ(ReadFileBytes(copy), "keep me");
}

TEST_F(RepairAndCompactTest, DamagedFileFailsTheCheckAndIsNotCopied) {
  DamageFile();
  EXPECT_FALSE(Database::Repair(path_).ok());
  const std::string copy = dir_.File("copy.db");
  EXPECT_FALSE(Database::Compact(path_, copy).ok());
  EXPECT_FALSE(std::filesystem::exists(copy));
}

}  // namespace
}  // namespace brivo
