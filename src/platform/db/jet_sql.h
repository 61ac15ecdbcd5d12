#pragma once

#include <string>
#include <string_view>

#include "platform/base/status.h"

// The program writes its SQL in the Jet dialect (square-bracketed names, text in double quotes,
// TRUE and FALSE). This is the translation of that dialect for SQLite.
namespace brivo::jet {

// Translates one Jet statement into SQLite's dialect:
// - '...' and [...] are copied unchanged;
// - "..." becomes a '...' string literal ("" inside becomes ", ' inside becomes '');
// - the words TRUE and FALSE become 1 and 0;
// - everything else is copied unchanged.
// Words are matched without regard to case and only outside quotes and brackets.
// Returns InvalidArgument, leaving *out untouched, for an unterminated string or bracket.
Status TranslateToSqlite(std::string_view jet_sql, std::string* out);

}  // namespace brivo::jet
