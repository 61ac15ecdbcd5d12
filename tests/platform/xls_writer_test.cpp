// The workbook writer on real files, read back by independent readers: xlrd (through
// read_xls.py, which also checks the stream rules xlrd itself tolerates), olefile (through
// read_cfb.py) for the container, and LibreOffice where it is installed.

#include "platform/xls/xls_writer.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/native_file.h"
#include "platform/xls/numeric_cell.h"
#include "testing/cfb_reader.h"
#include "testing/python_reader.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

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

// The texts the writer is to store as numbers, by the test's own reading of the rule (pinned
// case by case in NumeralsAreNumberCellsShowingTheSameDigits): -?D+(.D+)? of at most 15 digits
// in all, and not a negative zero.
bool IsNumeral(const std::string& text) {
  const std::size_t first = !text.empty() && text[0] == '-' ? 1 : 0;
  const std::size_t point = text.find('.');
  const std::string whole = text.substr(first, point == std::string::npos ? point : point - first);
  const std::string fraction = point == std::string::npos ? "x" : text.substr(point + 1);
  const auto digits = [](const std::string& part) {
    return !part.empty() && part.find_first_not_of("0123456789") == std::string::npos;
  };
  return digits(whole) && (point == std::string::npos || digits(fraction)) &&
         whole.size() + (point == std::string::npos ? 0 : fraction.size()) <= 15 &&
         (first == 0 || text.find_first_not_of("-0.") != std::string::npos);
}

// What the reader prints for a workbook holding `cells` (valid UTF-8): numerals as number cells
// showing the same text, other texts in the string table, duplicates sharing one entry.
std::vector<std::string> ExpectedReading(const SheetCells& cells) {
  std::vector<std::string> lines = {"sheet\t\"Sheet1\""};
  std::vector<std::string> cell_lines;
  std::set<std::string> unique;
  std::size_t texts = 0;
  for (size_t r = 0; r < cells.size(); ++r) {
    for (size_t c = 0; c < cells[r].size(); ++c) {
      const std::string& text = cells[r][c];
      if (text.empty()) continue;
      std::string line = std::to_string(r) + "\t" + std::to_string(c) + "\t" + Json(text);
      if (IsNumeral(text)) {
        line += "\tnumber";
      } else {
        unique.insert(text);
        ++texts;
      }
      cell_lines.push_back(line);
    }
  }
  lines.push_back("sst\t" + std::to_string(texts) + "\t" + std::to_string(unique.size()));
  lines.insert(lines.end(), cell_lines.begin(), cell_lines.end());
  return lines;
}

