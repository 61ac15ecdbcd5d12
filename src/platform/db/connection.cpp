#include "platform/db/connection.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/base/log.h"

namespace brivo::detail {

constexpr auto npos = std::string_view::npos;

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

int TableInfo::IndexOf(std::string_view column) const {
  auto it = index_by_name.find(column);
  return it == index_by_name.end() ? -1 : it->second;
}

Status FromSqlite(int rc, sqlite3* db, std::string_view context) {
  std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  if (!context.empty()) message += " (" + std::string(context) + ")";
  switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
      return Status::Ok();
    case SQLITE_CORRUPT:
      return Status::Corruption(message);
    case SQLITE_NOTADB:
      return Status::NotHistory(message);
    case SQLITE_FULL:
      return Status::Error(Status::Code::kDiskFull, message);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return Status::Error(Status::Code::kBusy, message);
    case SQLITE_IOERR:
      // SQLite reports a write refused for want of room as an I/O error at times.
      if (db != nullptr && sqlite3_system_errno(db) == ENOSPC) {
        return Status::Error(Status::Code::kDiskFull, message);
      }
      return Status::IoError(message);
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_PERM:
      return Status::IoError(message);
    default:
      return Status::EngineError(message);
  }
}

namespace {

ColumnType TypeFromDeclaration(std::string_view declared) {
  std::string upper(declared);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  auto has = [&](const char* word) { return upper.find(word) != std::string::npos; };
  if (has("SMALLINT")) return ColumnType::kInt16;
  if (has("BOOL")) return ColumnType::kBoolean;
  if (has("BIGINT")) return ColumnType::kInt64;
  if (has("INT") || has("LONG")) return ColumnType::kInt32;
  if (has("REAL") || has("FLOA") || has("DOUB")) return ColumnType::kReal;
  if (has("TEXT") || has("CHAR") || has("CLOB")) return ColumnType::kText;
  return ColumnType::kAny;
}

std::optional<std::int64_t> ParseWhole(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int64_t v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return v;
}

}  // namespace

Status CoerceForColumn(ColumnType type, std::string_view column, Value* value) {
  if (IsNull(*value) || type == ColumnType::kAny) return Status::Ok();
  auto mismatch = [&]() {
    return Status::InvalidArgument("type mismatch writing column " + std::string(column));
  };
  switch (type) {
    case ColumnType::kText:
      if (!std::holds_alternative<std::string>(*value)) *value = AsText(*value);
      return Status::Ok();
    case ColumnType::kReal:
      if (auto* i = std::get_if<std::int64_t>(value)) {
        *value = static_cast<double>(*i);
      } else if (auto* s = std::get_if<std::string>(value)) {
        char* end = nullptr;
        double d = std::strtod(s->c_str(), &end);
        if (s->empty() || *end != '\0') return mismatch();
        *value = d;
      }
      return Status::Ok();
    default:
      break;
  }
  // Whole-number columns.
  std::int64_t whole = 0;
  if (auto* i = std::get_if<std::int64_t>(value)) {
    whole = *i;
  } else if (auto* d = std::get_if<double>(value)) {
    if (!std::isfinite(*d) || std::fabs(*d) > 9.0e18) return mismatch();
    whole = std::llround(*d);
  } else {
    auto parsed = ParseWhole(std::get<std::string>(*value));
    if (!parsed) return mismatch();
    whole = *parsed;
  }
  std::int64_t low = std::numeric_limits<std::int64_t>::min();
  std::int64_t high = std::numeric_limits<std::int64_t>::max();
  if (type == ColumnType::kInt16) {
    low = std::numeric_limits<std::int16_t>::min();
    high = std::numeric_limits<std::int16_t>::max();
  } else if (type == ColumnType::kInt32) {
    low = std::numeric_limits<std::int32_t>::min();
    high = std::numeric_limits<std::int32_t>::max();
  } else if (type == ColumnType::kBoolean) {
    whole = whole != 0 ? 1 : 0;
  }
  if (whole < low || whole > high) {
    return Status::InvalidArgument("overflow: " + std::to_string(whole) + " does not fit column " +
                                   std::string(column));
  }
  *value = whole;
  return Status::Ok();
}

void BindValue(sqlite3_stmt* stmt, int index, const Value& value) {
  if (auto* i = std::get_if<std::int64_t>(&value)) {
    sqlite3_bind_int64(stmt, index, *i);
  } else if (auto* d = std::get_if<double>(&value)) {
    sqlite3_bind_double(stmt, index, *d);
  } else if (auto* s = std::get_if<std::string>(&value)) {
    sqlite3_bind_text(stmt, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
  } else {
    sqlite3_bind_null(stmt, index);
  }
}

Value ColumnValue(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
      return static_cast<std::int64_t>(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
      return sqlite3_column_double(stmt, column);
    case SQLITE_NULL:
      return std::monostate{};
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      int bytes = sqlite3_column_bytes(stmt, column);
      return std::string(text != nullptr ? text : "", static_cast<std::size_t>(bytes));
    }
  }
}

