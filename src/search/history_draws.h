#pragma once

#include <cstdint>
#include <vector>

#include "platform/db/database.h"
#include "store/draw_record.h"

// The draws of the history as the in-memory searches read them: issue numbers and the stored
// own values, oldest first.
namespace brivo::search {

struct HistoryDraws {
  std::vector<std::int32_t> issues;
  std::vector<store::DrawValues> values;
  // The lists the oldest draw keeps of the draw before it: empty (as NULL reads) unless that draw
  // was stored once and has gone since, as when the online update drops the oldest years.
  store::DrawLists before_oldest;
  std::size_t size() const { return issues.size(); }
};

// The draws whose issue lies in start..end, in their order, with the lists of the draw before.
HistoryDraws DrawsInRange(const HistoryDraws& all, std::int64_t start, std::int64_t end);

// Reads every draw of the history once, in issue order.
Status ReadHistoryDraws(Database& db, HistoryDraws* out);

}  // namespace brivo::search
