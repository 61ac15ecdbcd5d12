#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/db/database.h"

// The history as the history grid shows it.
namespace brivo {

// One row of the history grid: the issue and the seven numbers as decimal text, as stored.
using HistoryGridRow = std::array<std::string, 8>;
// The headings of the history grid: "期号", "红1球" .. "红6球", "蓝球".
const HistoryGridRow& HistoryGridHeadings();
// Reads the rows of the snapshot from its first to its last; afterwards it stands at its end.
// A row whose fields cannot be read shows empty cells.
std::vector<HistoryGridRow> ReadHistoryGridRows(Recordset& snapshot);

}  // namespace brivo
