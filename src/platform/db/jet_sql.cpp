#include "platform/db/jet_sql.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace brivo::jet {
namespace {

// One character of UTF-8 text and the bytes it takes. A byte that does not begin a valid
// sequence is a character of its own; its value lies above the Unicode range so that it equals
// only the same bad byte and never a real code point.
struct Char {
  char32_t value;
  std::size_t size;
};

constexpr char32_t kBadByteBase = 0x110000;

Char DecodeAt(std::string_view s, std::size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  const Char bad{kBadByteBase + lead, 1};
  if (lead < 0x80) return {lead, 1};
  std::size_t size = 0;
  char32_t value = 0;
  char32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2;
    value = lead & 0x1Fu;
    min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3;
    value = lead & 0x0Fu;
    min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4;
    value = lead & 0x07u;
    min = 0x10000;
  } else {
    return bad;
  }
  if (s.size() - i < size) return bad;
  for (std::size_t k = 1; k < size; ++k) {
    const auto next = static_cast<unsigned char>(s[i + k]);
    if ((next & 0xC0u) != 0x80u) return bad;
    value = (value << 6) | (next & 0x3Fu);
  }
  // Overlong forms and surrogates would let one character be spelled two ways.
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return bad;
  return {value, size};
}

char32_t FoldAscii(char32_t c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

// The other case of an ASCII letter, or c itself.
char32_t SwapAsciiCase(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + ('a' - 'A');
  if (c >= 'a' && c <= 'z') return c - ('a' - 'A');
  return c;
}

// The number of bytes the first n characters of text take.
std::size_t LeftSize(std::string_view text, std::int64_t n) {
  std::size_t i = 0;
  for (std::int64_t taken = 0; taken < n && i < text.size(); ++taken) i += DecodeAt(text, i).size;
  return i;
}

struct Range {
  char32_t low;
  char32_t high;
};

// One element of a parsed LIKE pattern. Everything but a star matches exactly one character,
// which is what keeps the single-backtrack-point matcher below correct.
struct PatternItem {
  enum class Kind { kStar, kAnyChar, kDigit, kLiteral, kClass };
  Kind kind;
  char32_t literal = 0;  // folded to lower case
  bool negated = false;
  std::vector<Range> ranges = {};
};

// Parses the whole pattern before matching, so a malformed pattern is reported whatever the text.
std::optional<std::vector<PatternItem>> ParsePattern(std::string_view pattern) {
  std::vector<PatternItem> items;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const Char c = DecodeAt(pattern, i);
    i += c.size;
    switch (c.value) {
      case '*':
        if (items.empty() || items.back().kind != PatternItem::Kind::kStar) {
          items.push_back({PatternItem::Kind::kStar});
        }
        break;
      case '?':
        items.push_back({PatternItem::Kind::kAnyChar});
        break;
      case '#':
        items.push_back({PatternItem::Kind::kDigit});
        break;
      case '[': {
        PatternItem item{PatternItem::Kind::kClass};
        if (i < pattern.size() && pattern[i] == '!') {
          item.negated = true;
          ++i;
        }
        for (;;) {
          if (i >= pattern.size()) return std::nullopt;
          const Char first = DecodeAt(pattern, i);
          i += first.size;
          if (first.value == ']') break;
          Range range{first.value, first.value};
          // A "-" first or last in the list stands for itself.
          if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
            const Char last = DecodeAt(pattern, i + 1);
            i += 1 + last.size;
            if (last.value < first.value) return std::nullopt;
            range.high = last.value;
          }
          item.ranges.push_back(range);
        }
        // Jet reads "[]" as a zero-length string: it matches nothing and takes no character.
        if (!item.negated && item.ranges.empty()) break;
        items.push_back(std::move(item));
        break;
      }
      default:
        items.push_back({PatternItem::Kind::kLiteral, FoldAscii(c.value)});
        break;
    }
  }
  return items;
}

