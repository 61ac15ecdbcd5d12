#pragma once

#include <sqlite3.h>

#include <string>

namespace brivo::testing {

// Another program's connection to a history file (as an SQLite tool has one), opened through
// the SQLite C API itself, apart from the program's engine.
class OtherConnection {
 public:
  explicit OtherConnection(const std::string& path);
  ~OtherConnection();
  OtherConnection(const OtherConnection&) = delete;
  OtherConnection& operator=(const OtherConnection&) = delete;

  // Runs the statements; the SQLite result code (SQLITE_OK on success).
  int Exec(const std::string& sql);
  // The first column of the first row of a query, as text ("" when there is none).
  std::string Text(const std::string& sql);

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace brivo::testing
