#pragma once

#include <cstdint>
#include <vector>

#include "platform/db/database.h"
#include "store/draw_record.h"

// The draws of the history as the program keeps them in memory: issue numbers and the stored
// own values, oldest first, with what a search needs to write its marks back to the file.
namespace brivo::search {

struct HistoryDraws {
  std::vector<std::int32_t> issues;
  std::vector<store::DrawValues> values;
  // The lists the oldest draw keeps of the draw before it: empty (as NULL reads) unless that draw
  // was stored once and has gone since, as when the online update drops the oldest years.
  store::DrawLists before_oldest;
  // Which of those lists are NULL in the file: the plain one, and the tagged one of each kind.
  bool before_oldest_plain_null = false;
  store::ByKind<bool> before_oldest_tagged_null{};
  // The row of each draw in the file (ID), and QQH of the newest draw (the proposed issue).
  std::vector<std::int64_t> ids;
  std::int64_t newest_proposed = 0;
  std::size_t size() const { return issues.size(); }
};

// The draws whose issue lies in start..end, in their order, with the lists of the draw before.
HistoryDraws DrawsInRange(const HistoryDraws& all, std::int64_t start, std::int64_t end);

// Reads every draw of the history once, in issue order, straight from the table holding the own
// values. A value the file holds as NULL reads as 0; one that is no number reads as 0 too, and
// the reading fails (InvalidArgument) with every draw read all the same: the issues stay usable.
Status ReadHistoryDraws(Database& db, HistoryDraws* out);

}  // namespace brivo::search
