#include "platform/update_rewrite.h"

#include <string_view>
#include <vector>

namespace brivo {
namespace {

struct Token {
  enum class Kind { kWord, kQuoted, kSymbol } kind;
  std::size_t begin;
  std::size_t end;  // one past
};

bool IsWordChar(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || c == '_' ||
         b >= 0x80;
}

// Splits into words, quoted texts ('...', [...], "...") and single symbols; nullopt-like empty
// result for text it cannot take apart.
bool Tokenize(std::string_view sql, std::vector<Token>* tokens) {
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++i;
    } else if (c == '\'' || c == '"' || c == '[' || c == '`') {
      const char close = c == '[' ? ']' : c;
      std::size_t j = i + 1;
      for (;;) {
        if (j >= sql.size()) return false;
        if (sql[j] == close) {
          if (close != ']' && j + 1 < sql.size() && sql[j + 1] == close) {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      tokens->push_back({Token::Kind::kQuoted, i, j + 1});
      i = j + 1;
    } else if (IsWordChar(c)) {
      std::size_t j = i;
      while (j < sql.size() && IsWordChar(sql[j])) ++j;
      tokens->push_back({Token::Kind::kWord, i, j});
      i = j;
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      return false;  // comments are not the program's
    } else {
      tokens->push_back({Token::Kind::kSymbol, i, i + 1});
      ++i;
    }
  }
  return true;
}

bool IsWord(std::string_view sql, const Token& t, std::string_view upper) {
  if (t.kind != Token::Kind::kWord || t.end - t.begin != upper.size()) return false;
  for (std::size_t i = 0; i < upper.size(); ++i) {
    char c = sql[t.begin + i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

// The column's name without brackets or quotes, in lower case, for comparing names.
std::string NameOf(std::string_view sql, const Token& t) {
  std::string_view text = sql.substr(t.begin, t.end - t.begin);
  if (t.kind == Token::Kind::kQuoted) text = text.substr(1, text.size() - 2);
  std::string name(text);
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

}  // namespace

std::string SkipUnchangedRows(const std::string& sql) {
  std::vector<Token> t;
  if (!Tokenize(sql, &t) || t.size() < 6) return sql;
  const bool is_name = t[1].kind != Token::Kind::kSymbol && t[3].kind != Token::Kind::kSymbol;
  if (!IsWord(sql, t[0], "UPDATE") || !is_name || !IsWord(sql, t[2], "SET") ||
      sql[t[4].begin] != '=' || t[4].kind != Token::Kind::kSymbol) {
    return sql;
  }
  // A quoted table name could still be a string: only brackets and plain words are names.
  if (t[3].kind == Token::Kind::kQuoted && sql[t[3].begin] == '\'') return sql;
  const std::string column = NameOf(sql, t[3]);
  int depth = 0;
  std::size_t where = t.size();
  for (std::size_t k = 5; k < t.size(); ++k) {
    const Token& token = t[k];
    if (token.kind == Token::Kind::kSymbol) {
      const char c = sql[token.begin];
      if (c == '(') ++depth;
      if (c == ')') --depth;
      if (depth < 0 || (depth == 0 && (c == ',' || c == ';'))) return sql;
      continue;
    }
    if (token.kind != Token::Kind::kQuoted || sql[token.begin] != '\'') {
      if (NameOf(sql, token) == column) return sql;  // the expression reads the column
    }
    if (depth == 0 && IsWord(sql, token, "WHERE")) {
      where = k;
      break;
    }
    for (const char* word : {"FROM", "RETURNING", "ORDER", "LIMIT", "SELECT", "RANDOM"}) {
      if (IsWord(sql, token, word)) return sql;
    }
  }
  if (depth != 0) return sql;
  const std::size_t expression_begin = t[4].end;
  const std::size_t expression_end = where < t.size() ? t[where].begin : sql.size();
  const std::string expression = sql.substr(expression_begin, expression_end - expression_begin);
  if (expression.find_first_not_of(" \t\r\n") == std::string::npos) return sql;
  const std::string unchanged =
      sql.substr(t[3].begin, t[3].end - t[3].begin) + " IS NOT (" + expression + ") COLLATE BINARY";
  if (where == t.size()) return sql + " WHERE " + unchanged;
  for (std::size_t k = where + 1; k < t.size(); ++k) {
    if (t[k].kind == Token::Kind::kSymbol && sql[t[k].begin] == ';') return sql;
  }
  return sql.substr(0, t[where].end) + " (" + sql.substr(t[where].end) + ") AND " + unchanged;
}

}  // namespace brivo
