// An updatable recordset over the row ids of one table: rows are read when visited and saved by
// row id.

#include <optional>

#include "platform/connection.h"

namespace brivo::detail {
namespace {

class KeysetRecordset final : public Recordset {
 public:
  KeysetRecordset(std::shared_ptr<Connection> connection, std::shared_ptr<const TableInfo> table,
                  std::string keyset_sql, bool dynamic)
      : connection_(std::move(connection)),
        table_(std::move(table)),
        quoted_table_("[" + table_->name + "]"),
        keyset_sql_(std::move(keyset_sql)),
        dynamic_(dynamic) {}

  Status LoadKeyset() {
    sqlite3_stmt* stmt = nullptr;
    Status s = connection_->Prepare(keyset_sql_, &stmt);
    if (!s.ok()) return s;
    StatementUse use(stmt);
    std::vector<std::int64_t> ids;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(stmt, 0));
    if (rc != SQLITE_DONE) return FromSqlite(rc, connection_->db(), keyset_sql_);
    ids_ = std::move(ids);
    known_version_ = connection_->row_set_version();
    position_ = 0;
    deleted_ = false;
    Forget();
    return Status::Ok();
  }

  Status MoveFirst() override {
    if (Status s = Refresh(); !s.ok()) return s;
    return MoveTo(0);
  }
  Status MoveLast() override {
    if (Status s = Refresh(); !s.ok()) return s;
    return MoveTo(static_cast<std::int64_t>(ids_.size()) - 1);
  }
  Status MoveNext() override {
    if (deleted_) {
      deleted_ = false;  // the row after the deleted one now stands at its place
    } else if (IsEof()) {
      return Status::NoCurrentRecord();
    } else {
      ++position_;
    }
    Forget();
    return Status::Ok();
  }
  Status MovePrevious() override {
    if (deleted_) {
      deleted_ = false;
      position_ = position_ > 0 ? position_ - 1 : -1;
    } else if (IsBof()) {
      return Status::NoCurrentRecord();
    } else {
      --position_;
    }
    Forget();
    return Status::Ok();
  }
  bool IsBof() const override { return position_ < 0 || (ids_.empty() && !deleted_); }
  bool IsEof() const override {
    return position_ >= static_cast<std::int64_t>(ids_.size()) || (ids_.empty() && !deleted_);
  }
  std::int64_t RecordCount() const override { return static_cast<std::int64_t>(ids_.size()); }
  const std::vector<std::string>& FieldNames() const override { return table_->columns; }

  Status GetField(std::string_view name, Value* out) override {
    int index = table_->IndexOf(name);
    if (index < 0) return NoColumn(name);
    if (mode_ != Mode::kNone && pending_[static_cast<std::size_t>(index)]) {
      *out = *pending_[static_cast<std::size_t>(index)];
      return Status::Ok();
    }
    if (mode_ == Mode::kAdd) {
      *out = std::monostate{};
      return Status::Ok();
    }
    if (Status s = LoadRow(); !s.ok()) return s;
    *out = row_[static_cast<std::size_t>(index)];
    return Status::Ok();
  }

  Status AddNew() override {
    if (!connection_->is_open()) return Closed();
    StartPending(Mode::kAdd);
    return Status::Ok();
  }
  Status Edit() override {
    if (Status s = LoadRow(); !s.ok()) return s;
    StartPending(Mode::kEdit);
    return Status::Ok();
  }
  Status SetField(std::string_view name, Value value) override {
    if (mode_ == Mode::kNone) return Status::InvalidArgument("SetField without AddNew or Edit");
    int index = table_->IndexOf(name);
    if (index < 0) return NoColumn(name);
    auto i = static_cast<std::size_t>(index);
    if (Status s = CoerceForColumn(table_->types[i], table_->columns[i], &value); !s.ok()) {
      return s;
    }
    pending_[i] = std::move(value);
    return Status::Ok();
  }
  Status Update() override {
    if (mode_ == Mode::kNone) return Status::InvalidArgument("Update without AddNew or Edit");
    Status s = mode_ == Mode::kAdd ? Insert() : SaveEdit();
    if (s.ok()) CancelUpdate();
    return s;
  }
  void CancelUpdate() override {
    mode_ = Mode::kNone;
    pending_.clear();
  }
  Status Delete() override {
    if (mode_ != Mode::kNone) CancelUpdate();
    if (!OnRow()) return Status::NoCurrentRecord();
    sqlite3_stmt* stmt = nullptr;
    Status s = connection_->Prepare("DELETE FROM " + quoted_table_ + " WHERE rowid=?1", &stmt);
    if (!s.ok()) return s;
    StatementUse use(stmt);
    sqlite3_bind_int64(stmt, 1, ids_[static_cast<std::size_t>(position_)]);
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) return FromSqlite(rc, connection_->db(), "delete");
    if (sqlite3_changes(connection_->db()) == 0) return RowGone();
    NoteOwnRowSetChange();
    ids_.erase(ids_.begin() + static_cast<std::ptrdiff_t>(position_));
    deleted_ = true;
    Forget();
    return Status::Ok();
  }

 private:
  enum class Mode { kNone, kAdd, kEdit };

  static Status Closed() { return Status::IoError("the database is closed"); }
  static Status RowGone() {
    return Status::Error(Status::Code::kNoCurrentRecord, "the row was deleted");
  }
  Status NoColumn(std::string_view name) const {
    return Status::NotFound("no column " + std::string(name) + " in " + table_->name);
  }
  bool OnRow() const { return !deleted_ && !IsBof() && !IsEof(); }
  void Forget() { row_loaded_ = false; }

