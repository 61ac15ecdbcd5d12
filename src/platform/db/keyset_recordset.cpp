// An updatable recordset over the row ids of one table. Values are read when asked for, a column
// at a time for all rows (a walk over the history reads the same few columns of every row), and
// kept until anything else writes to the file; edits are saved by row id, and only the columns
// whose value changes are written. A table kept in parts (see TableInfo) is read and written
// part by part, each row named by its key.

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>

#include "platform/db/connection.h"

namespace brivo::detail {
namespace {

class KeysetRecordset final : public Recordset {
 public:
  KeysetRecordset(std::shared_ptr<Connection> connection, std::shared_ptr<const TableInfo> table,
                  std::string keyset_sql, bool dynamic)
      : connection_(std::move(connection)),
        table_(std::move(table)),
        key_(KeyName(*table_)),
        keyset_sql_(std::move(keyset_sql)),
        dynamic_(dynamic),
        columns_(table_->columns.size()) {}

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
    position_of_.clear();
    ids_changes_ = connection_->change_count();
    ids_file_version_ = dynamic_ ? connection_->FileVersion() : -1;
    position_ = 0;
    deleted_ = false;
    ForgetValues();
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
    return Status::Ok();
  }
  bool IsBof() const override { return position_ < 0 || (ids_.empty() && !deleted_); }
  bool IsEof() const override {
    return position_ >= static_cast<std::int64_t>(ids_.size()) || (ids_.empty() && !deleted_);
  }
  std::int64_t RecordCount() const override { return static_cast<std::int64_t>(ids_.size()); }
  const std::vector<std::string>& FieldNames() const override { return table_->columns; }

  Status GetField(std::string_view name, Value* out) override {
    const int index = IndexOf(name);
    if (index < 0) return NoColumn(name);
    const auto column = static_cast<std::size_t>(index);
    if (mode_ != Mode::kNone && pending_[column]) {
      *out = *pending_[column];
      return Status::Ok();
    }
    if (mode_ == Mode::kAdd) {
      *out = std::monostate{};
      return Status::Ok();
    }
    const Value* stored = nullptr;
    if (Status s = Stored(column, &stored); !s.ok()) return s;
    *out = *stored;
    return Status::Ok();
  }

  Status AddNew() override {
    if (!connection_->is_open()) return Closed();
    StartPending(Mode::kAdd);
    return Status::Ok();
  }
  Status Edit() override {
    if (!connection_->is_open()) return Closed();
    if (!OnRow()) return Status::NoCurrentRecord();
    StartPending(Mode::kEdit);
    return Status::Ok();
  }
  Status SetField(std::string_view name, Value value) override {
    if (mode_ == Mode::kNone) return Status::InvalidArgument("SetField without AddNew or Edit");
    const int index = IndexOf(name);
    if (index < 0) return NoColumn(name);
    const auto i = static_cast<std::size_t>(index);
    if (Status s = CoerceForColumn(table_->types[i], table_->columns[i], &value); !s.ok()) {
      return s;
    }
    if (!pending_[i]) pending_columns_.push_back(i);
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
    for (std::size_t i : pending_columns_) pending_[i].reset();
    pending_columns_.clear();
  }
  Status Delete() override {
    if (mode_ != Mode::kNone) CancelUpdate();
    if (!connection_->is_open()) return Closed();
    if (!OnRow()) return Status::NoCurrentRecord();
    Revalidate();  // the values kept are as stored before this change
    const auto at = static_cast<std::size_t>(position_);
    PartsTogether together(*connection_, table_->in_parts());
    if (!together.status().ok()) return together.status();
    // The part holding the keys goes last: until then the row is whole in the view.
    for (std::size_t part = table_->parts.size(); part-- > 0;) {
      sqlite3_stmt* stmt = nullptr;
      const std::string sql = "DELETE FROM " + Quoted(part) + " WHERE " + key_ + "=?1";
      if (Status s = connection_->Prepare(sql, &stmt); !s.ok()) return s;
      StatementUse use(stmt);
      sqlite3_bind_int64(stmt, 1, ids_[at]);
      const int rc = sqlite3_step(stmt);
      if (rc != SQLITE_DONE) return FromSqlite(rc, connection_->db(), "delete");
      if (part == 0 && sqlite3_changes(connection_->db()) == 0) return RowGone();
    }
    if (Status s = together.Done(); !s.ok()) return s;
    const bool ids_exact = ids_changes_ == connection_->change_count();
    connection_->Changed();
    ids_.erase(ids_.begin() + static_cast<std::ptrdiff_t>(at));
    position_of_.clear();
    for (std::size_t i : loaded_) {
      if (!columns_[i].empty())
        columns_[i].erase(columns_[i].begin() + static_cast<std::ptrdiff_t>(at));
    }
    if (!present_.empty()) present_.erase(present_.begin() + static_cast<std::ptrdiff_t>(at));
    known_changes_ = connection_->change_count();
    if (ids_exact) ids_changes_ = connection_->change_count();
    deleted_ = true;
    return Status::Ok();
  }

