#pragma once

#include <string>

namespace brivo {

// SQLite rewrites a whole row to change one column of it, also when the column keeps its value.
// For an UPDATE that assigns one column an expression not naming the column itself
// ("UPDATE t SET c = e [WHERE w]"), returns the statement with the rows that would not change
// left out ("... WHERE (w) AND c IS NOT (e) COLLATE BINARY"): the same rows end with the same
// values, only fewer are written. Any other statement comes back as it is.
std::string SkipUnchangedRows(const std::string& sqlite_sql);

}  // namespace brivo
