#pragma once

#include <string>

#include "platform/db/connection.h"
#include "platform/db/update_rewrite.h"

namespace brivo::detail {

// The statement that carries out an UPDATE of one column of a table kept in parts by writing
// that column's part alone: the same rows end with the same values, but only the narrow rows of
// one part are rewritten. Rows whose column would keep its value are left out where the
// expression does not read the column. REQUIRES: table.in_parts(), u names a column of it.
std::string RouteToPart(const TableInfo& table, const SingleUpdate& u);

}  // namespace brivo::detail
