// Leaving unchanged rows out of UPDATE statements: which statements are rewritten, and that the
// rows end the same either way.

#include "platform/db/update_rewrite.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/db/database.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

TEST(SkipUnchangedRowsTest, RewritesSingleAssignmentsOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"UPDATE [Lishi] SET [intTh]=0",
       "UPDATE [Lishi] SET [intTh]=0 WHERE [intTh] IS NOT (0) COLLATE BINARY"},
      {"UPDATE [Lishi] SET [bolOk]= 1 WHERE [intTh] = 2",
       "UPDATE [Lishi] SET [bolOk]= 1 WHERE ( [intTh] = 2) AND [bolOk] IS NOT ( 1 ) COLLATE "
       "BINARY"},
      {"UPDATE [Lishi] SET [txtHisP6]= jet_left([txtHisLstSx],jet_len([txtHisLstSx])-4)",
       "UPDATE [Lishi] SET [txtHisP6]= jet_left([txtHisLstSx],jet_len([txtHisLstSx])-4) WHERE "
       "[txtHisP6] IS NOT ( jet_left([txtHisLstSx],jet_len([txtHisLstSx])-4)) COLLATE BINARY"},
      // Left alone: the expression reads the column, several columns, other statements.
      {"UPDATE [Lishi] SET [intTh]=([intTh] +1) WHERE [L1AS] = 3", nullptr},
      {"UPDATE Lishi SET a=1, b=2", nullptr},
      {"UPDATE Lishi SET a=(SELECT max(b) FROM Lishi)", nullptr},
      {"DELETE FROM Lishi", nullptr},
      {"SELECT * FROM lishi", nullptr},
      {"UPDATE Lishi SET a='x WHERE y'",
       "UPDATE Lishi SET a='x WHERE y' WHERE a IS NOT ('x WHERE y') COLLATE BINARY"},
      {"UPDATE Lishi SET a='unterminated", nullptr},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(SkipUnchangedRows(in), out == nullptr ? std::string(in) : std::string(out)) << in;
  }
}

// The same statements run on two copies of one table, rewritten and not: the rows must agree.
TEST(SkipUnchangedRowsTest, RowsEndTheSame) {
  testing::TempDir dir;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File("t.db").c_str(), &db), SQLITE_OK);
  auto run = [&](const std::string& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (error ? error : "");
    sqlite3_free(error);
  };
  for (const char* table : {"plain", "rewritten"}) {
    run(std::string("CREATE TABLE ") + table +
        " (n INTEGER, t TEXT COLLATE NOCASE, s SMALLINT, f BOOLEAN)");
    run(std::string("INSERT INTO ") + table +
        " VALUES (0, 'abc', 5, 1), (1, 'ABC', NULL, 0), (NULL, NULL, 7, NULL), (2, '', 5, 1)");
  }
  const char* const statements[] = {
      "UPDATE %s SET n=0",
      "UPDATE %s SET t='abc'",
      "UPDATE %s SET s=5 WHERE n = 0",
      "UPDATE %s SET f= 1 WHERE s = 5",
      "UPDATE %s SET t=NULL WHERE f = 0",
      "UPDATE %s SET s='7'",
      "UPDATE %s SET t=upper(t)",
  };
  for (const char* statement : statements) {
    char plain[200], rewritten[200];
    std::snprintf(plain, sizeof plain, statement, "plain");
    std::snprintf(rewritten, sizeof rewritten, statement, "rewritten");
    run(plain);
    run(SkipUnchangedRows(rewritten));
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(db,
                           "SELECT count(*) FROM plain p JOIN rewritten r ON p.rowid = r.rowid "
                           "WHERE p.n IS NOT r.n OR p.t IS NOT r.t COLLATE BINARY OR "
                           "p.s IS NOT r.s OR typeof(p.s) != typeof(r.s) OR p.f IS NOT r.f",
                           -1, &stmt, nullptr),
        SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 0) << statement;
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
}

}  // namespace
}  // namespace brivo