 private:
  enum class Mode { kNone, kAdd, kEdit };

  static Status Closed() { return Status::IoError("the database is closed"); }
  static Status RowGone() {
    return Status::Error(Status::Code::kNoCurrentRecord, "the row was deleted");
  }
  static std::string KeyName(const TableInfo& table) {
    return table.key == "rowid" ? table.key : "[" + table.key + "]";
  }
  std::string Quoted(std::size_t part) const { return "[" + table_->parts[part] + "]"; }
  std::size_t PartOf(std::size_t column) const {
    return static_cast<std::size_t>(table_->part_of[column]);
  }

  Status NoColumn(std::string_view name) const {
    return Status::NotFound("no column " + std::string(name) + " in " + table_->name);
  }
  bool OnRow() const { return !deleted_ && !IsBof() && !IsEof(); }

  // A walk asks for the same few names on every row: those asked for last, kept by their exact
  // spelling, spare the lookup that ignores case. An append names each column once.
  int IndexOf(std::string_view name) {
    if (mode_ == Mode::kAdd) return table_->IndexOf(name);
    for (const auto& [asked, index] : recent_names_) {
      if (asked == name) return index;
    }
    const int index = table_->IndexOf(name);
    recent_names_[next_recent_name_++ % recent_names_.size()] = {std::string(name), index};
    return index;
  }

  // Drops the values kept once anything else wrote to the file: they may no longer be as stored.
  void Revalidate() {
    if (known_changes_ != connection_->change_count()) ForgetValues();
  }
  void ForgetValues() {
    for (std::size_t i : loaded_) columns_[i].clear();
    loaded_.clear();
    present_.clear();
    known_changes_ = connection_->change_count();
  }

  // A table recordset sees rows that others added or removed, this program or another one
  // writing the file, from its next MoveFirst/MoveLast.
  Status Refresh() {
    if (!connection_->is_open()) return Closed();
    if (!dynamic_) return Status::Ok();
    if (ids_changes_ == connection_->change_count() &&
        ids_file_version_ == connection_->FileVersion()) {
      return Status::Ok();
    }
    return LoadKeyset();
  }

  Status MoveTo(std::int64_t position) {
    if (ids_.empty()) return Status::NoCurrentRecord();
    position_ = position;
    deleted_ = false;
    return Status::Ok();
  }

  // Reads one column for every row of the set.
  Status LoadColumn(std::size_t column) {
    sqlite3_stmt* stmt = nullptr;
    const std::string sql =
        "SELECT " + key_ + ", [" + table_->columns[column] + "] FROM " + Quoted(PartOf(column));
    if (Status s = connection_->Prepare(sql, &stmt); !s.ok()) return s;
    StatementUse use(stmt);
    if (position_of_.empty()) {
      for (std::size_t p = 0; p < ids_.size(); ++p) position_of_.emplace(ids_[p], p);
    }
    std::vector<Value> values(ids_.size());
    std::vector<char> present(ids_.size(), 0);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      auto it = position_of_.find(sqlite3_column_int64(stmt, 0));
      if (it == position_of_.end()) continue;
      values[it->second] = ColumnValue(stmt, 1);
      present[it->second] = 1;
    }
    if (rc != SQLITE_DONE) return FromSqlite(rc, connection_->db(), sql);
    if (std::find(loaded_.begin(), loaded_.end(), column) == loaded_.end()) {
      loaded_.push_back(column);
    }
    columns_[column] = std::move(values);
    present_ = std::move(present);
    return Status::Ok();
  }

