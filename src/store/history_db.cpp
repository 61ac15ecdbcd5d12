#include "store/history_db.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/base/log.h"
#include "platform/base/native_file.h"
#include "store/attributes.h"
#include "store/draw_record.h"

namespace brivo::store {
namespace {

std::vector<std::string> BuildLishiColumns() {
  // Scratch and list columns first: the searches rewrite and scan them, and SQLite reaches the
  // early columns of a row fastest.
  std::vector<std::string> columns = {"intTh", "bolOk", "txtHisP6", "SQQH", "QQH"};
  for (std::string_view family : {kPlainList, kPlainPreList}) {
    columns.emplace_back(family);
    for (Kind k : kKinds) columns.push_back(ListColumn(family, k));
  }
  for (std::string_view suffix : {kOwn, kPreceding, kEarlier}) {
    for (int p = 1; p <= kPositionCount; ++p) {
      for (Kind k : kKinds) columns.push_back(ColumnName(p, k, suffix));
    }
  }
  return columns;
}

std::string DeclaredType(const std::string& column) {
  if (column.rfind("txt", 0) == 0) return "TEXT COLLATE NOCASE";
  if (column == "bolOk") return "BOOLEAN";
  if (column == "SQQH" || column == "QQH" || column == "intTh") return "INTEGER";
  return "SMALLINT";  // the value columns
}

Status CheckColumns(Database& db, const std::string& table,
                    const std::vector<std::string>& required) {
  std::vector<std::string> present;
  if (Status s = db.TableColumns(table, &present); !s.ok()) {
    return Status::NotHistory(db.path() + " has no table " + table);
  }
  for (const std::string& column : required) {
    bool found = false;
    for (const std::string& p : present) {
      found = found || (p.size() == column.size() &&
                        std::equal(p.begin(), p.end(), column.begin(), [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                        }));
    }
    if (!found) return Status::NotHistory(db.path() + ": table " + table + " lacks " + column);
  }
  return Status::Ok();
}

// Builds the new database under a temporary name and gives it its real name only when whole.
Status CreateHistoryFile(const std::string& path) {
  const std::string building = path + ".creating";
  std::error_code ec;
  std::filesystem::remove(NativePath(building), ec);
  std::filesystem::remove(NativePath(building + "-journal"), ec);
  std::unique_ptr<Database> db;
  if (Status s = Database::Create(building, &db); !s.ok()) return s;
  {
    Database::Transaction transaction(*db);
    if (!transaction.status().ok()) return transaction.status();
    for (const std::string& statement : SchemaStatements()) {
      if (Status s = db->Execute(statement); !s.ok()) return s;
    }
    if (Status s = transaction.Commit(); !s.ok()) return s;
  }
  db->Close();
  std::filesystem::rename(NativePath(building), NativePath(path), ec);
  if (ec) return Status::IoError("cannot name the new history " + path + ": " + ec.message());
  return Status::Ok();
}

// A log or journal left beside a history that is gone belongs to that history: beside a new file
// SQLite would replay it into it and damage it. It is kept under another name, never deleted;
// the shared-memory index holds nothing of the history and goes.
Status SetAsideOrphanedLogs(const std::string& path) {
  std::error_code ec;
  for (const char* suffix : {"-wal", "-journal"}) {
    const std::string log = path + suffix;
    if (!std::filesystem::exists(NativePath(log), ec)) continue;
    std::string kept = log + ".orphaned";
    for (int n = 2; std::filesystem::exists(NativePath(kept), ec); ++n) {
      kept = log + ".orphaned-" + std::to_string(n);
    }
    std::filesystem::rename(NativePath(log), NativePath(kept), ec);
    if (ec) return Status::IoError("cannot set aside " + log + ": " + ec.message());
    LogWarning(log + " had no history beside it; kept as " + kept);
  }
  std::filesystem::remove(NativePath(path + "-shm"), ec);
  if (ec) return Status::IoError("cannot delete " + path + "-shm: " + ec.message());
  return Status::Ok();
}

}  // namespace

std::string ProgramFile(const std::string& program_folder, const std::string& name) {
  return Utf8Path(NativePath(program_folder) / NativePath(name));
}

const std::vector<std::string>& LishiColumns() {
  static const std::vector<std::string> columns = BuildLishiColumns();
  return columns;
}

const std::string& DrawNumbersQuery() {
  static const std::string query = [] {
    std::string sql = "SELECT SQQH";
    for (int p = 1; p <= kPositionCount; ++p) sql += ", " + ColumnName(p, Kind::kHm, kOwn);
    return sql + " FROM lishi ORDER BY SQQH";
  }();
  return query;
}

const std::vector<LishiPart>& LishiParts() {
  static const std::vector<LishiPart> parts = [] {
    std::vector<LishiPart> p = {
        {"LishiData", {}}, {"LishiMark", {}}, {"LishiPreLst", {}}, {"LishiS", {}}, {"LishiP", {}}};
    for (const std::string& column : LishiColumns()) {
      std::size_t at = 0;  // what an append writes once
      if (column == "intTh" || column == "bolOk" || column == "txtHisP6") {
        at = 1;
      } else if (column.rfind(kPlainPreList, 0) == 0) {
        at = 2;
      } else if (column.front() == 'L' && column.back() == kPreceding.front()) {
        at = 3;
      } else if (column.front() == 'L' && column.back() == kEarlier.front()) {
        at = 4;
      }
      p[at].columns.push_back(column);
    }
    return p;
  }();
  return parts;
}

namespace {

// The parts' tables, then the view over them with its triggers and the issue index.
struct LishiSchema {
  std::vector<std::string> parts;
  std::vector<std::string> view;
};

const LishiSchema& Schema() {
  static const LishiSchema schema = [] {
    LishiSchema all;
    const std::vector<LishiPart>& parts = LishiParts();
    std::string view = "CREATE VIEW Lishi AS SELECT LishiData.ID AS ID";
    std::string joins = " FROM LishiData";
    std::string insert, update, remove;
    for (std::size_t p = 0; p < parts.size(); ++p) {
      const LishiPart& part = parts[p];
      std::string table = "CREATE TABLE " + part.table + " (ID INTEGER PRIMARY KEY";
      std::string names = "ID", values = p == 0 ? "NEW.ID" : "last_insert_rowid()", sets;
      for (const std::string& column : part.columns) {
        table += ", " + column + " " + DeclaredType(column);
        names += ", " + column;
        values += ", NEW." + column;
        sets += (sets.empty() ? "" : ", ") + column + " = NEW." + column;
      }
      all.parts.push_back(table + ")");
      if (p > 0) {
        joins += " LEFT JOIN " + part.table + " ON " + part.table + ".ID = LishiData.ID";
      }
      insert += " INSERT INTO " + part.table + " (" + names + ") VALUES (" + values + ");";
      update += " UPDATE " + part.table + " SET " + sets + " WHERE ID = OLD.ID;";
      // The part holding the keys goes last, as the program deletes.
      remove = " DELETE FROM " + part.table + " WHERE ID = OLD.ID;" + remove;
    }
    for (const std::string& column : LishiColumns()) view += ", " + column;
    all.view.push_back(view + joins);
    // Any SQLite tool may write to the history as to one table.
    all.view.push_back("CREATE TRIGGER LishiInsert INSTEAD OF INSERT ON Lishi BEGIN" + insert +
                       " END");
    all.view.push_back("CREATE TRIGGER LishiUpdate INSTEAD OF UPDATE ON Lishi BEGIN" + update +
                       " END");
    all.view.push_back("CREATE TRIGGER LishiDelete INSTEAD OF DELETE ON Lishi BEGIN" + remove +
                       " END");
    all.view.push_back("CREATE INDEX LishiSQQH ON LishiData (SQQH)");
    return all;
  }();
  return schema;
}

// Whether Lishi is still one table, as histories were kept before they were kept in parts.
bool IsOneTable(Database& db) {
  LishiLayout layout;
  return ReadLishiLayout(db, &layout).ok() && layout.one_table;
}

// Moves a history kept as one table into its parts, in one transaction: a crash or a failure
// on the way leaves the file as it was, and the program reads and writes that layout too.
Status MoveIntoParts(Database& db) {
  Database::Transaction transaction(db);
  if (!transaction.status().ok()) return transaction.status();
  for (const std::string& statement : Schema().parts) {
    if (Status s = db.Execute(statement); !s.ok()) return s;
  }
  for (const LishiPart& part : LishiParts()) {
    std::string columns;
    for (const std::string& column : part.columns) columns += ", " + column;
    const std::string copy =
        "INSERT INTO " + part.table + " (ID" + columns + ") SELECT rowid" + columns + " FROM Lishi";
    if (Status s = db.Execute(copy); !s.ok()) return s;
  }
  if (Status s = db.Execute("DROP TABLE Lishi"); !s.ok()) return s;
  for (const std::string& statement : Schema().view) {
    if (Status s = db.Execute(statement); !s.ok()) return s;
  }
  return transaction.Commit();
}

}  // namespace

const std::vector<std::string>& SchemaStatements() {
  static const std::vector<std::string> statements = [] {
    std::vector<std::string> all = Schema().parts;
    all.insert(all.end(), Schema().view.begin(), Schema().view.end());
    all.push_back("CREATE TABLE Carcu (Nmb INTEGER, Count INTEGER)");
    return all;
  }();
  return statements;
}

Status OpenHistoryDatabase(const std::string& path, std::unique_ptr<Database>* out) {
  std::error_code ec;
  if (!std::filesystem::exists(NativePath(path), ec)) {
    if (Status s = SetAsideOrphanedLogs(path); !s.ok()) return s;
    if (Status s = CreateHistoryFile(path); !s.ok()) return s;
  }
  std::unique_ptr<Database> db;
  if (Status s = Database::Open(path, &db); !s.ok()) return s;
  if (Status s = CheckColumns(*db, kHistoryTable, LishiColumns()); !s.ok()) return s;
  if (Status s = CheckColumns(*db, kTallyTable, {"Nmb", "Count"}); !s.ok()) return s;
  // Only a file proven to be a history is written to. Without the log (a read-only folder,
  // say) SQLite's rollback journal still keeps every command whole.
  if (Status s = db->UseWriteAheadLog(); !s.ok()) LogWarning(s.ToString());
  if (IsOneTable(*db)) {
    if (Status s = MoveIntoParts(*db); !s.ok()) {
      LogWarning("the history stays in one table: " + s.ToString());
    }
  }
  *out = std::move(db);
  return Status::Ok();
}

std::string LishiLayout::TableOf(std::string_view column) const {
  if (one_table) return kHistoryTable;
  for (const LishiPart& part : LishiParts()) {
    for (const std::string& c : part.columns) {
      if (c.size() == column.size() &&
          std::equal(c.begin(), c.end(), column.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
          })) {
        return part.table;
      }
    }
  }
  return kHistoryTable;
}

