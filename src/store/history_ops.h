#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/database.h"

// Operations on the whole history: its newest and oldest issue, deleting every row, compacting
// the file, and telling what kind of file lies at the history's path.
namespace brivo::store {

// The issue of the newest (last) or oldest (first) row of a history snapshot in issue order,
// which is left standing there; 0 for an empty history.
Status ReadNewestIssue(Recordset& snapshot, std::int64_t* issue);
Status ReadOldestIssue(Recordset& snapshot, std::int64_t* issue);

// Deletes every row of the recordset, from the last towards the first.
// The delete-all of the history (Delrec).
Status DeleteAll(Recordset& recordset);

// Compacts the history file of the program folder (the database must be closed):
// 1. deletes an older "QolvexSSQTmp.mdb";
// 2. checks the history's integrity (a damaged file is never copied);
// 3. writes the compacted copy "QolvexSSQTmp.mdb", which is left in place afterwards;
// 4. replaces "QolvexSSQ.mdb" by a copy of it, atomically (a copy under a temporary name, synced,
//    then renamed over the old file).
// On any failure the history file is as it was, and the caller reopens it as usual. Refuses
// (and changes nothing) while the history has a write-ahead log that is not empty, since that
// log belongs to the old file.
Status CompactHistoryFiles(const std::string& program_folder);

// Keeps a history file that cannot be opened under the first free name "<stem>.mdb",
// "<stem>-2.mdb", ... of its folder, its log and journal renamed with it (beside a new file
// under the old name they would be replayed into it); the shared-memory index is deleted.
// *kept names the file. Nothing is ever deleted but the index.
Status SetAsideHistoryFile(const std::string& path, const std::string& stem, std::string* kept);

// What lies at a path.
enum class FileKind { kMissing, kSqlite, kAccess, kOther };
// Reads the file's first bytes: SQLite's header, or a Jet/ACE (Access) database's
// ("Standard Jet DB" / "Standard ACE DB" at offset 4).
FileKind DetectFileKind(const std::string& path);

}  // namespace brivo::store