// The reader's lines, a number cell's line cut after "number" once its value is found to be
// the one its text names.
::testing::AssertionResult ReadsBackAs(const std::string& path, const SheetCells& cells) {
  const testing::ReaderRun run = testing::RunPythonReader("read_xls.py", {path});
  if (run.exit_code == 3) {
    return ::testing::AssertionFailure() << "xlrd is missing: apt-get install python3-xlrd";
  }
  if (run.exit_code != 0) {
    return ::testing::AssertionFailure()
           << "the reader failed (exit " << run.exit_code << ", reason on stderr) on " << path;
  }
  std::vector<std::string> actual;
  for (const std::vector<std::string>& fields : testing::TabSeparatedLines(run.output)) {
    std::string line = fields[0];
    for (std::size_t i = 1; i < fields.size() && i < 4; ++i) line += "\t" + fields[i];
    if (fields.size() == 6 && fields[3] == "number") {
      const std::size_t r = std::stoul(fields[0]), c = std::stoul(fields[1]);
      const double value = std::strtod(fields[4].c_str(), nullptr);
      if (r >= cells.size() || c >= cells[r].size() ||
          value != std::strtod(cells[r][c].c_str(), nullptr)) {
        return ::testing::AssertionFailure() << "read the number " << fields[4] << " at " << r
                                             << "," << c << " where nothing or another was written";
      }
    }
    actual.push_back(line);
  }
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

// A draw history as the grid shows it: the issue, six red balls of two digits, the blue ball.
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

// olefile finds in the file exactly the stream the BIFF layer built, and xlrd reads every cell;
// the longest history grid crosses the 7 MB past which the FAT needs a DIFAT sector.
TEST_F(XlsWriterTest, TheFileHoldsTheWorkbookStreamByteForByte) {
  struct Row {
    const char* name;
    SheetCells cells;
    int difat_sectors;
  };
  const Row rows[] = {
      {"small_grid_padded_to_4096_bytes", {{"期号", "蓝球"}, {"2026096", "07"}}, 0},
      {"history_of_3000_draws", HistoryGrid(3000), 0},
      {"history_of_64000_draws", HistoryGrid(64000), 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(WriteXlsWorkbook(path_, row.cells).ok());
    std::string stream;
    ASSERT_TRUE(BuildXlsWorkbookStream(row.cells, &stream).ok());
    const auto reading = testing::ReadCompoundFile(path_, "Workbook");
    ASSERT_TRUE(reading.has_value());
    EXPECT_EQ(reading->entries,
              (std::vector<std::string>{"\"Root Entry\"\t5\t0",
                                        "\"Workbook\"\t2\t" + std::to_string(stream.size())}));
    EXPECT_EQ(reading->difat_sectors, row.difat_sectors);
    EXPECT_TRUE(reading->stream == stream) << "the stream read differs from the one built";
    EXPECT_TRUE(ReadsBackAs(path_, row.cells));
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

// Each text alone in a row: xlrd reads a number with its value and format, or the text.
TEST_F(XlsWriterTest, NumeralsAreNumberCellsShowingTheSameDigits) {
  struct Row {
    const char* name;
    const char* text;
    const char* format;  // none: stays a text cell
    double value;
  };
  const Row rows[] = {
      {"issue", "2026096", "0", 2026096},
      {"ball_with_a_leading_zero", "03", "00", 3},
      {"zero_count", "0", "0", 0},
      {"decimal_with_a_trailing_zero", "1.50", "0.00", 1.5},
      {"negative_decimal", "-0.023", "0.000", -0.023},
      {"negative_with_a_leading_zero", "-03", "00", -3},
      {"decimal_with_leading_zeros", "00.50", "00.00", 0.5},
      {"fifteen_digits", "123456789012345", "0", 123456789012345},
      {"fifteen_digits_with_decimals", "1234567890.12345", "0.00000", 1234567890.12345},
      {"first_whole_number_beyond_rk", "536870912", "0", 536870912},
      {"lowest_whole_rk_number", "-536870912", "0", -536870912},
      {"decimal_without_rk_form", "0.1", "0.0", 0.1},
      {"sixteen_digits", "1234567890123456", nullptr, 0},
      {"plus_sign", "+1", nullptr, 0},
      {"exponent", "1e3", nullptr, 0},
      {"thousands_separator", "1,000", nullptr, 0},
      {"leading_blank", " 7", nullptr, 0},
      {"trailing_blank", "7 ", nullptr, 0},
      {"no_digit_before_the_point", ".5", nullptr, 0},
      {"no_digit_after_the_point", "5.", nullptr, 0},
      {"negative_zero", "-0", nullptr, 0},
      {"negative_zero_with_decimals", "-0.00", nullptr, 0},
      {"full_width_digits", "１２", nullptr, 0},
      {"lone_minus", "-", nullptr, 0},
      {"two_points", "1.2.3", nullptr, 0},
      {"infinity", "inf", nullptr, 0},
      {"hexadecimal", "0x10", nullptr, 0},
  };
  SheetCells cells;
  for (const Row& row : rows) cells.push_back({row.text});
  ASSERT_TRUE(WriteXlsWorkbook(path_, cells).ok());
  const testing::ReaderRun run = testing::RunPythonReader("read_xls.py", {path_});
  ASSERT_EQ(run.exit_code, 0) << "xlrd refused the workbook (reason above)";
  std::vector<std::vector<std::string>> read(std::size(rows));
  for (std::vector<std::string>& fields : testing::TabSeparatedLines(run.output)) {
    if (fields.size() >= 3 && fields[1] == "0") read.at(std::stoul(fields[0])) = fields;
  }
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.name);
    ASSERT_GE(read[i].size(), 3u);
    EXPECT_EQ(read[i][2], Json(row.text));
    if (row.format == nullptr) {
      EXPECT_EQ(read[i].size(), 3u) << "read as a number";
    } else {
      ASSERT_EQ(read[i].size(), 6u) << "read as text";
      EXPECT_EQ(read[i][3], "number");
      EXPECT_EQ(std::strtod(read[i][4].c_str(), nullptr), row.value);
      EXPECT_EQ(read[i][5], Json(row.format));
    }
  }
}

// A spreadsheet shows a number's decimal value (15 significant digits) rounded half away from
// zero, where printf rounds the binary value half to even.
TEST(ShowNumberTest, RoundsTheDecimalValueHalfAwayFromZero) {
  struct Row {
    const char* name;
    double value;
    NumberFormat format;
    const char* shown;
  };
  const Row rows[] = {
      {"half_up_where_printf_goes_to_even", 1.5625, {1, 3}, "1.563"},
      {"negative_half_away_from_zero", -1.5625, {1, 3}, "-1.563"},
      {"whole_half", 2.5, {1, 0}, "3"},
      {"negative_whole_half", -0.5, {1, 0}, "-1"},
      {"below_half", 0.4999, {1, 0}, "0"},
      {"negative_shown_as_zero_keeps_its_sign", -0.001, {1, 2}, "-0.00"},
      {"leading_zero_after_the_sign", -3, {2, 0}, "-03"},
      {"carry_into_a_new_digit", 999.995, {1, 2}, "1000.00"},  // 999.99499999999989 in binary
      {"fifteen_significant_digits", 0.1 + 0.2, {1, 17}, "0.30000000000000000"},
      {"padded_decimals", 1.5, {1, 3}, "1.500"},
      {"large", 1e20, {1, 0}, "100000000000000000000"},
      {"small", 1.25e-7, {1, 9}, "0.000000125"},
      {"zero", 0, {3, 1}, "000.0"},
      {"not_a_number", std::nan(""), {1, 0}, ""},
      {"infinity", HUGE_VAL, {1, 0}, ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ShowNumber(row.value, row.format), row.shown) << row.name;
  }
}

// The CSV LibreOffice makes of a grid: each field's text and whether it was quoted.
std::vector<std::vector<std::pair<std::string, bool>>> ParseCsv(const std::string& csv) {
  std::vector<std::vector<std::pair<std::string, bool>>> rows(1);
  rows.back().emplace_back();
  for (std::size_t i = 0; i < csv.size(); ++i) {
    auto& field = rows.back().back();
    if (csv[i] == '"') {
      field.second = true;
      for (++i; i < csv.size() && !(csv[i] == '"' && (i + 1 == csv.size() || csv[i + 1] != '"'));
           ++i) {
        field.first += csv[i];
        if (csv[i] == '"') ++i;
      }
    } else if (csv[i] == ',') {
      rows.back().emplace_back();
    } else if (csv[i] == '\n') {
      rows.emplace_back(1);
    } else {
      field.first += csv[i];
    }
  }
  if (rows.size() > 1 && rows.back().size() == 1 && rows.back()[0].first.empty()) rows.pop_back();
  return rows;
}

// LibreOffice's CSV export with every text cell quoted shows each cell's text, numbers unquoted.
TEST_F(XlsWriterTest, LibreOfficeShowsEveryCellAsWrittenWithNumbersAsNumbers) {
  if (testing::RunHostShell("command -v soffice >/dev/null 2>&1").exit_code != 0) {
    GTEST_SKIP() << "soffice is missing (Debian's libreoffice-calc-nogui); xlrd and olefile "
                    "still read every workbook";
  }
  SheetCells cells = HistoryGrid(40);
  cells.push_back({"鼠", "1.50", "-0.023", "+1", "1,000", "say \"hi\"", "-0", "line\nbreak"});
  cells.push_back({"1234567890123456", "00.50", "", "1e3", " 7", "0.000", "牛", "-03"});
  ASSERT_TRUE(WriteXlsWorkbook(path_, cells).ok());
  TempDir out;
  const std::string command =
      "soffice -env:UserInstallation=file://" + testing::HostPath(out.File("profile")) +
      " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,true'"
      " --outdir " +
      testing::ShellQuoted(testing::HostPath(Utf8Path(out.path()))) + " " +
      testing::ShellQuoted(testing::HostPath(path_)) + " >/dev/null 2>&1";
  ASSERT_EQ(testing::RunHostShell(command).exit_code, 0) << command;
  const auto csv = ParseCsv(ReadFileBytes(out.File("grid.csv")));
  ASSERT_EQ(csv.size(), cells.size());
  for (std::size_t r = 0; r < cells.size(); ++r) {
    ASSERT_EQ(csv[r].size(), 8u) << "row " << r;
    for (std::size_t c = 0; c < 8; ++c) {
      const std::string& text = cells[r][c];
      EXPECT_EQ(csv[r][c], std::make_pair(text, !text.empty() && !IsNumeral(text)))
          << "row " << r << ", column " << c;
    }
  }
}

}  // namespace
}  // namespace brivo