  // A table recordset sees rows that others added or removed from its next MoveFirst/MoveLast.
  Status Refresh() {
    if (!connection_->is_open()) return Closed();
    if (!dynamic_ || known_version_ == connection_->row_set_version()) return Status::Ok();
    return LoadKeyset();
  }
  // Our own insert or delete keeps the row ids in step without reading them again.
  void NoteOwnRowSetChange() {
    bool in_step = known_version_ == connection_->row_set_version();
    connection_->RowSetChanged();
    if (in_step) known_version_ = connection_->row_set_version();
  }

  Status MoveTo(std::int64_t position) {
    if (ids_.empty()) return Status::NoCurrentRecord();
    position_ = position;
    deleted_ = false;
    Forget();
    return Status::Ok();
  }

  Status LoadRow() {
    if (!connection_->is_open()) return Closed();
    if (!OnRow()) return Status::NoCurrentRecord();
    if (row_loaded_) return Status::Ok();
    sqlite3_stmt* stmt = nullptr;
    Status s = connection_->Prepare("SELECT * FROM " + quoted_table_ + " WHERE rowid=?1", &stmt);
    if (!s.ok()) return s;
    StatementUse use(stmt);
    sqlite3_bind_int64(stmt, 1, ids_[static_cast<std::size_t>(position_)]);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) return RowGone();
    if (rc != SQLITE_ROW) return FromSqlite(rc, connection_->db(), "read row");
    const int columns = sqlite3_column_count(stmt);
    row_.resize(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) row_[static_cast<std::size_t>(c)] = ColumnValue(stmt, c);
    row_loaded_ = true;
    return Status::Ok();
  }

  void StartPending(Mode mode) {
    mode_ = mode;
    pending_.assign(table_->columns.size(), std::nullopt);
  }

  // The indexes of the columns written since AddNew or Edit.
  std::vector<std::size_t> WrittenColumns() const {
    std::vector<std::size_t> written;
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      if (pending_[i]) written.push_back(i);
    }
    return written;
  }

  Status Insert() {
    std::vector<std::size_t> written = WrittenColumns();
    std::string sql = "INSERT INTO " + quoted_table_;
    if (written.empty()) {
      sql += " DEFAULT VALUES";
    } else {
      std::string names, places;
      for (std::size_t n = 0; n < written.size(); ++n) {
        if (n > 0) {
          names += ',';
          places += ',';
        }
        names += "[" + table_->columns[written[n]] + "]";
        places += "?" + std::to_string(n + 1);
      }
      sql += " (" + names + ") VALUES (" + places + ")";
    }
    sqlite3_stmt* stmt = nullptr;
    if (Status s = connection_->Prepare(sql, &stmt); !s.ok()) return s;
    StatementUse use(stmt);
    for (std::size_t n = 0; n < written.size(); ++n) {
      BindValue(stmt, static_cast<int>(n + 1), *pending_[written[n]]);
    }
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) return FromSqlite(rc, connection_->db(), "append to " + table_->name);
    NoteOwnRowSetChange();
    ids_.push_back(sqlite3_last_insert_rowid(connection_->db()));
    return Status::Ok();
  }

  Status SaveEdit() {
    if (!OnRow()) return Status::NoCurrentRecord();
    std::vector<std::size_t> written = WrittenColumns();
    if (written.empty()) return Status::Ok();
    std::string sql = "UPDATE " + quoted_table_ + " SET ";
    for (std::size_t n = 0; n < written.size(); ++n) {
      if (n > 0) sql += ',';
      sql += "[" + table_->columns[written[n]] + "]=?" + std::to_string(n + 1);
    }
    const int id_place = static_cast<int>(written.size() + 1);
    sql += " WHERE rowid=?" + std::to_string(id_place);
    sqlite3_stmt* stmt = nullptr;
    if (Status s = connection_->Prepare(sql, &stmt); !s.ok()) return s;
    StatementUse use(stmt);
    for (std::size_t n = 0; n < written.size(); ++n) {
      BindValue(stmt, static_cast<int>(n + 1), *pending_[written[n]]);
    }
    sqlite3_bind_int64(stmt, id_place, ids_[static_cast<std::size_t>(position_)]);
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) return FromSqlite(rc, connection_->db(), "save row of " + table_->name);
    if (sqlite3_changes(connection_->db()) == 0) return RowGone();
    Forget();
    return Status::Ok();
  }

  std::shared_ptr<Connection> connection_;
  std::shared_ptr<const TableInfo> table_;
  std::string quoted_table_;
  std::string keyset_sql_;
  bool dynamic_;
  std::uint64_t known_version_ = 0;

  std::vector<std::int64_t> ids_;
  std::int64_t position_ = 0;
  bool deleted_ = false;  // the current row was deleted; position_ is the row after it

  std::vector<Value> row_;
  bool row_loaded_ = false;
  Mode mode_ = Mode::kNone;
  std::vector<std::optional<Value>> pending_;
};

}  // namespace

Status MakeKeysetRecordset(const std::shared_ptr<Connection>& connection, std::string_view table,
                           const std::string& where_and_order, bool dynamic,
                           std::unique_ptr<Recordset>* out) {
  std::shared_ptr<const TableInfo> info;
  if (Status s = connection->Table(table, &info); !s.ok()) return s;
  if (info->name.find(']') != std::string::npos) {
    return Status::InvalidArgument("unusable table name " + info->name);
  }
  std::string keyset_sql = "SELECT rowid FROM [" + info->name + "]" + where_and_order;
  auto recordset = std::make_unique<KeysetRecordset>(connection, info, keyset_sql, dynamic);
  if (Status s = recordset->LoadKeyset(); !s.ok()) return s;
  *out = std::move(recordset);
  return Status::Ok();
}

}  // namespace brivo::detail
