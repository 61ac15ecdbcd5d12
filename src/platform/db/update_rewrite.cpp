#include "platform/db/update_rewrite.h"

#include <optional>
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

// The name without its brackets, as written.
std::string Unquoted(std::string_view sql, const Token& t) {
  std::string_view text = sql.substr(t.begin, t.end - t.begin);
  if (t.kind == Token::Kind::kQuoted) text = text.substr(1, text.size() - 2);
  return std::string(text);
}

}  // namespace

std::optional<SingleUpdate> ParseSingleUpdate(const std::string& sql) {
  std::vector<Token> t;
  if (!Tokenize(sql, &t) || t.size() < 6) return std::nullopt;
  const bool is_name = t[1].kind != Token::Kind::kSymbol && t[3].kind != Token::Kind::kSymbol;
  if (!IsWord(sql, t[0], "UPDATE") || !is_name || !IsWord(sql, t[2], "SET") ||
      sql[t[4].begin] != '=' || t[4].kind != Token::Kind::kSymbol) {
    return std::nullopt;
  }
  // A quoted name could still be a string: only brackets and plain words are names.
  for (const Token* name : {&t[1], &t[3]}) {
    if (name->kind == Token::Kind::kQuoted && sql[name->begin] != '[') return std::nullopt;
  }
  SingleUpdate update;
  update.table = Unquoted(sql, t[1]);
  update.column = Unquoted(sql, t[3]);
  update.column_as_written = sql.substr(t[3].begin, t[3].end - t[3].begin);
  int depth = 0;
  std::size_t where = t.size();
  for (std::size_t k = 5; k < t.size(); ++k) {
    const Token& token = t[k];
    if (token.kind == Token::Kind::kSymbol) {
      const char c = sql[token.begin];
      if (c == '(') ++depth;
      if (c == ')') --depth;
      if (depth < 0 || (depth == 0 && (c == ',' || c == ';'))) return std::nullopt;
      continue;
    }
    if (token.kind != Token::Kind::kQuoted || sql[token.begin] != '\'') {
      if (NameOf(sql, token) == NameOf(sql, t[3])) update.reads_column = true;
    }
    if (depth == 0 && where == t.size() && IsWord(sql, token, "WHERE")) {
      where = k;
      continue;
    }
    for (const char* word : {"FROM", "RETURNING", "ORDER", "LIMIT", "SELECT", "RANDOM"}) {
      if (IsWord(sql, token, word)) return std::nullopt;
    }
  }
  if (depth != 0) return std::nullopt;
  const std::size_t expression_end = where < t.size() ? t[where].begin : sql.size();
  update.expression = sql.substr(t[4].end, expression_end - t[4].end);
  if (update.expression.find_first_not_of(" \t\r\n") == std::string::npos) return std::nullopt;
  if (where < t.size()) update.condition = sql.substr(t[where].end);
  return update;
}

std::vector<std::string> NamesIn(const std::string& sql) {
  std::vector<Token> t;
  std::vector<std::string> names;
  if (!Tokenize(sql, &t)) return names;
  for (const Token& token : t) {
    if (token.kind == Token::Kind::kWord ||
        (token.kind == Token::Kind::kQuoted && sql[token.begin] == '[')) {
      names.push_back(Unquoted(sql, token));
    }
  }
  return names;
}

std::string SkipUnchangedRows(const std::string& sql) {
  const std::optional<SingleUpdate> u = ParseSingleUpdate(sql);
  if (!u || u->reads_column) return sql;
  return WithUnchangedRowsSkipped(sql, *u);
}

std::string WithUnchangedRowsSkipped(const std::string& sql, const SingleUpdate& u) {
  const std::string unchanged =
      u.column_as_written + " IS NOT (" + u.expression + ") COLLATE BINARY";
  if (u.condition.empty()) return sql + " WHERE " + unchanged;
  const std::size_t where = sql.size() - u.condition.size();
  return sql.substr(0, where) + " (" + u.condition + ") AND " + unchanged;
}

}  // namespace brivo
