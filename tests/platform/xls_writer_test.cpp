// The workbook writer on real files, read back by an independent reader (xlrd, through
// read_xls.py), which also checks the stream rules xlrd itself tolerates.

#include "platform/xls/xls_writer.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace brivo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

constexpr char kPython[] = "/usr/bin/python3";

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The text as Python's json.dumps(text, ensure_ascii=False) writes it.
std::string Json(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          snprintf(escape, sizeof escape, "\\u%04x", c);
          out += escape;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// What the reader prints for a workbook holding `cells` (valid UTF-8), duplicates sharing one
// string table entry.
std::vector<std::string> ExpectedReading(const SheetCells& cells) {
  std::vector<std::string> lines = {"sheet\t\"Sheet1\""};
  std::vector<std::string> cell_lines;
  std::set<std::string> unique;
  for (size_t r = 0; r < cells.size(); ++r) {
    for (size_t c = 0; c < cells[r].size(); ++c) {
      if (cells[r][c].empty()) continue;
      unique.insert(cells[r][c]);
      cell_lines.push_back(std::to_string(r) + "\t" + std::to_string(c) + "\t" + Json(cells[r][c]));
    }
  }
  lines.push_back("sst\t" + std::to_string(cell_lines.size()) + "\t" +
                  std::to_string(unique.size()));
  lines.insert(lines.end(), cell_lines.begin(), cell_lines.end());
  return lines;
}

::testing::AssertionResult ReadsBackAs(const std::string& path, const SheetCells& cells) {
  if (!std::filesystem::exists(kPython)) {
    return ::testing::AssertionFailure()
           << kPython << " is missing; the tests read workbooks with Debian's python3-xlrd";
  }
  const std::string script = std::string(BRIVO_TESTS_DIR) + "/platform/read_xls.py";
  const std::string command =
      std::string(kPython) + " " + ShellQuoted(script) + " " + ShellQuoted(path);
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return ::testing::AssertionFailure() << "cannot run " << command;
  std::string output;
  char buffer[65536];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int wait_status = pclose(pipe);
  const int exit_code = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  if (exit_code == 3) {
    return ::testing::AssertionFailure() << "xlrd is missing: apt-get install python3-xlrd";
  }
  if (exit_code != 0) {
    return ::testing::AssertionFailure()
           << "the reader failed (exit " << exit_code << ", reason on stderr) on " << path;
  }
  const std::vector<std::string> actual = Lines(output);
  const std::vector<std::string> expected = ExpectedReading(cells);
  const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  if (a == actual.end() && e == expected.end()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "read " << actual.size() << " lines, expected " << expected.size()
         << "; first difference at line " << (a - actual.begin()) << ": read \""
         << (a != actual.end() ? a->substr(0, 200) : "(nothing)") << "\", expected \""
         << (e != expected.end() ? e->substr(0, 200) : "(nothing)") << "\"";
}

std::string Utf8(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

std::string Repeated(const std::string& piece, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

// A draw history as the program exports it: issue, six red balls, the blue ball, all text.
SheetCells HistoryGrid(int draws) {
  SheetCells cells = {{"期号", "红1球", "红2球", "红3球", "红4球", "红5球", "红6球", "蓝球"}};
  for (int d = 0; d < draws; ++d) {
    std::vector<std::string> row = {std::to_string(2003001 + d)};
    for (int ball = 0; ball < 6; ++ball) {
      char text[3];
      snprintf(text, sizeof text, "%02d", 1 + (d * 7 + ball * 5) % 33);
      row.push_back(text);
    }
    row.push_back(std::to_string(1 + d % 16));
    cells.push_back(row);
  }
  return cells;
}

class XlsWriterTest : public ::testing::Test {
 protected:
  // Everything in the test's folder, to catch temporary files left behind.
  std::vector<std::string> FolderNames() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
  std::string path_ = dir_.File("grid.xls");
};

TEST_F(XlsWriterTest, SmallGridReadsBackCellByCell) {
  const SheetCells cells = {
      {"a", "b", "c"}, {"", "a"}, {}, {"1", "", "", "quote \" back\\slash\ttab\nline"}};
  ASSERT_TRUE(WriteXlsWorkbook(path_, cells).ok());
  EXPECT_EQ(ReadFileBytes(path_).substr(0, 8), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
  EXPECT_TRUE(ReadsBackAs(path_, cells));
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"grid.xls"});
}

TEST_F(XlsWriterTest, ChineseHeadingsAnimalsAndCharactersBeyondTheBmp) {
  const std::vector<std::string> animals = {"鼠", "牛", "虎", "兔", "龙", "蛇",
                                            "马", "羊", "猴", "鸡", "狗", "猪"};
  SheetCells cells = {{"期号", "红1球", "蓝球", "生肖"}};
  for (int d = 0; d < 24; ++d) {
    cells.push_back({std::to_string(2024001 + d), "0" + std::to_string(1 + d % 9),
                     std::to_string(10 + d % 7), animals[d % 12]});
  }
  cells.push_back({Utf8(0x20BB7) + "野家", Utf8(0x1F409), "é"});
  ASSERT_TRUE(WriteXlsWorkbook(path_, cells).ok());
  EXPECT_TRUE(ReadsBackAs(path_, cells));
}

TEST_F(XlsWriterTest, HistorySizedGridsReadBackCellByCell) {
  for (int draws : {3000, 20000}) {
    SCOPED_TRACE(draws);
    const SheetCells cells = HistoryGrid(draws);
    ASSERT_TRUE(WriteXlsWorkbook(path_, cells).ok());
    EXPECT_TRUE(ReadsBackAs(path_, cells));
  }
}

// Strings split across CONTINUE records in UTF-16 and in Latin-1; a 10,000-unit string of
// surrogate pairs crosses two boundaries, one of which would fall inside a pair.
TEST_F(XlsWriterTest, LongStringsCrossContinueBoundaries) {
  // 2,000 one-character strings first: 5 bytes each, the 1,644th would start one byte before
  // the SST record's end, where its header cannot go.
  SheetCells cells(250);
  for (int i = 0; i < 2000; ++i) cells[i / 8].push_back(Utf8(0x4E00 + i));
  for (int i = 0; i < 300; ++i) {
    std::string text;
    for (int k = 0; k < 100; ++k) text += Utf8(0x4E00 + (i * 100 + k) % 20000);
    cells.push_back({text, std::to_string(i)});
  }
  std::string digits;
  for (int i = 0; i < 32767; ++i) digits += static_cast<char>('0' + i % 10);
  cells.push_back({digits, Repeated("é", 9000), Repeated(Utf8(0x1F409), 5000)});
  cells.push_back({"x" + Repeated(Utf8(0x1F409), 5000), cells[300][0]});
  ASSERT_TRUE(WriteXlsWorkbook(path_, cells).ok());
  EXPECT_TRUE(ReadsBackAs(path_, cells));
}

TEST_F(XlsWriterTest, InvalidUtf8BecomesReplacementCharacters) {
  const std::string r = "\uFFFD";
  const SheetCells written = {{"a\xFF"
                               "b",
                               "\xE4\xB8", "\xE4\xB8x", "\xC0\xAF"},
                              {"\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80鼠", "\xF0\x9F\x90"}};
  const SheetCells expected = {{"a" + r + "b", r, r + "x", r + r},
                               {r + r + r, r + r + r + r, r + "鼠", r}};
  ASSERT_TRUE(WriteXlsWorkbook(path_, written).ok());
  EXPECT_TRUE(ReadsBackAs(path_, expected));
}

TEST_F(XlsWriterTest, SecondWriteReplacesTheFirst) {
  ASSERT_TRUE(WriteXlsWorkbook(path_, HistoryGrid(50)).ok());
  const SheetCells second = {{"蓝球"}, {"", "07"}};
  ASSERT_TRUE(WriteXlsWorkbook(path_, second).ok());
  EXPECT_TRUE(ReadsBackAs(path_, second));
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"grid.xls"});
}

TEST_F(XlsWriterTest, LargestGridFits) {
  SheetCells cells(65536);
  cells[0] = {"first"};
  cells[65535].resize(256);
  cells[65535][255] = "last";
  cells[1] = {Repeated("x", 32767)};
  ASSERT_TRUE(WriteXlsWorkbook(path_, cells).ok());
  EXPECT_TRUE(ReadsBackAs(path_, cells));
}

TEST_F(XlsWriterTest, GridsBeyondTheLimitsLeaveTheExistingFileAlone) {
  WriteFileBytes(path_, "previous export");
  const SheetCells too_many_rows(65537);
  const SheetCells too_many_columns = {{}, std::vector<std::string>(257, "x")};
  const SheetCells too_long_text = {{"", Repeated("x", 32768)}};
  for (const SheetCells* cells : {&too_many_rows, &too_many_columns, &too_long_text}) {
    const Status status = WriteXlsWorkbook(path_, *cells);
    EXPECT_EQ(status.code(), Status::Code::kInvalidArgument) << status.ToString();
  }
  EXPECT_EQ(ReadFileBytes(path_), "previous export");
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"grid.xls"});
}

