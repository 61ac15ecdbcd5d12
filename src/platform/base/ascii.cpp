#include "platform/base/ascii.h"

namespace brivo {
namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = Fold(c);
  return lower;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         EqualsIgnoringAsciiCase(text.substr(text.size() - end.size()), end);
}

}  // namespace brivo
