#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/database.h"

// The history database file: its place in the program folder, its two tables, and opening it.
namespace brivo::store {

inline constexpr char kHistoryFileName[] = "QolvexSSQ.mdb";
inline constexpr char kCompactFileName[] = "QolvexSSQTmp.mdb";
inline constexpr char kHistoryTable[] = "Lishi";
inline constexpr char kTallyTable[] = "Carcu";
// The whole history in issue order.
inline constexpr char kHistoryQuery[] = "SELECT * FROM lishi ORDER BY SQQH";
// The issue and the seven numbers of every draw in issue order (SQQH and the own number columns).
const std::string& DrawNumbersQuery();

// A file of the program folder.
std::string ProgramFile(const std::string& program_folder, const std::string& name);

// Every column a history database's Lishi table must have, in table order.
const std::vector<std::string>& LishiColumns();

// Lishi is kept in parts, tables keyed by the row id ID that the view Lishi joins: what an
// append writes once, and apart from it, in narrow rows, what the searches write again and
// again (the match marks, the look-back lists, the preceding and the earlier values), so that a
// search rewrites narrow rows only. The program reads and writes the view as one table.
struct LishiPart {
  std::string table;
  std::vector<std::string> columns;  // in the order of LishiColumns()
};
const std::vector<LishiPart>& LishiParts();

// Where the program's own narrow reads and writes find Lishi's columns: the part holding each
// column, its rows named by ID; or, in a file that still keeps Lishi as one table (one the
// program could not move into parts), Lishi itself, its rows named by rowid.
struct LishiLayout {
  bool one_table = false;
  std::string TableOf(std::string_view column) const;
  std::string key() const { return one_table ? "rowid" : "ID"; }
};
Status ReadLishiLayout(Database& db, LishiLayout* out);

// The statements that create the history (its parts, the view with the triggers that let any
// tool write to it, the issue index) and the tally table in an empty database.
const std::vector<std::string>& SchemaStatements();

// Opens the history database at path. A missing file is created with both tables, all at once
// (a crash never leaves half a file under the name); a log left from an earlier file of that
// name is first renamed to end in ".orphaned" so that it cannot be replayed into the new one.
// An existing file that is not an SQLite database, or lacks a table or column of the history,
// is kNotHistory and left untouched.
Status OpenHistoryDatabase(const std::string& path, std::unique_ptr<Database>* out);

// Makes sure no issue can be stored twice: in one transaction, either finds the issues that the
// history already holds more than once (into *repeated, ascending, and leaves the file exactly
// as it was) or creates the unique index on the issue (when it is not there yet).
Status EnsureUniqueIssues(Database& db, std::vector<std::int64_t>* repeated);

}  // namespace brivo::store
