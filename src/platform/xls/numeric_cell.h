#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brivo {

// A number format that shows a value with at least `integer_digits` integer digits (leading
// zeros) and exactly `decimals` digits after the point: {2, 0} is "00", {1, 3} is "0.000".
struct NumberFormat {
  int integer_digits = 1;
  int decimals = 0;
};

// The format's code in a workbook: "0", "00", "0.00".
std::string FormatCode(NumberFormat format);

// `value` as a spreadsheet shows it in `format`: its decimal value to 15 significant digits,
// rounded half away from zero to the format's decimals, with a '-' before any negative value
// (also one that shows as zero, as spreadsheets do). Empty for infinities and NaN.
std::string ShowNumber(double value, NumberFormat format);

struct NumericCell {
  double value;
  NumberFormat format;
};

// The number and format that show `text` again with the same characters, or nothing when the
// text stays text. A text is a number when it is a plain decimal numeral -?D+(.D+)? — no '+',
// blanks, exponent or thousands separators — of at most 15 digits (the digits a spreadsheet
// shows, which a double holds exactly), and its format, "0" or as many integer digits as a
// leading zero asks for ("03" takes "00") with its decimals, shows the value back as `text`
// (so "-0" and "-0.00" stay text). Bounding the digits also bounds the distinct formats of a
// workbook to 120.
std::optional<NumericCell> ParseNumericCell(std::string_view text);

}  // namespace brivo
