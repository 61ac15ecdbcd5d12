#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/database.h"

// Writing what a search leaves in the history file besides the draws: the scratch columns of
// Lishi and the tally table Carcu. Both writes leave rows that already hold their values alone,
// so that a search asked again writes next to nothing.
namespace brivo::store {

// A column of Lishi with the value of each draw, in the order of the row ids given with it.
struct ColumnValues {
  std::string column;
  std::vector<Value> values;
};

// Gives each row `ids[i]` the values at i of the columns. Rows whose values are all as stored are
// not written; the others get one statement per table of the file holding their columns.
// REQUIRES: every column has one value per id.
Status WriteColumns(Database& db, const std::vector<std::int64_t>& ids,
                    const std::vector<ColumnValues>& columns);

// Makes Carcu hold exactly the rows (Nmb, Count), in that order; a Carcu that already does is
// left as it is.
Status WriteTally(Database& db, const std::vector<std::pair<std::int64_t, std::int64_t>>& rows);

}  // namespace brivo::store
