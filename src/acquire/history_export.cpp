#include "acquire/history_export.h"

#include <charconv>

#include "platform/base/file_util.h"
#include "store/draw_record.h"

namespace brivo::acquire {

std::string HistoryTextFileName(std::int64_t newest_issue) {
  return "更新至" + std::to_string(newest_issue) + "期历史号码.txt";
}

std::string HistoryTextLine(const std::vector<std::string>& row) {
  std::string line = row.empty() ? "" : row[0];
  line += ' ';
  for (std::size_t c = 1; c <= 7; ++c) {
    const std::string cell = c < row.size() ? row[c] : "";
    int number = 0;
    auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), number);
    const bool is_number = ec == std::errc() && end == cell.data() + cell.size() && !cell.empty();
    line += is_number ? store::TwoDigits(number) : cell;
    line += ' ';
  }
  return line;
}

Status WriteHistoryText(const std::string& path,
                        const std::vector<std::vector<std::string>>& rows) {
  std::string text;
  text.reserve(rows.size() * 31);
  for (const auto& row : rows) text += HistoryTextLine(row) + "\r\n";
  return WriteFileAtomically(path, text);
}

}  // namespace brivo::acquire
