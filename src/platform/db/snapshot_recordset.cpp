// Read-only recordsets of a query's rows as they were when it was opened: a copy of every value.

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

}  // namespace

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
