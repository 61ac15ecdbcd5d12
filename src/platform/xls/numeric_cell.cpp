#include "platform/xls/numeric_cell.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace brivo {
namespace {

constexpr int kShownDigits = 15;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string FormatCode(NumberFormat format) {
  std::string code(static_cast<size_t>(format.integer_digits), '0');
  if (format.decimals > 0) code += "." + std::string(static_cast<size_t>(format.decimals), '0');
  return code;
}

std::string ShowNumber(double value, NumberFormat format) {
  if (!std::isfinite(value)) return "";
  // d.dddddddddddddde±x: the 15 significant digits and the exponent, whatever the C locale.
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                          std::chars_format::scientific, kShownDigits - 1);
  if (error != std::errc() || end == buffer + sizeof buffer) return "";
  *end = '\0';
  const std::string digits = std::string(1, buffer[0]) + std::string(buffer + 2, kShownDigits - 1);
  const int point = std::atoi(buffer + 2 + kShownDigits) + 1;  // digits before the point
  std::string whole, fraction;
  if (point <= 0) {
    whole = "0";
    fraction = std::string(static_cast<size_t>(-point), '0') + digits;
  } else if (point >= kShownDigits) {
    whole = digits + std::string(static_cast<size_t>(point - kShownDigits), '0');
  } else {
    whole = digits.substr(0, static_cast<size_t>(point));
    fraction = digits.substr(static_cast<size_t>(point));
  }
  const auto decimals = static_cast<size_t>(format.decimals);
  if (fraction.size() > decimals) {
    const bool up = fraction[decimals] >= '5';  // half away from zero, on the magnitude
    fraction.resize(decimals);
    std::string all = whole + fraction;
    for (size_t i = all.size(); up && i-- > 0;) {
      if (all[i] != '9') {
        ++all[i];
        break;
      }
      all[i] = '0';
      if (i == 0) all.insert(all.begin(), '1');
    }
    whole = all.substr(0, all.size() - decimals);
    fraction = all.substr(all.size() - decimals);
  }
  fraction.resize(decimals, '0');
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  if (whole.size() < static_cast<size_t>(format.integer_digits)) {
    whole.insert(0, static_cast<size_t>(format.integer_digits) - whole.size(), '0');
  }
  return (value < 0 ? "-" : "") + whole + (decimals > 0 ? "." + fraction : "");
}

std::optional<NumericCell> ParseNumericCell(std::string_view text) {
  size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  const size_t whole_start = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  const size_t whole_digits = i - whole_start;
  size_t decimals = 0;
  if (i < text.size() && text[i] == '.') {
    const size_t fraction_start = ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    decimals = i - fraction_start;
    if (decimals == 0) return std::nullopt;
  }
  if (whole_digits == 0 || i != text.size() || whole_digits + decimals > kShownDigits) {
    return std::nullopt;
  }
  NumericCell cell{};
  cell.format.integer_digits =
      whole_digits > 1 && text[whole_start] == '0' ? static_cast<int>(whole_digits) : 1;
  cell.format.decimals = static_cast<int>(decimals);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), cell.value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (ShowNumber(cell.value, cell.format) != text) return std::nullopt;
  return cell;
}

}  // namespace brivo
