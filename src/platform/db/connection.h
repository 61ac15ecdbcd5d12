#pragma once

// Internal to the database engine: the SQLite connection shared by a database and its
// recordsets, with its statement cache and the column facts of its tables.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/base/status.h"
#include "platform/db/database.h"

namespace brivo::detail {

// How a column's declared type limits what may be written to it.
enum class ColumnType { kInt16, kInt32, kInt64, kBoolean, kReal, kText, kAny };

// Column names looked up without regard to case, and without building a string per lookup.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const {
    std::size_t h = 1469598103934665603ull;
    for (char c : name) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    return h;
  }
};
struct NameEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      char x = a[i], y = b[i];
      if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
      if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
      if (x != y) return false;
    }
    return true;
  }
};
using NameIndex = std::unordered_map<std::string, int, NameHash, NameEqual>;

// A table as the program sees it. It is stored either as one table, or in parts: a view that
// joins tables on one key column (an INTEGER PRIMARY KEY in each), so that a statement writing a
// few columns rewrites only the narrow rows of their part. parts[0] holds every row's key.
struct TableInfo {
  std::string name;  // as the schema spells it
  std::vector<std::string> columns;
  std::vector<ColumnType> types;
  // Index of a column by its name; -1 when there is none.
  int IndexOf(std::string_view column) const;
  NameIndex index_by_name;

  std::vector<std::string> parts;  // the table itself when it is not kept in parts
  std::vector<int> part_of;        // per column, its index in parts
  std::string key = "rowid";       // the column naming a row in every part
  bool in_parts() const { return parts.size() > 1; }
};

// Lower-case ASCII copy, for names compared without regard to case.
std::string AsciiLower(std::string_view s);

// Maps an SQLite result code and the connection's message to a status.
Status FromSqlite(int rc, sqlite3* db, std::string_view context);

// Converts a value for a column of the given type: integers must fit, booleans become 0 or 1,
// numbers written to text become their decimal text. Fails on a value the column cannot hold.
Status CoerceForColumn(ColumnType type, std::string_view column, Value* value);

void BindValue(sqlite3_stmt* stmt, int index, const Value& value);
Value ColumnValue(sqlite3_stmt* stmt, int column);

// A prepared statement taken from the cache for one use: reset and unbound when it goes.
class StatementUse {
 public:
  explicit StatementUse(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~StatementUse();
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_;
};

class Connection {
 public:
  explicit Connection(sqlite3* db) : db_(db) {}
  ~Connection() { Close(); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* db() const { return db_; }
  bool is_open() const { return db_ != nullptr; }
  // Finalizes every cached statement and closes the file.
  void Close();

  // A prepared statement for the SQLite text, kept for reuse. Refuses text that holds more
  // than one statement.
  Status Prepare(const std::string& sql, sqlite3_stmt** out);
  // Column facts of a table, read once and kept until the schema changes.
  Status Table(std::string_view name, std::shared_ptr<const TableInfo>* out);
  void ForgetSchema() { tables_.clear(); }

  // Bumped by every write this connection makes (a statement, a saved row, a rollback), so that
  // recordsets know when the values and row ids they keep may no longer be as stored.
  std::uint64_t change_count() const { return change_count_; }
  void Changed() { ++change_count_; }

  int transaction_depth = 0;

  // SQLite's count of the commits other connections made to the file; -1 when it cannot be read.
  std::int64_t FileVersion();

 private:
  // Fills in the parts of a table kept in parts (see TableInfo).
  Status FindParts(TableInfo* info);
  sqlite3* db_;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
  std::unordered_map<std::string, std::shared_ptr<const TableInfo>> tables_;
  std::uint64_t change_count_ = 0;
};

// Keeps the statements that change one row of a table kept in parts together outside a
// transaction: a crash or a failure between them leaves none of them. Nothing is done where the
// change writes one part only, or inside a transaction, which a failed write rolls back whole.
class PartsTogether {
 public:
  PartsTogether(Connection& connection, bool several_parts);
  ~PartsTogether();
  PartsTogether(const PartsTogether&) = delete;
  PartsTogether& operator=(const PartsTogether&) = delete;
  const Status& status() const { return status_; }
  Status Done();

 private:
  Status Run(const char* sql);
  Connection& connection_;
  Status status_;
  bool open_ = false;
};

// The recordsets, built by Database.
Status MakeSnapshot(const std::shared_ptr<Connection>& connection, const std::string& sql,
                    std::unique_ptr<Recordset>* out);
// A recordset of row ids of one table; dynamic ones (table recordsets) walk the rows in the
// order they were added, where_and_order unused, and read their ids again from their next
// MoveFirst or MoveLast when anyone else wrote to the file.
Status MakeKeysetRecordset(const std::shared_ptr<Connection>& connection, std::string_view table,
                           const std::string& where_and_order, bool dynamic,
                           std::unique_ptr<Recordset>* out);

}  // namespace brivo::detail
