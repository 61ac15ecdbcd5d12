#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/status.h"

// The history as a text file in the draw line format, written from the history grid's rows.
namespace brivo::acquire {

// "更新至" + the newest issue + "期历史号码.txt".
std::string HistoryTextFileName(std::int64_t newest_issue);

// The line of one grid row: the issue cell, one space, then the seven number cells written with
// two digits, each followed by one space (a cell that is no number is written as it is).
std::string HistoryTextLine(const std::vector<std::string>& row);

// Writes one line per row, each ended by CRLF, replacing the file whole.
Status WriteHistoryText(const std::string& path, const std::vector<std::vector<std::string>>& rows);

}  // namespace brivo::acquire
