// Read-only recordsets of a query's rows as they were when it was opened: a copy of every value,
// or, for the rows of one table on a file with a write-ahead log, the values read when asked
// through a read transaction of their own.

#include <unordered_map>

#include "platform/db/connection.h"

namespace brivo::detail {
namespace {

// What every snapshot answers to a write.
class ReadOnlyRecordset : public Recordset {
 public:
  Status AddNew() override { return ReadOnly(); }
  Status Edit() override { return ReadOnly(); }
  Status SetField(std::string_view, Value) override { return ReadOnly(); }
  Status Update() override { return ReadOnly(); }
  void CancelUpdate() override {}
  Status Delete() override { return ReadOnly(); }

 private:
  static Status ReadOnly() { return Status::ReadOnly("a snapshot cannot be changed"); }
};

class SnapshotRecordset final : public ReadOnlyRecordset {
 public:
  SnapshotRecordset(std::vector<std::string> names, std::vector<Value> cells)
      : names_(std::move(names)), cells_(std::move(cells)) {
    for (std::size_t i = 0; i < names_.size(); ++i) {
      index_.emplace(names_[i], static_cast<int>(i));  // the first of equal names
    }
    rows_ = names_.empty() ? 0 : static_cast<std::int64_t>(cells_.size() / names_.size());
    position_ = 0;
  }

  Status MoveFirst() override { return MoveTo(0); }
  Status MoveLast() override { return MoveTo(rows_ - 1); }
  Status MoveNext() override {
    if (IsEof()) return Status::NoCurrentRecord();
    ++position_;
    return Status::Ok();
  }
  Status MovePrevious() override {
    if (IsBof()) return Status::NoCurrentRecord();
    --position_;
    return Status::Ok();
  }
  bool IsBof() const override { return rows_ == 0 || position_ < 0; }
  bool IsEof() const override { return rows_ == 0 || position_ >= rows_; }
  std::int64_t RecordCount() const override { return rows_; }
  const std::vector<std::string>& FieldNames() const override { return names_; }

  Status GetField(std::string_view name, Value* out) override {
    auto it = index_.find(name);
    if (it == index_.end()) return Status::NotFound("no column " + std::string(name));
    if (IsBof() || IsEof()) return Status::NoCurrentRecord();
    *out = cells_[static_cast<std::size_t>(position_) * names_.size() +
                  static_cast<std::size_t>(it->second)];
    return Status::Ok();
  }

 private:
  Status MoveTo(std::int64_t row) {
    if (rows_ == 0) return Status::NoCurrentRecord();
    position_ = row;
    return Status::Ok();
  }

  std::vector<std::string> names_;
  std::vector<Value> cells_;  // row after row
  NameIndex index_;
  std::int64_t rows_ = 0;
  std::int64_t position_ = 0;
};

// The rows of a keyset recordset on the reader, which writes nothing: what it reads is what the
// file held when the reader's transaction began. A reader held for long would keep the log
// from being emptied, so when a commit changed only some columns of the table, the snapshot
// reads those while the reader still sees them as they were, and moves the reader on: every
// column it has not read yet is then still as it was.
class LazySnapshot final : public ReadOnlyRecordset, public CommitWatcher {
 public:
  LazySnapshot(std::shared_ptr<Connection> connection, std::shared_ptr<Connection> reader,
               std::string_view table, std::unique_ptr<Recordset> rows)
      : connection_(std::move(connection)),
        reader_(std::move(reader)),
        table_(AsciiLower(table)),
        rows_(std::move(rows)) {
    connection_->AddWatcher(this);
  }
  ~LazySnapshot() override {
    connection_->RemoveWatcher(this);
    rows_.reset();
    reader_->Close();
  }

  void Committed(const ChangeLog& changes) override {
    if (changes.unknown || !reader_->is_open()) return;
    const auto it = changes.tables.find(table_);
    if (it != changes.tables.end()) {
      if (it->second.rows) return;  // rows came or went: it keeps the file as it was
      for (const std::string& column : it->second.columns) {
        if (!PreloadColumn(*rows_, column).ok()) return;
      }
    }
    // A new read transaction, begun at once by reading the schema.
    for (const char* sql : {"COMMIT", "BEGIN", "SELECT count(*) FROM sqlite_schema"}) {
      sqlite3_stmt* stmt = nullptr;
      if (!reader_->Prepare(sql, &stmt).ok()) return;
      StatementUse use(stmt);
      int rc;
      while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      }
      if (rc != SQLITE_DONE) return;
    }
  }

  Status MoveFirst() override { return rows_->MoveFirst(); }
  Status MoveLast() override { return rows_->MoveLast(); }
  Status MoveNext() override { return rows_->MoveNext(); }
  Status MovePrevious() override { return rows_->MovePrevious(); }
  bool IsBof() const override { return rows_->IsBof(); }
  bool IsEof() const override { return rows_->IsEof(); }
  std::int64_t RecordCount() const override { return rows_->RecordCount(); }
  const std::vector<std::string>& FieldNames() const override { return rows_->FieldNames(); }
  Status GetField(std::string_view name, Value* out) override {
    if (!connection_->is_open()) return Status::IoError("the database is closed");
    return rows_->GetField(name, out);
  }

 private:
  std::shared_ptr<Connection> connection_;
  std::shared_ptr<Connection> reader_;
  std::string table_;  // in lower case
  std::unique_ptr<Recordset> rows_;
};

}  // namespace

Status MakeLazySnapshot(const std::shared_ptr<Connection>& connection,
                        std::shared_ptr<Connection> reader, std::string_view table,
                        const std::string& where_and_order, std::unique_ptr<Recordset>* out) {
  sqlite3_stmt* begin = nullptr;
  if (Status s = reader->Prepare("BEGIN", &begin); !s.ok()) return s;
  {
    StatementUse use(begin);
    if (const int rc = sqlite3_step(begin); rc != SQLITE_DONE) {
      return FromSqlite(rc, reader->db(), "BEGIN");
    }
  }
  // Reading the row ids starts the read transaction: from here on the reader sees the file as
  // it is now.
  std::unique_ptr<Recordset> rows;
  if (Status s = MakeKeysetRecordset(reader, table, where_and_order, false, &rows); !s.ok()) {
    return s;
  }
  connection->AddReader(reader);
  *out = std::make_unique<LazySnapshot>(connection, std::move(reader), table, std::move(rows));
  return Status::Ok();
}

Status MakeSnapshot(const std::shared_ptr<Connection>& connection, const std::string& sql,
                    std::unique_ptr<Recordset>* out) {
  sqlite3_stmt* stmt = nullptr;
  Status s = connection->Prepare(sql, &stmt);
  if (!s.ok()) return s;
  StatementUse use(stmt);
  const int columns = sqlite3_column_count(stmt);
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(columns));
  for (int c = 0; c < columns; ++c) names.emplace_back(sqlite3_column_name(stmt, c));
  std::vector<Value> cells;
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    for (int c = 0; c < columns; ++c) cells.push_back(ColumnValue(stmt, c));
  }
  if (rc != SQLITE_DONE) return FromSqlite(rc, connection->db(), sql);
  *out = std::make_unique<SnapshotRecordset>(std::move(names), std::move(cells));
  return Status::Ok();
}

}  // namespace brivo::detail
