#include "acquire/ssq_asc_source.h"

#include <string_view>

namespace brivo::acquire {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The blank-separated fields of a line.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

// A whole number of 1 to `digits` decimal digits, or -1.
int Decimal(std::string_view text, std::size_t digits) {
  if (text.empty() || text.size() > digits) return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

Status ParseSsqAsc(const std::string& text, std::vector<SourcedDraw>* draws) {
  draws->clear();
  std::size_t line_number = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::vector<std::string_view> fields =
        Fields(std::string_view(text).substr(start, end - start));
    start = end + 1;
    ++line_number;
    if (fields.empty()) continue;
    const int issue = fields[0].size() == 7 ? Decimal(fields[0], 7) : -1;
    if (issue < 1000000) {
      return Status::InvalidArgument("line " + std::to_string(line_number) +
                                     " does not start with an issue");
    }
    SourcedDraw draw{issue, {}};
    if (fields.size() >= 9) {
      for (std::size_t k = 0; k < 7; ++k) draw.numbers[k] = Decimal(fields[2 + k], 2);
    }
    if (!IsValidDraw(draw.numbers)) draw.numbers = {};
    draws->push_back(draw);
  }
  return Status::Ok();
}

Status SsqAscSource::YearDraws(int year, std::int32_t, std::vector<SourcedDraw>* draws) {
  draws->clear();
  if (!fetched_) {
    fetched_ = true;
    std::string text;
    file_status_ = fetcher_.Fetch(FileAddress(), {{"User-Agent", kBrowserUserAgent}}, &text);
    if (file_status_.ok()) file_status_ = ParseSsqAsc(text, &file_);
    if (!file_status_.ok()) {
      file_.clear();
      if (file_status_.code() == Status::Code::kInvalidArgument) {
        file_status_ = Status::InvalidArgument(FileAddress() + ": " + file_status_.message());
      }
    }
  }
  if (!file_status_.ok()) return file_status_;
  for (const SourcedDraw& draw : file_) {
    if (draw.issue / 1000 == year) draws->push_back(draw);
  }
  return Status::Ok();
}

std::int32_t SsqAscSource::NewestIssue() const { return file_.empty() ? 0 : file_.back().issue; }

}  // namespace brivo::acquire
