#pragma once

#include <string>

#include "platform/base/launcher.h"
#include "platform/base/status.h"
#include "platform/xls/xls_writer.h"

// A grid copied into a spreadsheet file of the program folder and opened for the user.
namespace brivo::exports {

inline constexpr char kHistoryWorkbook[] = "lishi.xls";    // the history grid
inline constexpr char kMatchedWorkbook[] = "Jiansuo.xls";  // the matched draws
inline constexpr char kRankingWorkbook[] = "Jieguo.xls";   // the ranking

// Writes the cells (row 0 the headings) as the workbook `file_name` of the program folder,
// replacing an older one, and opens it in the spreadsheet program where there is one. The
// result is that of writing: a missing spreadsheet program is no failure.
Status ExportWorkbook(const std::string& program_folder, const std::string& file_name,
                      const SheetCells& cells, Launcher& launcher);

}  // namespace brivo::exports