bool InRanges(const std::vector<Range>& ranges, char32_t c) {
  for (const Range& r : ranges) {
    if (c >= r.low && c <= r.high) return true;
  }
  return false;
}

bool MatchesOne(const PatternItem& item, char32_t c) {
  switch (item.kind) {
    case PatternItem::Kind::kAnyChar:
      return true;
    case PatternItem::Kind::kDigit:
      return c >= '0' && c <= '9';
    case PatternItem::Kind::kLiteral:
      return FoldAscii(c) == item.literal;
    case PatternItem::Kind::kClass: {
      const bool listed = InRanges(item.ranges, c) || InRanges(item.ranges, SwapAsciiCase(c));
      return listed != item.negated;
    }
    case PatternItem::Kind::kStar:
      break;
  }
  return false;
}

// "*literal*" with an ASCII literal, the shape of every pattern the searches use, is a search for
// a run of bytes: an ASCII byte is always a character of its own in UTF-8 (and in the reading of
// bad bytes above), so the run is found exactly where the character matcher finds it. The run,
// folded to lower case, or nullopt for a pattern of another shape.
std::optional<std::string> ContainedAsciiRun(const std::vector<PatternItem>& items) {
  if (items.size() < 2 || items.front().kind != PatternItem::Kind::kStar ||
      items.back().kind != PatternItem::Kind::kStar) {
    return std::nullopt;
  }
  std::string run;
  for (std::size_t i = 1; i + 1 < items.size(); ++i) {
    if (items[i].kind != PatternItem::Kind::kLiteral || items[i].literal >= 0x80) {
      return std::nullopt;
    }
    run += static_cast<char>(items[i].literal);
  }
  return run;
}

bool ContainsFolded(std::string_view text, std::string_view run) {
  if (run.size() > text.size()) return false;
  for (std::size_t start = 0; start + run.size() <= text.size(); ++start) {
    std::size_t k = 0;
    while (k < run.size() &&
           static_cast<char>(FoldAscii(static_cast<unsigned char>(text[start + k]))) == run[k]) {
      ++k;
    }
    if (k == run.size()) return true;
  }
  return false;
}

// Greedy matching that remembers only the latest star: when a later item fails, that star takes
// one more character. Earlier stars never need to grow, so the cost is at most text x pattern.
bool MatchItems(std::string_view text, const std::vector<PatternItem>& items) {
  std::size_t t = 0;
  std::size_t p = 0;
  std::size_t star_p = 0;
  std::size_t star_t = 0;
  bool have_star = false;
  while (t < text.size()) {
    if (p < items.size() && items[p].kind == PatternItem::Kind::kStar) {
      have_star = true;
      star_p = ++p;
      star_t = t;
      continue;
    }
    const Char c = DecodeAt(text, t);
    if (p < items.size() && MatchesOne(items[p], c.value)) {
      ++p;
      t += c.size;
      continue;
    }
    if (!have_star) return false;
    star_t += DecodeAt(text, star_t).size;
    t = star_t;
    p = star_p;
  }
  while (p < items.size() && items[p].kind == PatternItem::Kind::kStar) ++p;
  return p == items.size();
}

bool IsWordByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  // Bytes of non-ASCII characters count as letters, as they do in SQLite's own names.
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' ||
         b >= 0x80;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
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

// The text of a value that is known not to be NULL; false when SQLite runs out of memory.
bool ValueText(sqlite3_value* value, std::string_view* text) {
  const unsigned char* bytes = sqlite3_value_text(value);
  const int size = sqlite3_value_bytes(value);
  if (bytes == nullptr) {
    if (size != 0) return false;
    *text = {};
    return true;
  }
  *text = std::string_view(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size));
  return true;
}

struct CompiledPattern {
  std::optional<std::string> run;  // for "*run*" patterns
  std::vector<PatternItem> items;
  bool Matches(std::string_view text) const {
    return run ? ContainsFolded(text, *run) : MatchItems(text, items);
  }
};

