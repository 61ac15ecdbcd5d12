// The three recordset kinds on a real file: static snapshots, the dynamic table recordset and
// the updatable set.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "platform/db/database.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

using ::testing::ElementsAre;

class RecordsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Database::Create(dir_.File("r.db"), &db_).ok());
    ASSERT_TRUE(db_->Execute("CREATE TABLE Draws (ID INTEGER PRIMARY KEY, SQQH INTEGER, "
                             "L1A SMALLINT, txt TEXT, bolOk BOOLEAN)")
                    .ok());
    // Inserted out of issue order, so that table order and issue order differ.
    for (int issue : {2003003, 2003001, 2003002}) Insert(issue);
  }

  void Insert(int issue) {
    ASSERT_TRUE(db_->Execute("INSERT INTO Draws (SQQH, L1A, txt) VALUES (" + std::to_string(issue) +
                             ", " + std::to_string(issue % 100) + ", \"row\")")
                    .ok());
  }

  static std::int64_t Issue(Recordset& rs) {
    std::int64_t issue = 0;
    EXPECT_TRUE(rs.GetInt("sqqh", &issue).ok());
    return issue;
  }

  // The issues from the current row to the end.
  static std::vector<std::int64_t> Walk(Recordset& rs) {
    std::vector<std::int64_t> issues;
    for (; !rs.IsEof(); (void)rs.MoveNext()) issues.push_back(Issue(rs));
    return issues;
  }

  testing::TempDir dir_;
  std::unique_ptr<Database> db_;
};

TEST_F(RecordsetTest, SnapshotIsAStaticCopyInQueryOrder) {
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT * FROM draws ORDER BY SQQH", &rs).ok());
  Insert(2003004);
  ASSERT_TRUE(db_->Execute("UPDATE [Draws] SET [SQQH]=1").ok());
  ASSERT_TRUE(rs->MoveLast().ok());
  EXPECT_EQ(rs->RecordCount(), 3);
  EXPECT_EQ(Issue(*rs), 2003003);
  ASSERT_TRUE(rs->MoveFirst().ok());
  EXPECT_THAT(Walk(*rs), ElementsAre(2003001, 2003002, 2003003));
}

// On a file with a write-ahead log a snapshot of one table reads its values only when asked,
// yet shows them as they were when it was opened, whatever was written, committed, rolled back,
// appended or deleted in between.
TEST_F(RecordsetTest, SnapshotReadWhenAskedShowsTheRowsAsTheyWereWhenOpened) {
  ASSERT_TRUE(db_->UseWriteAheadLog().ok());
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT * FROM draws ORDER BY SQQH", &rs).ok());
  ASSERT_TRUE(rs->MoveFirst().ok());
  EXPECT_EQ(Issue(*rs), 2003001);  // SQQH is read; the other columns are not yet
  ASSERT_TRUE(db_->Execute("UPDATE [Draws] SET [L1A]=99").ok());
  ASSERT_TRUE(db_->Execute("UPDATE [Draws] SET [txt]=\"new\" WHERE [SQQH] = 2003002").ok());
  {
    Database::Transaction rolled_back(*db_);
    ASSERT_TRUE(db_->Execute("UPDATE [Draws] SET [bolOk]= TRUE").ok());
  }
  {
    Database::Transaction transaction(*db_);
    ASSERT_TRUE(db_->Execute("UPDATE [Draws] SET [SQQH]=[SQQH] +10").ok());
    ASSERT_TRUE(transaction.Commit().ok());
  }
  std::unique_ptr<Recordset> table;
  ASSERT_TRUE(db_->OpenTable("Draws", &table).ok());
  ASSERT_TRUE(table->MoveFirst().ok());
  ASSERT_TRUE(table->Delete().ok());
  Insert(2003009);
  ASSERT_TRUE(db_->Execute("DELETE FROM Draws WHERE SQQH = 2003012").ok());
  std::vector<std::string> rows;
  for ((void)rs->MoveFirst(); !rs->IsEof(); (void)rs->MoveNext()) {
    std::string issue, l1a, txt, ok;
    EXPECT_TRUE(rs->GetText("SQQH", &issue).ok());
    EXPECT_TRUE(rs->GetText("L1A", &l1a).ok());
    EXPECT_TRUE(rs->GetText("txt", &txt).ok());
    EXPECT_TRUE(rs->GetText("bolOk", &ok).ok());
    rows.push_back(issue + " " + l1a + " " + txt + " " + ok);
  }
  EXPECT_THAT(rows, ElementsAre("2003001 1 row ", "2003002 2 row ", "2003003 3 row "));
  db_->Close();
  Value value;
  EXPECT_FALSE(rs->GetField("L1A", &value).ok());
}

