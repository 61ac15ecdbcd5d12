#include "testing/history_builder.h"

#include <fstream>
#include <sstream>

#include "store/history_db.h"

namespace brivo::testing {

std::vector<TestDraw> ReadDrawFile(const std::string& path, std::size_t limit) {
  std::ifstream in(path);
  std::vector<TestDraw> draws;
  std::string line;
  while (draws.size() < limit && std::getline(in, line)) {
    std::istringstream fields(line);
    TestDraw d{};
    fields >> d.issue;
    for (int& n : d.numbers) fields >> n;
    if (fields) draws.push_back(d);
  }
  return draws;
}

std::vector<TestDraw> RealHistory(std::size_t count) {
  return ReadDrawFile(std::string(BRIVO_TEST_DATA_DIR) + "/ssq_history_sorted.txt", count);
}

Status BuildHistory(const std::string& path, const std::vector<TestDraw>& draws) {
  std::unique_ptr<Database> db;
  if (Status s = store::OpenHistoryDatabase(path, &db); !s.ok()) return s;
  std::unique_ptr<Recordset> table;
  if (Status s = db->OpenTable(store::kHistoryTable, &table); !s.ok()) return s;
  Database::Transaction transaction(*db);
  store::ZodiacTables tables;
  store::PrecedingMemory memory;
  std::optional<store::DrawLists> previous;
  for (const TestDraw& d : draws) {
    tables.SetZodiacYear(store::ZodiacTables::ZodiacYearOf(d.issue));
    tables.ComputeCodes(1, false);
    store::DrawToAppend draw;
    draw.issue = d.issue;
    draw.own = store::ValuesOf(d.numbers, tables, 1);
    draw.before = previous;
    if (Status s = store::AppendDraw(*table, draw, &memory); !s.ok()) return s;
    previous = store::ListsOf(draw.own);
  }
  return transaction.Commit();
}

Status KeepInOneTable(const std::string& path) {
  std::unique_ptr<Database> db;
  if (Status s = Database::Open(path, &db); !s.ok()) return s;
  std::unique_ptr<Recordset> columns;
  Status s = db->OpenSnapshot("SELECT name, type FROM pragma_table_info('Lishi')", &columns);
  if (!s.ok()) return s;
  std::string table = "CREATE TABLE LishiOne (ID INTEGER PRIMARY KEY";
  // Moves fail only past the end, which IsEof ends the loop at.
  for ((void)columns->MoveFirst(); !columns->IsEof(); (void)columns->MoveNext()) {
    std::string name, type;
    if (!columns->GetText("name", &name).ok() || !columns->GetText("type", &type).ok()) {
      return Status::IoError("cannot read the columns of Lishi");
    }
    if (name != "ID") table += ", " + name + " " + type + (type == "TEXT" ? " COLLATE NOCASE" : "");
  }
  Database::Transaction transaction(*db);
  std::vector<std::string> statements = {table + ")", "INSERT INTO LishiOne SELECT * FROM Lishi",
                                         "DROP VIEW Lishi"};
  for (const store::LishiPart& part : store::LishiParts()) {
    statements.push_back("DROP TABLE " + part.table);
  }
  statements.push_back("ALTER TABLE LishiOne RENAME TO Lishi");
  statements.push_back("CREATE INDEX LishiSQQH ON Lishi (SQQH)");
  for (const std::string& statement : statements) {
    if (Status e = db->Execute(statement); !e.ok()) return e;
  }
  return transaction.Commit();
}

std::vector<std::string> HistoryColumn(Database& db, const std::string& column) {
  std::vector<std::string> values;
  std::unique_ptr<Recordset> rs;
  if (!db.OpenSnapshot(store::kHistoryQuery, &rs).ok()) return values;
  for (; !rs->IsEof(); (void)rs->MoveNext()) {  // fails only past the end
    Value v;
    if (!rs->GetField(column, &v).ok()) v = std::string("<unreadable>");
    values.push_back(IsNull(v) ? "<null>" : AsText(v));
  }
  return values;
}

std::vector<std::int64_t> HistoryIntColumn(Database& db, const std::string& column) {
  std::vector<std::int64_t> values;
  for (const std::string& text : HistoryColumn(db, column)) {
    values.push_back(AsInt(Value(text)).value_or(-1));
  }
  return values;
}

}  // namespace brivo::testing
