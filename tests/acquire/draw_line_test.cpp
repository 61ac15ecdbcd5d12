// The draw line rules of the history text import, and the reading of text files into lines.

#include "acquire/draw_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace brivo::acquire {
namespace {

using Numbers = std::vector<int>;

TEST(ParseDrawLineTest, Cases) {
  struct Case {
    const char* name;
    std::string line;
    bool has_issue;
    std::int32_t issue;
    Numbers numbers;
  };
  const Numbers kCanonical = {10, 11, 12, 13, 26, 28, 11};
  const Numbers k2007001 = {5, 12, 17, 23, 28, 31, 9};
  const Case cases[] = {
      {"canonical", "2003001 10 11 12 13 26 28 11 ", true, 2003001, kCanonical},
      {"commas", "2003001,10,11,12,13,26,28,11", true, 2003001, kCanonical},
      {"no issue", "10 11 12 13 26 28 11", false, 0, kCanonical},
      {"blanks around", "   2003001 10 11 12 13 26 28 11   ", true, 2003001, kCanonical},
      {"tab separator", "2007001\t05 12 17 23 28 31 09", true, 2007001, k2007001},
      {"comma separator", "2007001,05,12,17,23,28,31,09", true, 2007001, k2007001},
      // The separator is never scanned: from the eighth character this would read 90, 51, ...
      {"digit separator", "2007001905121723283109", true, 2007001, k2007001},
      {"after the seventh", "2007001 05 12 17 23 28 31 09 15 16", true, 2007001, k2007001},
      {"lone digit", "2007001 5 12 17 23 28 31 09 11", true, 2007001, {12, 17, 23, 28, 31, 9, 11}},
      {"lone digit last", "2007001 1", true, 2007001, {}},
      {"fewer than seven", "2007001 05 12 17", true, 2007001, {5, 12, 17}},
      {"issue only", "2007001", true, 2007001, {}},
      {"issue and separator", "2007001x", true, 2007001, {}},
      {"leading zeros", "0000042 01 02", true, 42, {1, 2}},
      {"empty", "", false, 0, {}},
      {"blanks only", "     ", false, 0, {}},
      {"six-digit issue", "200701 05 12 17 23 28 31 09", false, 0, {20, 7, 1, 5, 12, 17, 23}},
      {"short digits", "200700", false, 0, {20, 7, 0}},
      {"three-digit runs", "2007001 123 456 789 012", true, 2007001, {12, 45, 78, 1}},
      // Only the space is trimmed, so a tab in front hides the issue.
      {"tab in front", "\t2007001 05 12 17 23", false, 0, {20, 7, 0, 5, 12, 17, 23}},
      {"chinese between", "2007001 红球:05,12,17,23,28,31 蓝球:09 第一期", true, 2007001, k2007001},
      {"chinese in front", "第2007001期 05 12 17 23", false, 0, {20, 7, 0, 5, 12, 17, 23}},
      {"high bytes",
       "2007001 \xff"
       "05\x80\x80"
       "12\xc0"
       "17 23 28 31 09",
       true, 2007001, k2007001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DrawLine parsed = ParseDrawLine(c.line);
    EXPECT_EQ(parsed.has_issue, c.has_issue);
    EXPECT_EQ(parsed.issue, c.issue);
    EXPECT_EQ(parsed.numbers, c.numbers);
  }
}

TEST(ParseDrawLineTest, HugeLine) {
  std::string line(4'000'000, 'x');
  line += "01 02 03 04 05 06 07 08";
  line += std::string(4'000'000, '9');
  const DrawLine parsed = ParseDrawLine(line);
  EXPECT_FALSE(parsed.has_issue);
  EXPECT_EQ(parsed.numbers, (Numbers{1, 2, 3, 4, 5, 6, 7}));
}

TEST(IsCompleteDrawTest, Ranges) {
  struct Case {
    const char* name;
    Numbers numbers;
    bool complete;
  };
  const Case cases[] = {
      {"lowest", {1, 1, 1, 1, 1, 1, 1}, true},  // repeated reds are checked elsewhere
      {"highest", {33, 33, 33, 33, 33, 33, 16}, true},
      {"red 0", {0, 2, 3, 4, 5, 6, 7}, false},
      {"red 34 in the sixth", {1, 2, 3, 4, 5, 34, 7}, false},
      {"blue 0", {1, 2, 3, 4, 5, 6, 0}, false},
      {"blue 17", {1, 2, 3, 4, 5, 6, 17}, false},
      {"six numbers", {1, 2, 3, 4, 5, 6}, false},
      {"eight numbers", {1, 2, 3, 4, 5, 6, 7, 8}, false},
      {"none", {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsCompleteDraw(c.numbers), c.complete);
  }
}

TEST(FormatDrawLineTest, TwoDigitsEach) {
  EXPECT_EQ(FormatDrawLine(2003001, {10, 11, 12, 13, 26, 28, 11}), "2003001 10 11 12 13 26 28 11 ");
  EXPECT_EQ(FormatDrawLine(2007001, {5, 0, 9, 99, 100, -3, -100}),
            "2007001 05 00 09 99 100 -03 -100 ");
}

TEST(FormatDrawLineTest, RoundTripsTheHistory) {
  std::vector<std::string> lines;
  const Status status =
      ReadTextLines(std::string(BRIVO_TEST_DATA_DIR) + "/ssq_history_sorted.txt", &lines);
  ASSERT_TRUE(status.ok()) << status.ToString();
  ASSERT_EQ(lines.size(), 3493u);
  EXPECT_EQ(ParseDrawLine(lines.front()).issue, 2003001);
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    const DrawLine parsed = ParseDrawLine(line);
    ASSERT_TRUE(parsed.has_issue);
    ASSERT_EQ(parsed.numbers.size(), 7u);
    EXPECT_TRUE(IsCompleteDraw(parsed.numbers));
    store::DrawNumbers numbers{};
    std::copy(parsed.numbers.begin(), parsed.numbers.end(), numbers.begin());
    EXPECT_EQ(FormatDrawLine(parsed.issue, numbers), line);
  }
}

// The bytes of a UTF-16 text after a byte-order mark.
std::string Utf16(std::string_view bom, std::u16string_view text, bool big_endian) {
  std::string bytes(bom);
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += big_endian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

TEST(ReadTextLinesTest, LineEnds) {
  using Lines = std::vector<std::string>;
  struct Case {
    const char* name;
    std::string bytes;
    Lines lines;
  };
  const std::string long_line(65535, 'x');  // puts the CRLF across a 64 KiB boundary
  const Case cases[] = {
      {"crlf", "a\r\nb\r\n", {"a", "b"}},
      {"lf", "a\nb\n", {"a", "b"}},
      {"cr only", "a\rb\r", {"a", "b"}},
      {"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"cr cr", "a\r\rb", {"a", "", "b"}},
      {"lf cr", "a\n\rb", {"a", "", "b"}},
      {"blank lines", "\n\n", {"", ""}},
      {"bom",
       "\xEF\xBB\xBF"
       "a\r\nb",
       {"a", "b"}},
      {"bom only", "\xEF\xBB\xBF", {}},
      {"bom later kept",
       "a\n\xEF\xBB\xBF"
       "b",
       {"a",
        "\xEF\xBB\xBF"
        "b"}},
      {"part of a bom read as gb18030",
       "\xEF\xBB"
       "a",
       {"锘a"}},
      {"no final line end", "a\nb", {"a", "b"}},
      {"no line end", "abc", {"abc"}},
      {"empty", "", {}},
      {"binary",
       std::string("a\0b\xff\r\n\0", 7),
       {std::string("a\0b\xEF\xBF\xBD", 6), std::string(1, '\0')}},
      // Notepad's "ANSI" on a Chinese Windows: code page 936, which GB18030 holds.
      {"gb18030 crlf",
       "2007001 05 12\r\n\xCB\xAB\xC9\xAB\xC7\xF2 \xBA\xEC\xC7\xF2\r\n",
       {"2007001 05 12", "双色球 红球"}},
      {"gb18030 broken pair", "\xCB\r2", {"\xEF\xBF\xBD", "2"}},
      {"utf-8 kept", "2007001 红球\r\n", {"2007001 红球"}},
      {"long line", long_line + "\r\ny", {long_line, "y"}},
      {"utf-16 le", Utf16("\xFF\xFE", u"2007001 05\r\n红\r", false), {"2007001 05", "红"}},
      {"utf-16 be", Utf16("\xFE\xFF", u"a\nb", true), {"a", "b"}},
      {"utf-16 pair and lone halves",
       Utf16("\xFF\xFE", u"\U0001F600|", false) + std::string("\x00\xD8|\x00\x00\xDC", 6),
       {"\xF0\x9F\x98\x80|\xEF\xBF\xBD|\xEF\xBF\xBD"}},
      {"utf-16 odd last byte",
       std::string("\xFF\xFE"
                   "a\0b",
                   5),
       {"a\xEF\xBF\xBD"}},
      {"utf-16 bom only", "\xFF\xFE", {}},
  };
  testing::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File("历史号码.txt");  // a Chinese name, as users give them
    testing::WriteFileBytes(path, c.bytes);
    Lines lines = {"left from before"};
    const Status status = ReadTextLines(path, &lines);
    ASSERT_TRUE(status.ok()) << status.ToString();
    EXPECT_EQ(lines, c.lines);
  }
}

TEST(ReadTextLinesTest, Failures) {
  testing::TempDir dir;
  std::vector<std::string> lines;
  EXPECT_EQ(ReadTextLines(dir.File("missing.txt"), &lines).code(), Status::Code::kNotFound);
  EXPECT_EQ(ReadTextLines(dir.path().string(), &lines).code(), Status::Code::kIoError);
}

}  // namespace
}  // namespace brivo::acquire

namespace brivo::acquire {
namespace {

// Found by fuzzing: a seven-character issue with leading zeros must come back the same.
TEST(FormatDrawLineTest, ShortIssuesKeepSevenDigits) {
  const DrawLine parsed = ParseDrawLine("0020701,05,12,17,23,28,31,09");
  ASSERT_TRUE(parsed.has_issue);
  const std::string line = FormatDrawLine(parsed.issue, {5, 12, 17, 23, 28, 31, 9});
  EXPECT_EQ(line, "0020701 05 12 17 23 28 31 09 ");
  EXPECT_EQ(ParseDrawLine(line).issue, 20701);
}

}  // namespace
}  // namespace brivo::acquire