TEST_F(RecordsetTest, MovesStopAtTheEnds) {
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT * FROM draws ORDER BY SQQH", &rs).ok());
  EXPECT_FALSE(rs->IsBof());
  ASSERT_TRUE(rs->MovePrevious().ok());
  EXPECT_TRUE(rs->IsBof());
  EXPECT_EQ(rs->MovePrevious().code(), Status::Code::kNoCurrentRecord);
  Value v;
  EXPECT_EQ(rs->GetField("SQQH", &v).code(), Status::Code::kNoCurrentRecord);
  ASSERT_TRUE(rs->MoveNext().ok());
  EXPECT_EQ(Issue(*rs), 2003001);
  ASSERT_TRUE(rs->MoveLast().ok());
  ASSERT_TRUE(rs->MoveNext().ok());
  EXPECT_TRUE(rs->IsEof());
  EXPECT_EQ(rs->MoveNext().code(), Status::Code::kNoCurrentRecord);
  EXPECT_EQ(rs->GetField("nosuch", &v).code(), Status::Code::kNotFound);
}

TEST_F(RecordsetTest, EmptySetsAreAtBofAndEof) {
  ASSERT_TRUE(db_->Execute("DELETE FROM Draws").ok());
  std::unique_ptr<Recordset> snapshot, table, updatable;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT * FROM draws", &snapshot).ok());
  ASSERT_TRUE(db_->OpenTable("Draws", &table).ok());
  ASSERT_TRUE(db_->OpenUpdatable("SELECT * FROM draws", &updatable).ok());
  for (Recordset* rs : {snapshot.get(), table.get(), updatable.get()}) {
    EXPECT_TRUE(rs->IsBof());
    EXPECT_TRUE(rs->IsEof());
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_FALSE(rs->MoveFirst().ok());
    EXPECT_FALSE(rs->MoveLast().ok());
    EXPECT_FALSE(rs->MoveNext().ok());
    EXPECT_FALSE(rs->Edit().ok());
    EXPECT_FALSE(rs->Delete().ok());
  }
}

TEST_F(RecordsetTest, SnapshotRefusesWrites) {
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT * FROM draws", &rs).ok());
  EXPECT_EQ(rs->AddNew().code(), Status::Code::kReadOnly);
  EXPECT_EQ(rs->Edit().code(), Status::Code::kReadOnly);
  EXPECT_EQ(rs->Delete().code(), Status::Code::kReadOnly);
}

TEST_F(RecordsetTest, TableAppendsInInsertionOrderAndKeepsThePosition) {
  std::unique_ptr<Recordset> table;
  ASSERT_TRUE(db_->OpenTable("Draws", &table).ok());
  ASSERT_TRUE(table->MoveLast().ok());
  ASSERT_TRUE(table->AddNew().ok());
  ASSERT_TRUE(table->SetField("SQQH", std::int64_t{2003004}).ok());
  Value pending;
  ASSERT_TRUE(table->GetField("SQQH", &pending).ok());
  EXPECT_EQ(AsInt(pending), 2003004);
  ASSERT_TRUE(table->GetField("L1A", &pending).ok());
  EXPECT_TRUE(IsNull(pending));
  ASSERT_TRUE(table->Update().ok());
  EXPECT_EQ(Issue(*table), 2003002);  // still the row that was last before AddNew
  EXPECT_EQ(table->RecordCount(), 4);
  ASSERT_TRUE(table->MoveFirst().ok());
  EXPECT_THAT(Walk(*table), ElementsAre(2003003, 2003001, 2003002, 2003004));
}

TEST_F(RecordsetTest, SuccessiveAppendsWriteEachTheirOwnColumns) {
  std::unique_ptr<Recordset> table;
  ASSERT_TRUE(db_->OpenTable("Draws", &table).ok());
  auto append = [&](std::vector<std::pair<const char*, Value>> fields) {
    ASSERT_TRUE(table->AddNew().ok());
    for (auto& [name, value] : fields) ASSERT_TRUE(table->SetField(name, value).ok());
    ASSERT_TRUE(table->Update().ok());
  };
  append({{"SQQH", std::int64_t{4}}, {"L1A", std::int64_t{1}}});
  append({{"SQQH", std::int64_t{5}}, {"L1A", std::int64_t{2}}});
  append({{"SQQH", std::int64_t{6}}});
  append({{"L1A", std::int64_t{3}}, {"SQQH", std::int64_t{7}}});
  append({});
  std::unique_ptr<Recordset> rows;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT SQQH, L1A FROM Draws WHERE rowid > 3", &rows).ok());
  std::vector<std::string> seen;
  for (; !rows->IsEof(); (void)rows->MoveNext()) {
    Value issue, number;
    ASSERT_TRUE(rows->GetField("SQQH", &issue).ok());
    ASSERT_TRUE(rows->GetField("L1A", &number).ok());
    seen.push_back(IsNull(issue) ? "-" : std::to_string(*AsInt(issue)));
    seen.back() += IsNull(number) ? ":-" : ":" + std::to_string(*AsInt(number));
  }
  EXPECT_THAT(seen, ElementsAre("4:1", "5:2", "6:-", "7:3", "-:-"));
}

