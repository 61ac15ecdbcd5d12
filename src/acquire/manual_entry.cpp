#include "acquire/manual_entry.h"

namespace brivo::acquire {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Position(int i) { return i <= 6 ? "红球第" + std::to_string(i) + "位" : "蓝球"; }

}  // namespace

std::optional<ManualDraw> CheckManualEntry(const std::array<std::string, 7>& boxes,
                                           const std::string& issue_text, std::int64_t newest_issue,
                                           std::string* problem) {
  ManualDraw draw;
  for (int i = 1; i <= 7; ++i) {
    const std::string& box = boxes[static_cast<std::size_t>(i - 1)];
    if (box.size() != 2 || !IsDigit(box[0]) || !IsDigit(box[1])) {
      *problem = Position(i) + "没有输入完整（每个号码两位数字）";
      return std::nullopt;
    }
    const int n = (box[0] - '0') * 10 + (box[1] - '0');
    const int high = i <= 6 ? 33 : 16;
    if (n < 1 || n > high) {
      *problem = Position(i) + "的号码" + box + "不在01到" + std::to_string(high) + "之间";
      return std::nullopt;
    }
    for (int j = 1; j < i && i <= 6; ++j) {
      if (draw.numbers[static_cast<std::size_t>(j - 1)] == n) {
        *problem = "红球号码" + box + "重复输入了";
        return std::nullopt;
      }
    }
    draw.numbers[static_cast<std::size_t>(i - 1)] = n;
  }
  const std::string issue = Trimmed(issue_text);
  bool digits = issue.size() == 7;
  for (char c : issue) digits = digits && IsDigit(c);
  if (!digits) {
    *problem = "期号应为7位数字，例如2007001";
    return std::nullopt;
  }
  draw.issue = std::stoi(issue);
  if (draw.issue <= newest_issue) {
    *problem = "期号" + issue + "应大于最新一期" + std::to_string(newest_issue);
    return std::nullopt;
  }
  return draw;
}

}  // namespace brivo::acquire
