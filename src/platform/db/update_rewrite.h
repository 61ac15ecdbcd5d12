#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brivo {

// SQLite rewrites a whole row to change one column of it, also when the column keeps its value.
// For an UPDATE that assigns one column an expression not naming the column itself
// ("UPDATE t SET c = e [WHERE w]"), returns the statement with the rows that would not change
// left out ("... WHERE (w) AND c IS NOT (e) COLLATE BINARY"): the same rows end with the same
// values, only fewer are written. Any other statement comes back as it is.
std::string SkipUnchangedRows(const std::string& sqlite_sql);

// An UPDATE of one column of one table: "UPDATE t SET c = e [WHERE w]", with nothing after w and
// no subquery. Names come without their brackets.
struct SingleUpdate {
  std::string table;
  std::string column;
  std::string column_as_written;
  std::string expression;
  std::string condition;      // empty when there is no WHERE
  bool reads_column = false;  // the column's own name appears after SET
};
// The parts of such a statement (in SQLite's dialect), or nullopt for any other statement.
std::optional<SingleUpdate> ParseSingleUpdate(const std::string& sqlite_sql);
// The statement `sql`, which ends in u's condition (or has none), with the rows whose column
// already holds the expression's value left out.
std::string WithUnchangedRowsSkipped(const std::string& sql, const SingleUpdate& u);
// The words and bracketed names of a piece of SQL, without brackets: the names it may refer to.
std::vector<std::string> NamesIn(const std::string& sqlite_sql);

}  // namespace brivo