TEST_F(RecordsetTest, TableSeesRowsOthersAddedFromItsNextMoveLast) {
  std::unique_ptr<Recordset> table;
  ASSERT_TRUE(db_->OpenTable("Draws", &table).ok());
  Insert(2003009);
  ASSERT_TRUE(table->MoveLast().ok());
  EXPECT_EQ(table->RecordCount(), 4);
  EXPECT_EQ(Issue(*table), 2003009);
}

TEST_F(RecordsetTest, DeleteAllLoopEmptiesTheTable) {
  std::unique_ptr<Recordset> table;
  ASSERT_TRUE(db_->OpenTable("Draws", &table).ok());
  ASSERT_TRUE(table->MoveLast().ok());
  int deleted = 0;
  while (!table->IsBof()) {
    ASSERT_TRUE(table->Delete().ok());
    ASSERT_TRUE(table->MovePrevious().ok());
    ASSERT_LT(++deleted, 10);
  }
  EXPECT_EQ(deleted, 3);
  EXPECT_TRUE(table->IsEof());
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT * FROM draws", &rs).ok());
  EXPECT_EQ(rs->RecordCount(), 0);
}

TEST_F(RecordsetTest, AfterDeleteTheNextMoveReachesTheNeighbour) {
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(db_->OpenUpdatable("SELECT * FROM draws ORDER BY SQQH", &rs).ok());
  ASSERT_TRUE(rs->MoveNext().ok());
  ASSERT_TRUE(rs->Delete().ok());
  Value v;
  EXPECT_EQ(rs->GetField("SQQH", &v).code(), Status::Code::kNoCurrentRecord);
  ASSERT_TRUE(rs->MoveNext().ok());
  EXPECT_EQ(Issue(*rs), 2003003);
  ASSERT_TRUE(rs->MovePrevious().ok());
  EXPECT_EQ(Issue(*rs), 2003001);
  EXPECT_EQ(rs->RecordCount(), 2);
}

TEST_F(RecordsetTest, UpdatableSetSavesEditsByRowAndReadsRowsWhenVisited) {
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(
      db_->OpenUpdatable("SELECT * FROM [draws] WHERE [SQQH] >= 2003002 ORDER BY SQQH", &rs).ok());
  EXPECT_EQ(rs->RecordCount(), 2);
  ASSERT_TRUE(rs->Edit().ok());
  ASSERT_TRUE(rs->SetField("txt", std::string("edited")).ok());
  ASSERT_TRUE(rs->Update().ok());
  // A change made behind the set shows when its row is visited.
  ASSERT_TRUE(db_->Execute("UPDATE [Draws] SET [txt]=\"behind\" WHERE [SQQH] = 2003003").ok());
  ASSERT_TRUE(rs->MoveNext().ok());
  std::string text;
  ASSERT_TRUE(rs->GetText("TXT", &text).ok());
  EXPECT_EQ(text, "behind");

  std::unique_ptr<Recordset> check;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT * FROM draws WHERE txt = 'edited'", &check).ok());
  ASSERT_EQ(check->RecordCount(), 1);
  EXPECT_EQ(Issue(*check), 2003002);
}

TEST_F(RecordsetTest, UpdatableSetNeedsSelectStarFromATable) {
  std::unique_ptr<Recordset> rs;
  EXPECT_FALSE(db_->OpenUpdatable("SELECT SQQH FROM draws", &rs).ok());
  EXPECT_FALSE(db_->OpenUpdatable("SELECT * FROM nosuch", &rs).ok());
  EXPECT_FALSE(db_->OpenTable("nosuch", &rs).ok());
}

TEST_F(RecordsetTest, WritesMustFitTheColumnType) {
  std::unique_ptr<Recordset> table;
  ASSERT_TRUE(db_->OpenTable("[Draws]", &table).ok());
  ASSERT_TRUE(table->AddNew().ok());
  EXPECT_TRUE(table->SetField("L1A", std::int64_t{32767}).ok());
  EXPECT_FALSE(table->SetField("L1A", std::int64_t{32768}).ok());
  EXPECT_FALSE(table->SetField("L1A", std::int64_t{-32769}).ok());
  EXPECT_FALSE(table->SetField("SQQH", std::int64_t{2147483648}).ok());
  EXPECT_FALSE(table->SetField("SQQH", std::string("abc")).ok());
  EXPECT_TRUE(table->SetField("SQQH", std::string(" 2003005 ")).ok());
  EXPECT_TRUE(table->SetField("bolOk", std::int64_t{-1}).ok());
  EXPECT_TRUE(table->SetField("txt", std::int64_t{12}).ok());
  EXPECT_FALSE(table->SetField("nosuch", std::int64_t{1}).ok());
  ASSERT_TRUE(table->Update().ok());

  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(db_->OpenSnapshot("SELECT * FROM draws WHERE [bolOk]= TRUE", &rs).ok());
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(Issue(*rs), 2003005);
  std::string text;
  ASSERT_TRUE(rs->GetText("txt", &text).ok());
  EXPECT_EQ(text, "12");
}

