#pragma once

#include <map>
#include <string>
#include <utility>

namespace brivo::testing {

// The non-empty cells of a workbook's first sheet by (row, column), 0-based, as an independent
// reader (Debian's python3-xlrd, through tests/platform/read_xls.py) reads them: a text cell's
// text, a number cell's value as its number format shows it. Fails the current test and
// returns what it has when the reader refuses the file.
std::map<std::pair<int, int>, std::string> ReadXlsCells(const std::string& path);

// The number cells among them, with their values.
std::map<std::pair<int, int>, double> ReadXlsNumbers(const std::string& path);

}  // namespace brivo::testing