void LikeFunction(sqlite3_context* context, int /*argc*/, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  std::string_view pattern;
  std::string_view text;
  if (!ValueText(argv[0], &pattern) || !ValueText(argv[1], &text)) {
    sqlite3_result_error_nomem(context);
    return;
  }
  // A statement's pattern is the same for every row: parse it once and keep it with the call.
  auto* compiled = static_cast<CompiledPattern*>(sqlite3_get_auxdata(context, 0));
  if (compiled == nullptr) {
    std::optional<std::vector<PatternItem>> parsed = ParsePattern(pattern);
    if (!parsed.has_value()) {
      const std::string message =
          "malformed LIKE pattern (unterminated [): " + std::string(pattern);
      sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
      return;
    }
    CompiledPattern made{ContainedAsciiRun(*parsed), std::move(*parsed)};
    // SQLite may drop the kept copy at once: match with this one, keep it when SQLite will.
    sqlite3_result_int(context, made.Matches(text) ? 1 : 0);
    sqlite3_set_auxdata(context, 0, new CompiledPattern(std::move(made)),
                        [](void* p) { delete static_cast<CompiledPattern*>(p); });
    return;
  }
  sqlite3_result_int(context, compiled->Matches(text) ? 1 : 0);
}

void LikeEscapeFunction(sqlite3_context* context, int /*argc*/, sqlite3_value** /*argv*/) {
  sqlite3_result_error(context, "ESCAPE is not supported", -1);
}

void LeftFunction(sqlite3_context* context, int /*argc*/, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  const std::int64_t n = sqlite3_value_int64(argv[1]);
  std::string_view text;
  if (!ValueText(argv[0], &text)) {
    sqlite3_result_error_nomem(context);
    return;
  }
  sqlite3_result_text(context, text.data(), static_cast<int>(LeftSize(text, n)), SQLITE_TRANSIENT);
}

void LenFunction(sqlite3_context* context, int /*argc*/, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  std::string_view text;
  if (!ValueText(argv[0], &text)) {
    sqlite3_result_error_nomem(context);
    return;
  }
  sqlite3_result_int64(context, Len(text));
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
      const bool is_left = EqualsIgnoreCase(word, "LEFT");
      if (is_left || EqualsIgnoreCase(word, "LEN")) {
        // SQLite parses LEFT( as the start of a join, so the call needs another name.
        std::size_t k = j;
        while (k < n && IsBlank(jet_sql[k])) ++k;
        if (k < n && jet_sql[k] == '(') {
          result += is_left ? "jet_left(" : "jet_len(";
          i = k + 1;
          continue;
        }
        result.append(word);
      } else if (EqualsIgnoreCase(word, "TRUE")) {
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

std::optional<bool> LikeMatch(std::string_view text, std::string_view pattern) {
  std::optional<std::vector<PatternItem>> items = ParsePattern(pattern);
  if (!items.has_value()) return std::nullopt;
  const CompiledPattern compiled{ContainedAsciiRun(*items), std::move(*items)};
  return compiled.Matches(text);
}

std::string Left(std::string_view text, std::int64_t n) {
  return std::string(text.substr(0, LeftSize(text, n)));
}

std::int64_t Len(std::string_view text) {
  std::int64_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += DecodeAt(text, i).size) ++count;
  return count;
}

int RegisterFunctions(sqlite3* db) {
  struct Function {
    const char* name;
    int args;
    void (*call)(sqlite3_context*, int, sqlite3_value**);
  };
  static constexpr Function kFunctions[] = {
      {"like", 2, LikeFunction},
      {"like", 3, LikeEscapeFunction},
      {"jet_left", 2, LeftFunction},
      {"jet_len", 1, LenFunction},
  };
  for (const Function& f : kFunctions) {
    const int rc =
        sqlite3_create_function_v2(db, f.name, f.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   f.call, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

}  // namespace brivo::jet