TEST_F(RecordsetTest, UpdateNeedsAddNewOrEditAndCancelDropsTheRow) {
  std::unique_ptr<Recordset> table;
  ASSERT_TRUE(db_->OpenTable("Draws", &table).ok());
  EXPECT_FALSE(table->Update().ok());
  EXPECT_FALSE(table->SetField("SQQH", std::int64_t{1}).ok());
  ASSERT_TRUE(table->AddNew().ok());
  ASSERT_TRUE(table->SetField("SQQH", std::int64_t{1}).ok());
  table->CancelUpdate();
  EXPECT_FALSE(table->Update().ok());
  EXPECT_EQ(table->RecordCount(), 3);
}

// A walk opens a new set for each pass and takes over what the set before it read; whatever
// changed in between, the new set must read what is stored, exactly as a snapshot does.
TEST_F(RecordsetTest, ASetOverTheSameQueryReadsWhatChangedSinceTheSetBefore) {
  const char kQuery[] = "SELECT * FROM Draws ORDER BY SQQH";
  auto rows_of = [&](bool updatable) {
    std::unique_ptr<Recordset> rs;
    EXPECT_TRUE(updatable ? db_->OpenUpdatable(kQuery, &rs).ok()
                          : db_->OpenSnapshot(kQuery, &rs).ok());
    std::vector<std::string> rows;
    for (; rs && !rs->IsEof(); (void)rs->MoveNext()) {
      std::int64_t l1a = 0;
      std::string txt;
      EXPECT_TRUE(rs->GetInt("L1A", &l1a).ok());
      EXPECT_TRUE(rs->GetText("txt", &txt).ok());
      rows.push_back(std::to_string(Issue(*rs)) + ":" + std::to_string(l1a) + ":" + txt);
    }
    return rows;
  };
  auto edit_every_row = [&](const char* query, const char* column, Value value) {
    std::unique_ptr<Recordset> rs;
    ASSERT_TRUE(db_->OpenUpdatable(query, &rs).ok());
    for (; !rs->IsEof(); (void)rs->MoveNext()) {
      ASSERT_TRUE(rs->Edit().ok());
      ASSERT_TRUE(rs->SetField(column, value).ok());
      ASSERT_TRUE(rs->Update().ok());
    }
  };
  struct Case {
    const char* name;
    std::function<void()> change;
  };
  const Case cases[] = {
      {"one column updated",
       [&] { EXPECT_TRUE(db_->Execute("UPDATE [Draws] SET [L1A]=99 WHERE [SQQH]=2003002").ok()); }},
      {"the order column updated",
       [&] {
         EXPECT_TRUE(db_->Execute("UPDATE [Draws] SET [SQQH]=2003000 WHERE [SQQH]=2003003").ok());
       }},
      {"several columns updated",
       [&] { EXPECT_TRUE(db_->Execute("UPDATE [Draws] SET [L1A]=5, [txt]=\"x\"").ok()); }},
      {"a row deleted",
       [&] { EXPECT_TRUE(db_->Execute("DELETE FROM Draws WHERE SQQH=2003001").ok()); }},
      {"a row added", [&] { Insert(2003004); }},
      {"a row deleted by the table recordset",
       [&] {
         std::unique_ptr<Recordset> table;
         ASSERT_TRUE(db_->OpenTable("Draws", &table).ok());
         ASSERT_TRUE(table->MoveFirst().ok());
         ASSERT_TRUE(table->Delete().ok());
       }},
      {"edited through a set over another query",
       [&] { edit_every_row("SELECT * FROM Draws", "txt", std::string("other")); }},
      {"written through another connection to the file",
       [&] {
         std::unique_ptr<Database> other;
         ASSERT_TRUE(Database::Open(dir_.File("r.db"), &other).ok());
         ASSERT_TRUE(other->Execute("UPDATE [Draws] SET [L1A]=42").ok());
       }},
      {"edited in a transaction rolled back",
       [&] {
         Database::Transaction transaction(*db_);
         edit_every_row(kQuery, "L1A", std::int64_t{7});
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    edit_every_row(kQuery, "txt", std::string(c.name));  // the set read and wrote every row
    c.change();
    EXPECT_EQ(rows_of(true), rows_of(false));
  }
}

}  // namespace
}  // namespace brivo
