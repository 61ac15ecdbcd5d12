#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/status.h"
#include "store/draw_record.h"

// The draw line format of the history text files: the 7-digit issue, one separator, then the
// six red numbers and the blue number as two digits, each followed by one space.
namespace brivo::acquire {

// What one line holds, by the import's line rules (the line trimmed of blanks first):
// - the issue: when the first seven characters form a number and the first and sixth are
//   digits, their value, and the numbers start at the ninth character; otherwise none, and the
//   numbers start at the first;
// - the numbers: scanning on, two adjacent digits form the next number (the scan moves on by
//   two), any other character is skipped (the scan moves on by one); the first seven found
//   count, later ones are ignored; a digit standing alone is skipped.
struct DrawLine {
  bool has_issue = false;
  std::int32_t issue = 0;
  std::vector<int> numbers;  // at most seven
};
DrawLine ParseDrawLine(std::string_view line);

// Whether the seven numbers make a draw: six red numbers 1..33 and a blue one 1..16.
bool IsCompleteDraw(const std::vector<int>& numbers);

// The line of a draw, without its line end: "2003001 10 11 12 13 26 28 11 "; an issue of fewer
// than seven digits is written with leading zeros.
std::string FormatDrawLine(std::int32_t issue, const store::DrawNumbers& numbers);

// The lines of a text file (a UTF-8 path), as UTF-8: a UTF-8 byte-order mark is dropped, UTF-16
// with a byte-order mark and text without a mark that is no UTF-8 (GB18030, as Chinese Windows
// programs write) are converted, and lines may end in CRLF, LF or CR. Fails (kNotFound, kIoError)
// when the file cannot be opened or read.
Status ReadTextLines(const std::string& path, std::vector<std::string>* lines);

}  // namespace brivo::acquire
