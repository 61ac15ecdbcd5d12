#include "platform/db/database.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

#include "platform/base/log.h"
#include "platform/base/native_file.h"
#include "platform/db/connection.h"
#include "platform/db/jet_sql.h"

namespace brivo {

using detail::Connection;
using detail::FromSqlite;
using detail::StatementUse;

std::optional<std::int64_t> AsInt(const Value& v) {
  if (auto* i = std::get_if<std::int64_t>(&v)) return *i;
  if (auto* d = std::get_if<double>(&v)) {
    if (*d != *d || *d > 9.0e18 || *d < -9.0e18) return std::nullopt;
    return static_cast<std::int64_t>(*d);
  }
  if (auto* s = std::get_if<std::string>(&v)) {
    std::int64_t out = 0;
    auto [end, ec] = std::from_chars(s->data(), s->data() + s->size(), out);
    if (ec == std::errc() && end == s->data() + s->size() && !s->empty()) return out;
  }
  return std::nullopt;
}

std::string AsText(const Value& v) {
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (auto* d = std::get_if<double>(&v)) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", *d);
    return buffer;
  }
  return "";
}

Status Recordset::GetInt(std::string_view name, std::int64_t* out) {
  Value v;
  if (Status s = GetField(name, &v); !s.ok()) return s;
  auto i = AsInt(v);
  if (!i) return Status::InvalidArgument("column " + std::string(name) + " holds no number");
  *out = *i;
  return Status::Ok();
}

Status Recordset::GetText(std::string_view name, std::string* out) {
  Value v;
  if (Status s = GetField(name, &v); !s.ok()) return s;
  *out = AsText(v);
  return Status::Ok();
}

namespace {

constexpr char kSqliteMagic[] = "SQLite format 3";  // followed by a NUL: 16 bytes in all

// Whether the file starts like an SQLite database; reading it changes nothing.
Status CheckSqliteFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(NativePath(path), ec))
    return Status::NotFound(path + " does not exist");
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) return Status::IoError("cannot read " + path);
  char header[16] = {};
  in.read(header, sizeof header);
  if (in.gcount() != static_cast<std::streamsize>(sizeof header) ||
      std::string_view(header, sizeof header) != std::string_view(kSqliteMagic, sizeof header)) {
    return Status::NotHistory(path + " is not an SQLite database");
  }
  return Status::Ok();
}

Status Configure(sqlite3* db) {
  sqlite3_extended_result_codes(db, 1);
  // Double-quoted text must never fall back to a column name; the translation turns Jet's
  // double-quoted strings into single-quoted ones first.
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_busy_timeout(db, 3000);
  return Status::Ok();
}

Status OpenConnection(const std::string& path, int flags, std::shared_ptr<Connection>* out) {
  sqlite3* db = nullptr;
  // A connection is only ever used by the thread that opened it: SQLite need not lock it.
  int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) {
    Status s = FromSqlite(rc, db, path);
    sqlite3_close(db);
    return s;
  }
  auto connection = std::make_shared<Connection>(db);
  if (Status s = Configure(db); !s.ok()) return s;
  *out = std::move(connection);
  return Status::Ok();
}

// Runs SQLite text that needs no translation and whose rows, if any, are not wanted.
Status RunInternal(Connection& connection, const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  if (Status s = connection.Prepare(sql, &stmt); !s.ok()) return s;
  StatementUse use(stmt);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
  }
  return rc == SQLITE_DONE ? Status::Ok() : FromSqlite(rc, connection.db(), sql);
}

Status IntegrityCheck(Connection& connection) {
  sqlite3_stmt* stmt = nullptr;
  if (Status s = connection.Prepare("PRAGMA integrity_check", &stmt); !s.ok()) return s;
  StatementUse use(stmt);
  int rc = sqlite3_step(stmt);
  if (rc != SQLITE_ROW) return FromSqlite(rc, connection.db(), "integrity check");
  std::string verdict = AsText(detail::ColumnValue(stmt, 0));
  if (verdict != "ok") return Status::Corruption("integrity check: " + verdict);
  return Status::Ok();
}

