// An updatable recordset over the row ids of one table. Values are read when asked for, a column
// at a time for all rows (a walk over the history reads the same few columns of every row), and
// kept while their column and the table's rows stay as they were, and, when the set goes, for
// the next set over the same query; edits are saved by row id, and only the columns whose value
// changes are written. A table kept in parts (see TableInfo) is read and written part by part,
// each row named by its key.

#include <algorithm>
#include <array>
#include <cctype>
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
        columns_(table_->columns.size()),
        stamps_(table_->columns.size()) {}

  ~KeysetRecordset() override {
    if (dynamic_ || !connection_->is_open()) return;
    if (ids_rows_version_ != RowsVersion()) return;
    Revalidate();
    connection_->Keep({keyset_sql_, ids_rows_version_, std::move(ids_), std::move(keyset_columns_),
                       std::move(columns_), std::move(stamps_)});
  }

  // The rows of the query: those the last set over it kept, when they are still the same.
  Status Open(std::string_view where_and_order) {
    if (dynamic_) return LoadKeyset();
    std::optional<KeptKeyset> kept = connection_->TakeKept(keyset_sql_, table_->name);
    if (!kept) {
      NoteKeysetColumns(where_and_order);
      return LoadKeyset();
    }
    ids_ = std::move(kept->ids);
    keyset_columns_ = std::move(kept->keyset_columns);
    ids_rows_version_ = kept->rows_version;
    ForgetValues();
    if (kept->columns.size() == columns_.size()) {
      columns_ = std::move(kept->columns);
      stamps_ = std::move(kept->stamps);
      for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (!columns_[i].empty()) loaded_.push_back(i);
      }
      DropChangedColumns();
      present_.assign(ids_.size(), 1);
    }
    return Status::Ok();
  }

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
    ids_rows_version_ = RowsVersion();
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
    const bool ids_exact = ids_rows_version_ == RowsVersion();
    Committing({""});
    ids_.erase(ids_.begin() + static_cast<std::ptrdiff_t>(at));
    position_of_.clear();
    for (std::size_t i : loaded_) {
      if (!columns_[i].empty())
        columns_[i].erase(columns_[i].begin() + static_cast<std::ptrdiff_t>(at));
    }
    if (!present_.empty()) present_.erase(present_.begin() + static_cast<std::ptrdiff_t>(at));
    known_rows_version_ = RowsVersion();
    known_changes_ = connection_->change_count();
    if (ids_exact) ids_rows_version_ = RowsVersion();
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

  // Notes what a write changed (an empty name: rows), and tells it at once outside a
  // transaction, where the write was its own commit.
  void Committing(const std::vector<std::string>& columns) {
    for (const std::string& column : columns) connection_->NoteChange(table_->name, column);
    if (connection_->transaction_depth == 0) connection_->NoteCommitted();
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

  std::uint64_t RowsVersion() const { return connection_->RowsVersion(table_->name); }
  std::uint64_t ColumnVersion(std::size_t column) const {
    return connection_->ColumnVersion(table_->name, table_->columns[column]);
  }

  // Drops the values kept that may no longer be as stored: every one once rows came or went,
  // else those of the columns changed since they were read.
  void Revalidate() {
    if (known_changes_ == connection_->change_count()) return;
    if (known_rows_version_ != RowsVersion()) {
      ForgetValues();
    } else {
      DropChangedColumns();
    }
  }
  void DropChangedColumns() {
    std::erase_if(loaded_, [&](std::size_t i) {
      if (stamps_[i] == ColumnVersion(i)) return false;
      columns_[i].clear();
      return true;
    });
    known_changes_ = connection_->change_count();
  }
  void ForgetValues() {
    for (std::size_t i : loaded_) columns_[i].clear();
    loaded_.clear();
    present_.clear();
    known_rows_version_ = RowsVersion();
    known_changes_ = connection_->change_count();
  }

  // The columns the keyset query names (any word of it that is a column name), with their
  // versions: when one of them changes, the query's rows may change too.
  void NoteKeysetColumns(std::string_view where_and_order) {
    keyset_columns_.clear();
    const auto word = [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    };
    std::size_t i = 0;
    while (i < where_and_order.size()) {
      if (!word(where_and_order[i])) {
        ++i;
        continue;
      }
      const std::size_t start = i;
      while (i < where_and_order.size() && word(where_and_order[i])) ++i;
      const int column = table_->IndexOf(where_and_order.substr(start, i - start));
      if (column >= 0) {
        const auto c = static_cast<std::size_t>(column);
        keyset_columns_.emplace_back(table_->columns[c], ColumnVersion(c));
      }
    }
  }

  // A table recordset sees rows that others added or removed from its next MoveFirst/MoveLast.
  Status Refresh() {
    if (!connection_->is_open()) return Closed();
    if (!dynamic_ || ids_rows_version_ == RowsVersion()) return Status::Ok();
    return LoadKeyset();
  }

  Status MoveTo(std::int64_t position) {
    if (ids_.empty()) return Status::NoCurrentRecord();
    position_ = position;
    deleted_ = false;
    return Status::Ok();
  }

  friend Status detail::PreloadColumn(Recordset& keyset, std::string_view column);
  Status Preload(std::string_view name) {
    const int index = IndexOf(name);
    if (index < 0) return NoColumn(name);
    if (!connection_->is_open()) return Closed();
    Revalidate();
    const auto column = static_cast<std::size_t>(index);
    return columns_[column].size() == ids_.size() ? Status::Ok() : LoadColumn(column);
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
    stamps_[column] = ColumnVersion(column);
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
    const bool ids_exact = ids_rows_version_ == RowsVersion();
    Committing({""});
    if (ids_exact) ids_rows_version_ = RowsVersion();
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
    std::vector<std::string> names;
    for (std::size_t column : changed) names.push_back(table_->columns[column]);
    // The values read above were as stored (Stored revalidated them); what changes now is known
    // exactly: each changed column once, by this row.
    Committing(names);
    known_changes_ = connection_->change_count();
    for (std::size_t i : changed) {
      columns_[i][at] = *pending_[i];
      ++stamps_[i];
    }
    return Status::Ok();
  }

  std::shared_ptr<Connection> connection_;
  std::shared_ptr<const TableInfo> table_;
  std::string key_;  // as statements name it
  std::string keyset_sql_;
  bool dynamic_;
  std::uint64_t ids_rows_version_ = 0;    // RowsVersion() when ids_ were the query's rows
  std::uint64_t known_rows_version_ = 0;  // RowsVersion() when the values kept were read
  std::uint64_t known_changes_ = 0;       // the connection's change count they were last checked at
  std::vector<std::pair<std::string, std::uint64_t>> keyset_columns_;

  std::vector<std::int64_t> ids_;
  std::int64_t position_ = 0;
  bool deleted_ = false;  // the current row was deleted; position_ is the row after it

  // Stored values by column, each aligned with ids_ (empty: not read yet), whether each row
  // still exists, and where each row id stands.
  std::vector<std::vector<Value>> columns_;
  std::vector<std::uint64_t> stamps_;  // each column's version when read
  std::vector<std::size_t> loaded_;    // the columns read
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

Status PreloadColumn(Recordset& keyset, std::string_view column) {
  auto* rows = dynamic_cast<KeysetRecordset*>(&keyset);
  if (rows == nullptr) return Status::InvalidArgument("not a keyset recordset");
  return rows->Preload(column);
}

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
  if (Status s = recordset->Open(where_and_order); !s.ok()) return s;
  *out = std::move(recordset);
  return Status::Ok();
}

}  // namespace brivo::detail