  // The stored value of a column of the current row, read when not known yet.
  Status Stored(std::size_t column, const Value** out) {
    if (!connection_->is_open()) return Closed();
    if (!OnRow()) return Status::NoCurrentRecord();
    Revalidate();
    if (columns_[column].size() != ids_.size()) {
      if (Status s = LoadColumn(column); !s.ok()) return s;
    }
    const auto at = static_cast<std::size_t>(position_);
    if (!present_[at]) return RowGone();
    *out = &columns_[column][at];
    return Status::Ok();
  }

  void StartPending(Mode mode) {
    // A walk edits one or two columns a row: only those are set, and cleared again.
    if (pending_.size() != table_->columns.size()) {
      pending_.assign(table_->columns.size(), std::nullopt);
    }
    CancelUpdate();
    mode_ = mode;
  }

  Status Insert() {
    std::vector<std::size_t> written = pending_columns_;
    std::sort(written.begin(), written.end());
    // An import appends thousands of rows that write the same columns: the texts are kept.
    if (insert_sql_.empty() || written != insert_columns_) {
      insert_columns_ = written;
      insert_sql_.assign(table_->parts.size(), "");
      for (std::size_t part = 0; part < table_->parts.size(); ++part) {
        // Every part gets the row; the others name it by the key the first one gave it.
        std::string names = part == 0 ? "" : key_;
        std::string places = part == 0 ? "" : "?1";
        int place = part == 0 ? 0 : 1;
        for (std::size_t column : written) {
          if (PartOf(column) != part) continue;
          if (!names.empty()) {
            names += ',';
            places += ',';
          }
          names += "[" + table_->columns[column] + "]";
          places += "?" + std::to_string(++place);
        }
        insert_sql_[part] =
            "INSERT INTO " + Quoted(part) +
            (names.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + places + ")");
      }
    }
    std::int64_t id = 0;
    PartsTogether together(*connection_, table_->in_parts());
    if (!together.status().ok()) return together.status();
    for (std::size_t part = 0; part < table_->parts.size(); ++part) {
      sqlite3_stmt* stmt = nullptr;
      if (Status s = connection_->Prepare(insert_sql_[part], &stmt); !s.ok()) return s;
      StatementUse use(stmt);
      int place = 0;
      if (part > 0) sqlite3_bind_int64(stmt, ++place, id);
      for (std::size_t column : written) {
        if (PartOf(column) == part) BindValue(stmt, ++place, *pending_[column]);
      }
      const int rc = sqlite3_step(stmt);
      if (rc != SQLITE_DONE) return FromSqlite(rc, connection_->db(), "append to " + table_->name);
      if (part == 0) id = sqlite3_last_insert_rowid(connection_->db());
    }
    if (Status s = together.Done(); !s.ok()) return s;
    const bool ids_exact = ids_changes_ == connection_->change_count();
    connection_->Changed();
    if (ids_exact) ids_changes_ = connection_->change_count();
    ids_.push_back(id);
    position_of_.clear();
    ForgetValues();  // the new row's other columns hold what the table gives them
    return Status::Ok();
  }

