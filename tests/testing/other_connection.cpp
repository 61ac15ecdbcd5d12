#include "testing/other_connection.h"

#include <cstdio>

namespace brivo::testing {

OtherConnection::OtherConnection(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK)
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
}

OtherConnection::~OtherConnection() { sqlite3_close(db_); }

int OtherConnection::Exec(const std::string& sql) {
  char* error = nullptr;
  const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
  if (error != nullptr) std::fprintf(stderr, "%s: %s\n", sql.c_str(), error);
  sqlite3_free(error);
  return rc;
}

std::string OtherConnection::Text(const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  std::string text;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0) != nullptr) {
    text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
  }
  sqlite3_finalize(stmt);
  return text;
}

}  // namespace brivo::testing
