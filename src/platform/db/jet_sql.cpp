#include "platform/db/jet_sql.h"

#include <utility>

namespace brivo::jet {
namespace {

bool IsWordByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  // Bytes of non-ASCII characters count as letters, as they do in SQLite's own names.
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' ||
         b >= 0x80;
}

bool EqualsIgnoreCase(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    if (c != upper[i]) return false;
  }
  return true;
}

Status Unterminated(const char* what, std::size_t offset) {
  return Status::InvalidArgument(std::string("unterminated ") + what + " at offset " +
                                 std::to_string(offset));
}

}  // namespace

Status TranslateToSqlite(std::string_view jet_sql, std::string* out) {
  if (out == nullptr) return Status::InvalidArgument("no output string");
  const std::size_t n = jet_sql.size();
  std::string result;
  result.reserve(n + n / 8 + 16);
  std::size_t i = 0;
  while (i < n) {
    const char c = jet_sql[i];
    if (c == '\'') {
      std::size_t j = i + 1;
      for (;;) {
        if (j >= n) return Unterminated("'...' string", i);
        if (jet_sql[j] == '\'') {
          if (j + 1 < n && jet_sql[j + 1] == '\'') {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      result.append(jet_sql.substr(i, j + 1 - i));
      i = j + 1;
    } else if (c == '[') {
      const std::size_t j = jet_sql.find(']', i + 1);
      if (j == std::string_view::npos) return Unterminated("[...] name", i);
      result.append(jet_sql.substr(i, j + 1 - i));
      i = j + 1;
    } else if (c == '"') {
      // SQLite would take "..." for a column name whenever such a column exists.
      std::string literal = "'";
      std::size_t j = i + 1;
      for (;;) {
        if (j >= n) return Unterminated("\"...\" string", i);
        const char d = jet_sql[j];
        if (d == '"') {
          if (j + 1 < n && jet_sql[j + 1] == '"') {
            literal += '"';
            j += 2;
            continue;
          }
          break;
        }
        if (d == '\'') literal += '\'';
        literal += d;
        ++j;
      }
      literal += '\'';
      result += literal;
      i = j + 1;
    } else if (IsWordByte(c)) {
      std::size_t j = i;
      while (j < n && IsWordByte(jet_sql[j])) ++j;
      const std::string_view word = jet_sql.substr(i, j - i);
      if (EqualsIgnoreCase(word, "TRUE")) {
        result += '1';
      } else if (EqualsIgnoreCase(word, "FALSE")) {
        result += '0';
      } else {
        result.append(word);
      }
      i = j;
    } else {
      result += c;
      ++i;
    }
  }
  *out = std::move(result);
  return Status::Ok();
}

}  // namespace brivo::jet
