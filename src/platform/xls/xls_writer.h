#pragma once

#include <string>
#include <vector>

#include "platform/base/status.h"

namespace brivo {

// The cells of one worksheet: cells[r][c] is the text of row r, column c (UTF-8); rows may
// differ in length.
using SheetCells = std::vector<std::vector<std::string>>;

// Writes an Excel 97-2003 workbook (BIFF8 in an OLE2 compound file) holding one worksheet named
// "Sheet1" whose cell (r + 1, c + 1) holds cells[r][c] as text; empty texts leave the cell
// empty. The workbook is written under a temporary name in the same folder and renamed over
// `path` only when complete, so an interrupted write never leaves half a file under the name.
// Fails (kInvalidArgument) beyond 65,536 rows or 256 columns, the format's limits.
Status WriteXlsWorkbook(const std::string& path, const SheetCells& cells);

}  // namespace brivo