std::string StripBrackets(std::string_view name) {
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
    name = name.substr(1, name.size() - 2);
  }
  return std::string(name);
}

// Splits "SELECT * FROM table [WHERE ...] [ORDER BY ...]" into the table's name and the rest.
bool SelectAllFrom(const std::string& sql, std::string* table, std::string* rest) {
  static const std::regex kSelectAll(
      R"(^\s*SELECT\s+\*\s+FROM\s+(\[[^\]]+\]|[A-Za-z_][A-Za-z0-9_]*)([\s\S]*)$)",
      std::regex::icase);
  std::smatch match;
  if (!std::regex_match(sql, match, kSelectAll)) return false;
  *table = StripBrackets(match[1].str());
  *rest = match[2].str();
  if (!rest->empty() && rest->front() != ' ' && rest->front() != '\t' && rest->front() != '\n' &&
      rest->front() != '\r') {
    rest->insert(rest->begin(), ' ');
  }
  return true;
}

}  // namespace

Database::Database(std::string path, std::shared_ptr<Connection> connection)
    : path_(std::move(path)), connection_(std::move(connection)) {}

Database::~Database() { Close(); }

Status Database::Open(const std::string& path, std::unique_ptr<Database>* out) {
  if (Status s = CheckSqliteFile(path); !s.ok()) return s;
  std::shared_ptr<Connection> connection;
  if (Status s = OpenConnection(path, SQLITE_OPEN_READWRITE, &connection); !s.ok()) return s;
  // Reading the schema proves the file is a database and not only its first bytes.
  if (Status s = RunInternal(*connection, "SELECT count(*) FROM sqlite_schema"); !s.ok()) {
    return s;
  }
  out->reset(new Database(path, std::move(connection)));
  return Status::Ok();
}

Status Database::Create(const std::string& path, std::unique_ptr<Database>* out) {
  std::error_code ec;
  if (std::filesystem::exists(NativePath(path), ec)) {
    return Status::InvalidArgument(path + " already exists");
  }
  std::shared_ptr<Connection> connection;
  Status s = OpenConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &connection);
  if (!s.ok()) return s;
  out->reset(new Database(path, std::move(connection)));
  return Status::Ok();
}

Status Database::Repair(const std::string& path) {
  if (Status s = CheckSqliteFile(path); !s.ok()) return s;
  std::shared_ptr<Connection> connection;
  if (Status s = OpenConnection(path, SQLITE_OPEN_READONLY, &connection); !s.ok()) return s;
  return IntegrityCheck(*connection);
}