StatementUse::~StatementUse() {
  if (stmt_ != nullptr) {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
}

void Connection::Close() {
  for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
  statements_.clear();
  tables_.clear();
  if (db_ != nullptr) {
    if (sqlite3_close(db_) != SQLITE_OK) sqlite3_close_v2(db_);
    db_ = nullptr;
  }
  ++change_count_;
  transaction_depth = 0;
}

Status Connection::Prepare(const std::string& sql, sqlite3_stmt** out) {
  if (db_ == nullptr) return Status::IoError("the database is closed");
  auto it = statements_.find(sql);
  if (it != statements_.end()) {
    *out = it->second;
    return Status::Ok();
  }
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail);
  if (rc != SQLITE_OK) return FromSqlite(rc, db_, sql);
  for (; tail != nullptr && *tail != '\0'; ++tail) {
    if (*tail != ' ' && *tail != ';' && *tail != '\n' && *tail != '\r' && *tail != '\t') {
      sqlite3_finalize(stmt);
      return Status::InvalidArgument("more than one statement: " + sql);
    }
  }
  if (stmt == nullptr) return Status::InvalidArgument("no statement: " + sql);
  statements_.emplace(sql, stmt);
  *out = stmt;
  return Status::Ok();
}

// A view is kept in parts when each of its columns is a column of the same name in one of the
// tables it joins, and its first column is the key of the first of them.
Status Connection::FindParts(TableInfo* info) {
  sqlite3_stmt* type = nullptr;
  if (Status s = Prepare("SELECT type FROM sqlite_schema WHERE name = ?1 COLLATE NOCASE", &type);
      !s.ok()) {
    return s;
  }
  bool is_view = false;
  {
    StatementUse use(type);
    sqlite3_bind_text(type, 1, info->name.c_str(), -1, SQLITE_TRANSIENT);
    is_view = sqlite3_step(type) == SQLITE_ROW && AsText(ColumnValue(type, 0)) == "view";
  }
  if (!is_view || info->name.find(']') != std::string::npos) return Status::Ok();
  sqlite3_stmt* select = nullptr;
  if (Status s = Prepare("SELECT * FROM [" + info->name + "] LIMIT 0", &select); !s.ok()) return s;
  StatementUse use(select);
  std::vector<std::string> parts;
  std::vector<int> part_of;
  for (int c = 0; c < sqlite3_column_count(select); ++c) {
    const char* table = sqlite3_column_table_name(select, c);
    const char* origin = sqlite3_column_origin_name(select, c);
    if (table == nullptr || origin == nullptr || std::string_view(table).find(']') != npos ||
        !NameEqual()(origin, sqlite3_column_name(select, c))) {
      return Status::Ok();  // a view of another kind: read-only here
    }
    std::size_t at = 0;
    while (at < parts.size() && !NameEqual()(parts[at], table)) ++at;
    if (at == parts.size()) parts.emplace_back(table);
    part_of.push_back(static_cast<int>(at));
  }
  if (parts.size() < 2 || part_of.size() != info->columns.size()) return Status::Ok();
  info->parts = std::move(parts);
  info->part_of = std::move(part_of);
  info->key = info->columns[0];
  return Status::Ok();
}

Status Connection::Table(std::string_view name, std::shared_ptr<const TableInfo>* out) {
  std::string key = AsciiLower(name);
  auto it = tables_.find(key);
  if (it != tables_.end()) {
    *out = it->second;
    return Status::Ok();
  }
  sqlite3_stmt* stmt = nullptr;
  Status s = Prepare("SELECT name, type FROM pragma_table_info(?1)", &stmt);
  if (!s.ok()) return s;
  StatementUse use(stmt);
  sqlite3_bind_text(stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  auto info = std::make_shared<TableInfo>();
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    std::string column = AsText(ColumnValue(stmt, 0));
    info->index_by_name.emplace(column, static_cast<int>(info->columns.size()));
    info->types.push_back(TypeFromDeclaration(AsText(ColumnValue(stmt, 1))));
    info->columns.push_back(std::move(column));
  }
  if (rc != SQLITE_DONE) return FromSqlite(rc, db_, "columns of " + std::string(name));
  if (info->columns.empty()) return Status::NotFound("no table " + std::string(name));
  info->name = std::string(name);
  info->parts = {info->name};
  info->part_of.assign(info->columns.size(), 0);
  if (Status p = FindParts(info.get()); !p.ok()) return p;
  tables_.emplace(key, info);
  *out = std::move(info);
  return Status::Ok();
}

std::int64_t Connection::FileVersion() {
  sqlite3_stmt* stmt = nullptr;
  if (!Prepare("PRAGMA data_version", &stmt).ok()) return -1;
  StatementUse use(stmt);
  return sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
}

PartsTogether::PartsTogether(Connection& connection, bool several_parts) : connection_(connection) {
  if (!several_parts) return;
  status_ = Run("SAVEPOINT brivo_parts");
  open_ = status_.ok();
}

PartsTogether::~PartsTogether() {
  if (!open_) return;
  // SQLite rolls the savepoint back itself where it cannot be done here (the file is gone, say).
  for (const char* sql : {"ROLLBACK TO brivo_parts", "RELEASE brivo_parts"}) {
    if (Status s = Run(sql); !s.ok()) LogWarning(s.ToString());
  }
}

Status PartsTogether::Done() {
  if (!open_) return status_;
  open_ = false;
  return Run("RELEASE brivo_parts");
}

Status PartsTogether::Run(const char* sql) {
  sqlite3_stmt* stmt = nullptr;
  if (Status s = connection_.Prepare(sql, &stmt); !s.ok()) return s;
  StatementUse use(stmt);
  const int rc = sqlite3_step(stmt);
  return rc == SQLITE_DONE ? Status::Ok() : FromSqlite(rc, connection_.db(), sql);
}

}  // namespace brivo::detail
