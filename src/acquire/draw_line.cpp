#include "acquire/draw_line.h"

#include <filesystem>
#include <fstream>

#include "platform/base/gb_text.h"
#include "platform/base/native_file.h"
#include "platform/base/utf8.h"

namespace brivo::acquire {
namespace {

constexpr std::size_t kIssueDigits = 7;
constexpr std::size_t kNumberCount = 7;
constexpr int kRedMax = 33;
constexpr int kBlueMax = 16;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int DigitValue(char c) { return c - '0'; }

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// As the format "00" writes it: at least two digits, the sign in front of them.

}  // namespace

DrawLine ParseDrawLine(std::string_view line) {
  const std::string_view text = TrimSpaces(line);
  DrawLine result;
  std::size_t pos = 0;
  if (text.size() >= kIssueDigits) {
    std::size_t digits = 0;
    std::int32_t issue = 0;
    while (digits < kIssueDigits && IsDigit(text[digits])) {
      issue = issue * 10 + DigitValue(text[digits]);
      ++digits;
    }
    if (digits == kIssueDigits) {
      result.has_issue = true;
      result.issue = issue;
      pos = kIssueDigits + 1;  // the separator after the issue is skipped whatever it is
    }
  }
  // pos + 1 < size keeps both reads in bounds even when pos is past the end.
  while (pos + 1 < text.size() && result.numbers.size() < kNumberCount) {
    if (IsDigit(text[pos]) && IsDigit(text[pos + 1])) {
      result.numbers.push_back(DigitValue(text[pos]) * 10 + DigitValue(text[pos + 1]));
      pos += 2;
    } else {
      ++pos;
    }
  }
  return result;
}

bool IsCompleteDraw(const std::vector<int>& numbers) {
  if (numbers.size() != kNumberCount) return false;
  for (std::size_t i = 0; i + 1 < kNumberCount; ++i) {
    if (numbers[i] < 1 || numbers[i] > kRedMax) return false;
  }
  return numbers.back() >= 1 && numbers.back() <= kBlueMax;
}

std::string FormatDrawLine(std::int32_t issue, const store::DrawNumbers& numbers) {
  // Seven digits, so that an issue read from "0020701" is read back as the same issue.
  std::string line = std::to_string(issue);
  if (issue >= 0 && line.size() < 7) line.insert(line.begin(), 7 - line.size(), '0');
  line.push_back(' ');
  for (const int number : numbers) {
    line += store::TwoDigits(number);
    line.push_back(' ');
  }
  return line;
}

Status ReadTextLines(const std::string& path, std::vector<std::string>* lines) {
  lines->clear();
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(NativePath(path), ec);
  if (status.type() == std::filesystem::file_type::not_found) {
    return Status::NotFound("no such file: " + path);
  }
  if (ec) return Status::IoError("cannot inspect " + path + ": " + ec.message());
  // A directory opens for reading and fails only at the first read; say what it is instead.
  if (status.type() == std::filesystem::file_type::directory) {
    return Status::IoError("a directory, not a file: " + path);
  }
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in.is_open()) return Status::IoError("cannot open " + path);

  // Read in chunks rather than by the reported size, which pipes and special files lack.
  std::string data;
  char buffer[64 * 1024];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    data.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) return Status::IoError("cannot read " + path);

  // Notepad's "Unicode" is UTF-16 with a byte-order mark.
  const std::string_view head = std::string_view(data).substr(0, 2);
  if (head == "\xFF\xFE" || head == "\xFE\xFF") {
    data = Utf16ToUtf8(std::string_view(data).substr(2), head == "\xFE\xFF");
  }
  std::string_view rest = data;
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (rest.substr(0, kBom.size()) == kBom) {
    rest.remove_prefix(kBom.size());
  } else if (!IsValidUtf8(rest)) {
    // Text that is no UTF-8 and has no mark comes from a Chinese Windows program (Notepad's
    // "ANSI", a spreadsheet's text export): GB18030, of which that system's code page 936 is part.
    // Read as bytes, a four-byte GB18030 character would pass its digits for numbers.
    data = DecodeGb18030(rest);
    rest = data;
  }

  std::size_t start = 0;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const char c = rest[i];
    if (c != '\r' && c != '\n') continue;
    lines->emplace_back(rest.substr(start, i - start));
    if (c == '\r' && i + 1 < rest.size() && rest[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < rest.size()) lines->emplace_back(rest.substr(start));
  return Status::Ok();
}

}  // namespace brivo::acquire