Status ReadLishiLayout(Database& db, LishiLayout* out) {
  std::unique_ptr<Recordset> kind;
  if (Status s = db.OpenSnapshot(
          "SELECT type FROM sqlite_schema WHERE name = 'Lishi' COLLATE NOCASE", &kind);
      !s.ok()) {
    return s;
  }
  std::string type;
  if (kind->MoveFirst().ok() && !kind->GetText("type", &type).ok()) type.clear();
  out->one_table = type == "table";
  return Status::Ok();
}

Status EnsureUniqueIssues(Database& db, std::vector<std::int64_t>* repeated) {
  repeated->clear();
  Database::Transaction transaction(db);
  if (!transaction.status().ok()) return transaction.status();
  std::unique_ptr<Recordset> rows;
  if (Status s = db.OpenSnapshot(
          "SELECT SQQH FROM Lishi WHERE SQQH IS NOT NULL GROUP BY SQQH HAVING COUNT(*) > 1 "
          "ORDER BY SQQH",
          &rows);
      !s.ok()) {
    return s;
  }
  for (; !rows->IsEof(); (void)rows->MoveNext()) {  // fails only at the end
    std::int64_t issue = 0;
    if (rows->GetInt("SQQH", &issue).ok()) repeated->push_back(issue);
  }
  if (!repeated->empty()) return Status::Ok();  // rolled back: nothing was written
  const std::string table = IsOneTable(db) ? "Lishi" : "LishiData";
  if (Status s = db.Execute("CREATE UNIQUE INDEX IF NOT EXISTS LishiIssue ON " + table + " (SQQH)");
      !s.ok()) {
    return s;
  }
  return transaction.Commit();
}

}  // namespace brivo::store
