#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"

// The history database file: its place in the program folder, its two tables, and opening it.
namespace brivo::store {

inline constexpr char kHistoryFileName[] = "QolvexSSQ.mdb";
inline constexpr char kCompactFileName[] = "QolvexSSQTmp.mdb";
inline constexpr char kHistoryTable[] = "Lishi";
inline constexpr char kTallyTable[] = "Carcu";
// The whole history in issue order.
inline constexpr char kHistoryQuery[] = "SELECT * FROM lishi ORDER BY SQQH";

// A file of the program folder.
std::string ProgramFile(const std::string& program_folder, const std::string& name);

// Every column a history database's Lishi table must have, in table order.
const std::vector<std::string>& LishiColumns();

// The statements that create the two tables and the issue index in an empty database.
const std::vector<std::string>& SchemaStatements();

// Opens the history database at path. A missing file is created with both tables, all at once
// (a crash never leaves half a file under the name); a log left from an earlier file of that
// name is first renamed to end in ".orphaned" so that it cannot be replayed into the new one.
// An existing file that is not an SQLite database, or lacks a table or column of the history,
// is kNotHistory and left untouched.
Status OpenHistoryDatabase(const std::string& path, std::unique_ptr<Database>* out);

}  // namespace brivo::store