Status Database::Compact(const std::string& source, const std::string& destination) {
  std::error_code ec;
  if (std::filesystem::exists(NativePath(destination), ec)) {
    return Status::InvalidArgument(destination + " already exists");
  }
  if (Status s = CheckSqliteFile(source); !s.ok()) return s;
  std::shared_ptr<Connection> connection;
  if (Status s = OpenConnection(source, SQLITE_OPEN_READONLY, &connection); !s.ok()) return s;
  // A copy of a damaged file must never replace the history.
  if (Status s = IntegrityCheck(*connection); !s.ok()) return s;
  sqlite3_stmt* stmt = nullptr;
  if (Status s = connection->Prepare("VACUUM INTO ?1", &stmt); !s.ok()) return s;
  int rc;
  {
    StatementUse use(stmt);
    sqlite3_bind_text(stmt, 1, destination.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(stmt);
  }
  if (rc != SQLITE_DONE) {
    Status s = FromSqlite(rc, connection->db(), "compacting into " + destination);
    std::filesystem::remove(NativePath(destination), ec);
    return s;
  }
  connection->Close();
  // The copy is only worth keeping once it is on the disk.
  if (Status s = SyncFile(destination); !s.ok()) return s;
  return SyncFolder(Utf8Path(NativePath(destination).parent_path()));
}

void Database::Close() {
  if (connection_) connection_->Close();
}

bool Database::is_open() const { return connection_ && connection_->is_open(); }

std::int64_t Database::DataVersion() { return is_open() ? connection_->FileVersion() : -1; }

Status Database::UseWriteAheadLog() {
  if (!is_open()) return Status::IoError("the database is closed");
  std::string mode;
  {
    sqlite3_stmt* stmt = nullptr;
    if (Status s = connection_->Prepare("PRAGMA journal_mode=WAL", &stmt); !s.ok()) return s;
    StatementUse use(stmt);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) return FromSqlite(rc, connection_->db(), "PRAGMA journal_mode=WAL");
    mode = detail::AsciiLower(AsText(detail::ColumnValue(stmt, 0)));
  }
  // SQLite keeps the old mode, without an error, where it cannot keep a log.
  if (mode != "wal") return Status::IoError("the history cannot keep a write-ahead log here");
  if (Status s = RunInternal(*connection_, "PRAGMA synchronous=NORMAL"); !s.ok()) return s;
  // A command writes the whole history at most (an import, a search's marks): with room for it
  // in the page cache its pages go to the log once, at the commit, rather than spilling there
  // again and again on the way.
  if (Status s = RunInternal(*connection_, "PRAGMA cache_size=-65536"); !s.ok()) return s;
  return Status::Ok();
}

void Database::Observe(std::string_view jet_sql) const {
  if (observer_) observer_(jet_sql);
}

Status Database::Execute(std::string_view jet_sql, std::int64_t* rows_affected) {
  Observe(jet_sql);
  if (!is_open()) return Status::IoError("the database is closed");
  std::string sql;
  if (Status s = jet::TranslateToSqlite(jet_sql, &sql); !s.ok()) return s;
  return Run(sql, {}, rows_affected);
}

Status Database::ExecuteBound(std::string_view sqlite_sql, const std::vector<Value>& values) {
  if (!is_open()) return Status::IoError("the database is closed");
  return Run(std::string(sqlite_sql), values, nullptr);
}

Status Database::Run(const std::string& sql, const std::vector<Value>& values,
                     std::int64_t* rows_affected) {
  sqlite3_stmt* stmt = nullptr;
  if (Status s = connection_->Prepare(sql, &stmt); !s.ok()) return s;
  const bool read_only = sqlite3_stmt_readonly(stmt) != 0;
  if (!read_only) {
    const std::string lower = detail::AsciiLower(sql.substr(0, 16));
    if (lower.find("update") == std::string::npos && lower.find("insert") == std::string::npos &&
        lower.find("delete") == std::string::npos) {
      connection_->ForgetSchema();
    }
  }
  int rc;
  {
    StatementUse use(stmt);
    for (std::size_t i = 0; i < values.size(); ++i) {
      detail::BindValue(stmt, static_cast<int>(i) + 1, values[i]);
    }
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
  }
  // Even a failed write may have changed rows, or taken the whole transaction back with it.
  if (!read_only) connection_->Changed();
  if (rc != SQLITE_DONE) return FromSqlite(rc, connection_->db(), sql);
  if (rows_affected != nullptr) *rows_affected = sqlite3_changes64(connection_->db());
  return Status::Ok();
}

Status Database::ReadRows(std::string_view sqlite_sql,
                          const std::function<Status(const Row&)>& visit) {
  if (!is_open()) return Status::IoError("the database is closed");
  const std::string sql(sqlite_sql);
  sqlite3_stmt* stmt = nullptr;
  if (Status s = connection_->Prepare(sql, &stmt); !s.ok()) return s;
  StatementUse use(stmt);
  const Row row(stmt);
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    if (Status s = visit(row); !s.ok()) return s;
  }
  return rc == SQLITE_DONE ? Status::Ok() : FromSqlite(rc, connection_->db(), sql);
}

