#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/base/status.h"

// The database engine: an SQLite file reached through statements in the Jet dialect
// (see jet_sql.h) and three kinds of recordset.
namespace brivo {

// A column value: NULL, a whole number, a real number or text (UTF-8).
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;

inline bool IsNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }
// The value as a whole number: integers as they are, reals truncated, text that is a whole
// decimal number converted; nullopt for NULL and other text.
std::optional<std::int64_t> AsInt(const Value& v);
// The value as text: NULL gives "", numbers their decimal text.
std::string AsText(const Value& v);

namespace detail {
class Connection;
}

// A set of rows with a current position. Positions run from before the first row (BOF) to
// after the last (EOF); a set without rows is at BOF and EOF at once. Reading or writing a
// field needs a current row.
class Recordset {
 public:
  virtual ~Recordset() = default;

  // Moves fail with kNoCurrentRecord, leaving the position, when there is no row to move to:
  // MoveFirst/MoveLast on an empty set, MoveNext at EOF, MovePrevious at BOF.
  virtual Status MoveFirst() = 0;
  virtual Status MoveLast() = 0;
  virtual Status MoveNext() = 0;
  virtual Status MovePrevious() = 0;
  virtual bool IsBof() const = 0;
  virtual bool IsEof() const = 0;
  // The number of rows in the set.
  virtual std::int64_t RecordCount() const = 0;

  // The column names in table order.
  virtual const std::vector<std::string>& FieldNames() const = 0;
  // The value of a column of the current row (names without regard to case); while a row is
  // being added or edited, the value as written so far.
  virtual Status GetField(std::string_view name, Value* out) = 0;
  Status GetInt(std::string_view name, std::int64_t* out);
  Status GetText(std::string_view name, std::string* out);

  // Writing: AddNew (or Edit on the current row), SetField for each column, then Update saves
  // the row. A value that does not fit the column's declared type (16-bit, 32-bit) is refused.
  // After saving a new row the position is where it was before AddNew.
  virtual Status AddNew() = 0;
  virtual Status Edit() = 0;
  virtual Status SetField(std::string_view name, Value value) = 0;
  virtual Status Update() = 0;
  // Drops a row begun by AddNew or Edit without saving it.
  virtual void CancelUpdate() = 0;
  // Deletes the current row. Afterwards there is no current row until the next move;
  // MoveNext then goes to the row after the deleted one, MovePrevious to the one before.
  virtual Status Delete() = 0;
};

// An open SQLite history file. The file's text columns compare without regard to case, and
// every statement is given in the Jet dialect. Not thread-safe: the window's thread owns it.
class Database {
 public:
  // Called with every statement as the program wrote it, before translation.
  using StatementObserver = std::function<void(std::string_view jet_sql)>;

  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Opens an existing SQLite file for reading and writing. A missing file is kNotFound; a file
  // that is not an SQLite database is kNotHistory and is not written to.
  static Status Open(const std::string& path, std::unique_ptr<Database>* out);
  // Creates a new, empty database file; fails when the path exists.
  static Status Create(const std::string& path, std::unique_ptr<Database>* out);
  // Checks the file's integrity without changing it: kCorruption when it is damaged.
  static Status Repair(const std::string& path);
  // Writes a compacted copy of source to destination, which must not exist. A damaged source
  // is refused (kCorruption) and nothing is written.
  static Status Compact(const std::string& source, const std::string& destination);

  // Releases the file. Every recordset opened on this database fails from then on.
  void Close();
  bool is_open() const;
  const std::string& path() const { return path_; }

  // SQLite's PRAGMA data_version on this database's connection: it changes exactly when another
  // connection (another program) has committed a change to the file since the last reading;
  // -1 when it cannot be read.
  std::int64_t DataVersion();

  // Switches the file to write-ahead logging with normal syncing: a commit is atomic and
  // quick, and a crash or power cut never leaves half of one.
  Status UseWriteAheadLog();

  void set_observer(StatementObserver observer) { observer_ = std::move(observer); }

  // Runs one statement that returns no rows; *rows_affected gets the count of rows written.
  // A statement that cannot be translated or prepared fails before anything runs.
  Status Execute(std::string_view jet_sql, std::int64_t* rows_affected = nullptr);

  // The program's own narrow reads and writes of its tables, in SQLite's dialect: a query's rows
  // visited one at a time as they are read (nothing is copied), and a statement run with values
  // bound to ?1, ?2, ... (prepared once and kept, for statements run once a row).
  class Row {
   public:
    std::int64_t Int(int column) const;
    bool IsNull(int column) const;
    Value Get(int column) const;

   private:
    friend class Database;
    explicit Row(void* stmt) : stmt_(stmt) {}
    void* stmt_;
  };
  Status ReadRows(std::string_view sqlite_sql, const std::function<Status(const Row&)>& visit);
  Status ExecuteBound(std::string_view sqlite_sql, const std::vector<Value>& values);

  // A table recordset on a whole table, in insertion order: appends and deletes; it sees every
  // row added or removed afterwards from its next MoveFirst or MoveLast.
  Status OpenTable(std::string_view table, std::unique_ptr<Recordset>* out);
  // A read-only static copy of the query's rows taken now: later changes do not show in it.
  Status OpenSnapshot(std::string_view jet_sql, std::unique_ptr<Recordset>* out);
  // An updatable set of the rows of a query of the form SELECT * FROM table [WHERE ...]
  // [ORDER BY ...], in query order; edits are saved by row id. Rows are read when visited.
  Status OpenUpdatable(std::string_view jet_sql, std::unique_ptr<Recordset>* out);

  // Names of the table's columns in table order; kNotFound when there is no such table.
  Status TableColumns(std::string_view table, std::vector<std::string>* out);

  // One command as one transaction: everything between construction and Commit is kept
  // together, and a guard destroyed without Commit rolls it all back. Guards nest.
  class Transaction {
   public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    // Whether the transaction could be begun.
    const Status& status() const { return status_; }
    Status Commit();

   private:
    Database& db_;
    Status status_;
    int depth_ = 0;
    bool done_ = false;
  };

 private:
  Database(std::string path, std::shared_ptr<detail::Connection> connection);
  void Observe(std::string_view jet_sql) const;
  Status Run(const std::string& sqlite_sql, const std::vector<Value>& values,
             std::int64_t* rows_affected);

  std::string path_;
  std::shared_ptr<detail::Connection> connection_;
  StatementObserver observer_;
};

}  // namespace brivo
