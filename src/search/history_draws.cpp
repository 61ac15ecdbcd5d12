#include "search/history_draws.h"

#include "store/history_db.h"

namespace brivo::search {

HistoryDraws DrawsInRange(const HistoryDraws& all, std::int64_t start, std::int64_t end) {
  HistoryDraws range;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all.issues[i] < start || all.issues[i] > end) continue;
    range.issues.push_back(all.issues[i]);
    range.values.push_back(all.values[i]);
  }
  return range;
}

Status ReadHistoryDraws(Database& db, HistoryDraws* out) {
  std::unique_ptr<Recordset> rows;
  if (Status s = db.OpenSnapshot(store::kHistoryQuery, &rows); !s.ok()) return s;
  HistoryDraws read;
  for (; !rows->IsEof(); rows->MoveNext()) {
    std::int64_t issue = 0;
    if (Status s = rows->GetInt("SQQH", &issue); !s.ok()) return s;
    store::DrawValues values{};
    if (Status s = store::ReadOwnValues(*rows, &values); !s.ok()) return s;
    read.issues.push_back(static_cast<std::int32_t>(issue));
    read.values.push_back(values);
  }
  *out = std::move(read);
  return Status::Ok();
}

}  // namespace brivo::search