std::int64_t Database::Row::Int(int column) const {
  return sqlite3_column_int64(static_cast<sqlite3_stmt*>(stmt_), column);
}

bool Database::Row::IsNull(int column) const {
  return sqlite3_column_type(static_cast<sqlite3_stmt*>(stmt_), column) == SQLITE_NULL;
}

Value Database::Row::Get(int column) const {
  return detail::ColumnValue(static_cast<sqlite3_stmt*>(stmt_), column);
}

Status Database::OpenTable(std::string_view table, std::unique_ptr<Recordset>* out) {
  if (!is_open()) return Status::IoError("the database is closed");
  return detail::MakeKeysetRecordset(connection_, StripBrackets(table), "", true, out);
}

Status Database::OpenSnapshot(std::string_view jet_sql, std::unique_ptr<Recordset>* out) {
  Observe(jet_sql);
  if (!is_open()) return Status::IoError("the database is closed");
  std::string sql;
  if (Status s = jet::TranslateToSqlite(jet_sql, &sql); !s.ok()) return s;
  return detail::MakeSnapshot(connection_, sql, out);
}

Status Database::OpenUpdatable(std::string_view jet_sql, std::unique_ptr<Recordset>* out) {
  Observe(jet_sql);
  if (!is_open()) return Status::IoError("the database is closed");
  std::string sql;
  if (Status s = jet::TranslateToSqlite(jet_sql, &sql); !s.ok()) return s;
  std::string table, rest;
  if (!SelectAllFrom(sql, &table, &rest)) {
    return Status::InvalidArgument("an updatable set needs SELECT * FROM a table: " +
                                   std::string(jet_sql));
  }
  return detail::MakeKeysetRecordset(connection_, table, rest, false, out);
}

Status Database::TableColumns(std::string_view table, std::vector<std::string>* out) {
  if (!is_open()) return Status::IoError("the database is closed");
  std::shared_ptr<const detail::TableInfo> info;
  if (Status s = connection_->Table(StripBrackets(table), &info); !s.ok()) return s;
  *out = info->columns;
  return Status::Ok();
}

Database::Transaction::Transaction(Database& db) : db_(db) {
  if (!db_.is_open()) {
    status_ = Status::IoError("the database is closed");
    done_ = true;
    return;
  }
  Connection& connection = *db_.connection_;
  depth_ = connection.transaction_depth + 1;
  std::string sql = depth_ == 1 ? "BEGIN IMMEDIATE" : "SAVEPOINT brivo_" + std::to_string(depth_);
  status_ = RunInternal(connection, sql);
  if (status_.ok()) {
    connection.transaction_depth = depth_;
  } else {
    done_ = true;
  }
}

Status Database::Transaction::Commit() {
  if (done_) return status_.ok() ? Status::InvalidArgument("already committed") : status_;
  if (!db_.is_open()) return Status::IoError("the database is closed");
  Connection& connection = *db_.connection_;
  std::string sql = depth_ == 1 ? "COMMIT" : "RELEASE brivo_" + std::to_string(depth_);
  Status s = RunInternal(connection, sql);
  if (s.ok()) {
    done_ = true;
    connection.transaction_depth = depth_ - 1;
  }
  return s;
}

Database::Transaction::~Transaction() {
  if (done_ || !db_.is_open()) return;
  Connection& connection = *db_.connection_;
  // A rollback SQLite cannot make here it makes when the file is next opened, from its log.
  std::vector<std::string> rollback = {"ROLLBACK"};
  if (depth_ > 1) {
    const std::string name = "brivo_" + std::to_string(depth_);
    rollback = {"ROLLBACK TO " + name, "RELEASE " + name};
  }
  for (const std::string& sql : rollback) {
    if (Status s = RunInternal(connection, sql); !s.ok()) LogWarning(s.ToString());
  }
  connection.transaction_depth = depth_ - 1;
  // What was written inside the transaction is gone again.
  connection.Changed();
}

}  // namespace brivo