  Status SaveEdit() {
    if (!OnRow()) return Status::NoCurrentRecord();
    const auto at = static_cast<std::size_t>(position_);
    std::vector<std::size_t> changed;
    for (std::size_t i : pending_columns_) {
      const Value* stored = nullptr;
      if (Status s = Stored(i, &stored); !s.ok()) return s;
      if (*stored != *pending_[i]) changed.push_back(i);
    }
    if (changed.empty()) return Status::Ok();  // saving the same values changes nothing
    bool several_parts = false;
    for (std::size_t column : changed) several_parts |= PartOf(column) != PartOf(changed[0]);
    PartsTogether together(*connection_, several_parts);
    if (!together.status().ok()) return together.status();
    for (std::size_t part = 0; part < table_->parts.size(); ++part) {
      std::string sql;
      int place = 0;
      for (std::size_t column : changed) {
        if (PartOf(column) != part) continue;
        sql += (sql.empty() ? "UPDATE " + Quoted(part) + " SET " : ",") + "[" +
               table_->columns[column] + "]=?" + std::to_string(++place);
      }
      if (sql.empty()) continue;
      sql += " WHERE " + key_ + "=?" + std::to_string(place + 1);
      sqlite3_stmt* stmt = nullptr;
      if (Status s = connection_->Prepare(sql, &stmt); !s.ok()) return s;
      StatementUse use(stmt);
      place = 0;
      for (std::size_t column : changed) {
        if (PartOf(column) == part) BindValue(stmt, ++place, *pending_[column]);
      }
      sqlite3_bind_int64(stmt, place + 1, ids_[at]);
      const int rc = sqlite3_step(stmt);
      if (rc != SQLITE_DONE) {
        return FromSqlite(rc, connection_->db(), "save row of " + table_->name);
      }
      if (sqlite3_changes(connection_->db()) == 0) return RowGone();
    }
    if (Status s = together.Done(); !s.ok()) return s;
    // The values read above were as stored (Stored revalidated them); what changes now is known
    // exactly: this row's changed columns.
    const bool values_exact = known_changes_ == connection_->change_count();
    const bool ids_exact = ids_changes_ == connection_->change_count();
    connection_->Changed();
    if (values_exact) known_changes_ = connection_->change_count();
    if (ids_exact) ids_changes_ = connection_->change_count();
    for (std::size_t i : changed) {
      if (!columns_[i].empty()) columns_[i][at] = *pending_[i];
    }
    return Status::Ok();
  }

  std::shared_ptr<Connection> connection_;
  std::shared_ptr<const TableInfo> table_;
  std::string key_;  // as statements name it
  std::string keyset_sql_;
  bool dynamic_;
  // The connection's change count when ids_ were the query's rows, and (for a table recordset)
  // the file's version then; the change count when the values kept were last known as stored.
  std::uint64_t ids_changes_ = 0;
  std::int64_t ids_file_version_ = -1;
  std::uint64_t known_changes_ = 0;

  std::vector<std::int64_t> ids_;
  std::int64_t position_ = 0;
  bool deleted_ = false;  // the current row was deleted; position_ is the row after it

  // Stored values by column, each aligned with ids_ (empty: not read yet), whether each row
  // still exists, and where each row id stands.
  std::vector<std::vector<Value>> columns_;
  std::vector<std::size_t> loaded_;  // the columns read
  std::vector<char> present_;
  std::unordered_map<std::int64_t, std::size_t> position_of_;

  std::array<std::pair<std::string, int>, 6> recent_names_{
      {{"", -1}, {"", -1}, {"", -1}, {"", -1}, {"", -1}, {"", -1}}};
  std::size_t next_recent_name_ = 0;

  Mode mode_ = Mode::kNone;
  std::vector<std::optional<Value>> pending_;  // by column
  std::vector<std::size_t> pending_columns_;   // the columns set in pending_
  // The last append's statements, one a part, and the columns they write.
  std::vector<std::size_t> insert_columns_;
  std::vector<std::string> insert_sql_;
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
  // A table recordset walks the rows in the order they were added.
  const std::string key = info->key == "rowid" ? info->key : "[" + info->key + "]";
  const std::string keyset_sql = "SELECT " + key + " FROM [" + info->name + "]" +
                                 (dynamic ? " ORDER BY " + key : where_and_order);
  auto recordset = std::make_unique<KeysetRecordset>(connection, info, keyset_sql, dynamic);
  if (Status s = recordset->LoadKeyset(); !s.ok()) return s;
  *out = std::move(recordset);
  return Status::Ok();
}

}  // namespace brivo::detail
