#include "testing/xls_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/base/utf8.h"
#include "testing/python_reader.h"

namespace brivo::testing {
namespace {

// A JSON string literal ("..." with escapes) as UTF-8.
std::string DecodeJsonString(const std::string& literal) {
  std::string out;
  for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
    if (literal[i] != '\\') {
      out.push_back(literal[i]);
      continue;
    }
    const char e = literal[++i];
    if (e == 'u') {
      char32_t c = static_cast<char32_t>(std::stoul(literal.substr(i + 1, 4), nullptr, 16));
      i += 4;
      if (c >= 0xD800 && c < 0xDC00 && literal.compare(i + 1, 2, "\\u") == 0) {
        const auto low = static_cast<char32_t>(std::stoul(literal.substr(i + 3, 4), nullptr, 16));
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 6;
      }
      AppendUtf8(c, &out);
    } else {
      const std::string plain = "\"\\/bfnrt";
      const std::string meant = "\"\\/\b\f\n\r\t";
      const std::size_t k = plain.find(e);
      out.push_back(k == std::string::npos ? e : meant[k]);
    }
  }
  return out;
}

// The cell lines of the reader's output: row, column, shown text and, for a number, "number",
// its value and its format.
std::vector<std::vector<std::string>> ReadCellLines(const std::string& path) {
  const ReaderRun run = RunPythonReader("read_xls.py", {path});
  if (run.exit_code != 0) {
    ADD_FAILURE() << "the reader refused " << path << " (exit " << run.exit_code
                  << ", reason above)";
    return {};
  }
  std::vector<std::vector<std::string>> cells;
  for (std::vector<std::string>& fields : TabSeparatedLines(run.output)) {
    if (fields.size() >= 3 && !fields[0].empty() &&
        fields[0].find_first_not_of("0123456789") == std::string::npos) {
      cells.push_back(std::move(fields));
    }
  }
  return cells;
}

}  // namespace

std::map<std::pair<int, int>, std::string> ReadXlsCells(const std::string& path) {
  std::map<std::pair<int, int>, std::string> cells;
  for (const std::vector<std::string>& fields : ReadCellLines(path)) {
    cells[{std::stoi(fields[0]), std::stoi(fields[1])}] = DecodeJsonString(fields[2]);
  }
  return cells;
}

std::map<std::pair<int, int>, double> ReadXlsNumbers(const std::string& path) {
  std::map<std::pair<int, int>, double> numbers;
  for (const std::vector<std::string>& fields : ReadCellLines(path)) {
    if (fields.size() >= 5 && fields[3] == "number") {
      numbers[{std::stoi(fields[0]), std::stoi(fields[1])}] = std::stod(fields[4]);
    }
  }
  return numbers;
}

}  // namespace brivo::testing
