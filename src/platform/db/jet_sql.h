#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/status.h"

struct sqlite3;

// The program writes its SQL in the Jet dialect (square-bracketed names, text in double quotes,
// LIKE with *, ?, # and [..] wildcards, LEFT, LEN, TRUE, FALSE). This is the translation of that
// dialect for SQLite and the functions SQLite needs to run the result.
namespace brivo::jet {

// Translates one Jet statement into SQLite's dialect:
// - '...' and [...] are copied unchanged;
// - "..." becomes a '...' string literal ("" inside becomes ", ' inside becomes '');
// - the words LEFT and LEN followed by "(" become calls of jet_left( and jet_len(;
// - the words TRUE and FALSE become 1 and 0;
// - everything else, LIKE included, is copied unchanged (like() is replaced on the connection).
// Words are matched without regard to case and only outside quotes and brackets.
// Returns InvalidArgument, leaving *out untouched, for an unterminated string or bracket.
Status TranslateToSqlite(std::string_view jet_sql, std::string* out);

// Jet LIKE on UTF-8 text, without regard to (ASCII) case: * any run of characters, ? one
// character, # one digit 0-9, [abc] one of the listed characters, [a-z] a range, [!abc] none of
// them; [*], [?], [#] and [[] stand for the character itself. The whole text must match.
// Returns nullopt for a malformed pattern (an unterminated "[").
std::optional<bool> LikeMatch(std::string_view text, std::string_view pattern);

// LEFT(text, n): the first n characters (UTF-8 code points) of text; n <= 0 gives "".
std::string Left(std::string_view text, std::int64_t n);
// LEN(text): the number of characters (UTF-8 code points).
std::int64_t Len(std::string_view text);

// Registers on the connection: like(pattern, text) with Jet semantics (so "x LIKE y" follows
// Jet), jet_left(text, n) and jet_len(text). NULL in gives NULL out; a malformed LIKE pattern
// makes the statement fail. Returns an SQLite result code.
int RegisterFunctions(sqlite3* db);

}  // namespace brivo::jet