TEST_F(XlsWriterTest, MissingFolderIsAnIoError) {
  const Status status = WriteXlsWorkbook(dir_.File("missing/grid.xls"), {{"a"}});
  EXPECT_EQ(status.code(), Status::Code::kIoError) << status.ToString();
  EXPECT_TRUE(FolderNames().empty());
}

// The rename fails only after the whole workbook has been written under its temporary name.
TEST_F(XlsWriterTest, DestinationThatCannotBeReplacedLeavesNoTemporaryFile) {
  const std::string taken = dir_.File("taken.xls");
  std::filesystem::create_directory(taken);
  WriteFileBytes(taken + "/inside", "kept");
  const Status status = WriteXlsWorkbook(taken, HistoryGrid(10));
  EXPECT_EQ(status.code(), Status::Code::kIoError) << status.ToString();
  EXPECT_EQ(ReadFileBytes(taken + "/inside"), "kept");
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"taken.xls"});
}

TEST_F(XlsWriterTest, EmptyGridStillHasSheet1) {
  for (const SheetCells& cells : {SheetCells{}, SheetCells{{"", ""}, {}}}) {
    ASSERT_TRUE(WriteXlsWorkbook(path_, cells).ok());
    EXPECT_TRUE(ReadsBackAs(path_, cells));
  }
}

}  // namespace
}  // namespace brivo
