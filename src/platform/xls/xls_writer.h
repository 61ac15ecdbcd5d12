#pragma once

#include <string>
#include <vector>

#include "platform/base/status.h"

namespace brivo {

// The cells of one worksheet: cells[r][c] is the text of row r, column c (UTF-8); rows may
// differ in length.
using SheetCells = std::vector<std::vector<std::string>>;

// Writes an Excel 97-2003 workbook (BIFF8 in an OLE2 compound file of our own, see
// compound_file.h) holding one worksheet named "Sheet1" whose cell (r + 1, c + 1) holds
// cells[r][c]; empty texts leave the cell empty. A numeral that ParseNumericCell
// (numeric_cell.h) accepts becomes a number cell whose format shows the same characters, so a
// spreadsheet can sort and sum it; any other text is a text cell. The workbook is written
// through WriteFileAtomically (file_util.h): an interrupted write never leaves half a file under
// the name, and a failure is one Status (kDiskFull for a full disk, kIoError otherwise).
// Fails (kInvalidArgument) beyond 65,536 rows, 256 columns or 32,767 characters a cell, the
// format's limits.
Status WriteXlsWorkbook(const std::string& path, const SheetCells& cells);

// The BIFF8 stream WriteXlsWorkbook puts into the compound file as "Workbook" (padded with zeros
// to at least 4,096 bytes), or kInvalidArgument as above.
Status BuildXlsWorkbookStream(const SheetCells& cells, std::string* stream);

}  // namespace brivo
