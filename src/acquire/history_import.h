#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "acquire/appender.h"
#include "platform/db/database.h"

// Replacing the whole history with the draws of a text file (the import and the rebuild).
namespace brivo::acquire {

struct ParsedDraw {
  std::int32_t issue = 0;
  store::DrawNumbers numbers{};
  int line = 0;  // the line of the file it came from, from 1
};

struct ParsedLines {
  std::vector<ParsedDraw> draws;
  int lines_read = 0;
  int lines_skipped = 0;  // incomplete draws, numbers out of range, issues below 1
};

// Applies the line rules to every line. A line without an issue gets the issue of the last
// draw taken plus one (the first: issue_before_first + 1). A line that is no complete draw is
// skipped and uses up no issue; so is a line whose issue is below 1.
ParsedLines ParseDrawLines(const std::vector<std::string>& lines, std::int32_t issue_before_first);

// Puts a file's draws in ascending issue order, the order they are appended in: a file listed
// oldest first stays as it is, one listed newest first (as results pages list them) is reversed
// and *reversed set. When the issues neither rise nor fall throughout, or one repeats, returns
// the index of the first draw that breaks the order and leaves the draws as they were.
std::optional<std::size_t> PutInAscendingOrder(std::vector<ParsedDraw>* draws, bool* reversed);

// What the rebuilt rows get as lists of the draw N before: nothing, or the lists of the draw two
// before (the rebuild's fixed distance; empty text for the first two draws).
enum class EarlierLists { kUnset, kTwoBefore };

// Replaces every row of Lishi with the draws, in one transaction: delete-all through the table
// recordset, then each draw appended with the lists of the draw before it (empty text for the
// first). The preceding-draw memory starts from zero. On failure nothing has changed, the memory
// included.
Status ReplaceHistory(Database& db, Recordset& table, const AppendContext& context,
                      const std::vector<ParsedDraw>& draws, EarlierLists earlier);

}  // namespace brivo::acquire
